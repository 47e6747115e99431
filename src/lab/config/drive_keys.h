#pragma once
// The drive models' own keys of a [Disk] section, parsed with the rest of the
// section: each is unset when lab.ini does not give it, so the model keeps its
// default, and a bad value is a problem of the file like any other. Which
// model reads which key is in src/lab/README.md.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "lab/faults/fault_list.h"

namespace lab {

// Firmware slots an NVMe controller can have.
inline constexpr size_t kLabFirmwareSlots = 7;

// Which DOWNLOAD MICROCODE payloads an ATA drive accepts.
enum class DownloadFormat { kAuto, kPlain, kUpdateFile };
std::optional<DownloadFormat> DownloadFormatFromName(std::string_view name);

// The reset a committed NVMe firmware image waits for (Firmware Commit actions
// 1 and 2, and action 0 on the running slot), and the status that says so.
enum class ActivationReset {
  kNone,          // success: any reset activates it
  kConventional,  // 0x10B: only a conventional reset (the lab's power-on)
  kSubsystem,     // 0x110: only an NVM subsystem reset (the lab's power-on)
  kController,    // 0x111: any controller-level reset
};
std::optional<ActivationReset> ActivationResetFromName(std::string_view name);

// The code a VK46xx controller runs.
enum class VkMode { kNormal, kIsp, kMpIsp, kRomDe };
std::string_view VkModeName(VkMode mode);
std::optional<VkMode> VkModeFromName(std::string_view name);

// One patch of a byte block: "offset=hexbytes".
struct BytePatch {
  size_t offset = 0;
  std::vector<uint8_t> bytes;
  bool operator==(const BytePatch&) const = default;
};

// An attribute's normalised value and threshold as lab.ini sets them.
struct SmartValueKey {
  uint8_t id = 0;
  uint8_t current = 0;
  uint8_t threshold = 0;
  bool operator==(const SmartValueKey&) const = default;
};

// Keys every ATA drive model reads.
struct AtaKeys {
  std::optional<bool> security, trim, ncq, apm, hipm, dipm, devSleep;
  std::optional<bool> downloadMicrocode, downloadMicrocodeDma, downloadOffsets;
  std::optional<uint16_t> dmMinBlocks, dmMaxBlocks, eraseMinutes;
  std::optional<uint64_t> wwn;
  std::optional<uint32_t> dmBufferBlocks, dmUnitBytes;
  std::optional<DownloadFormat> downloadFormat;
  std::optional<std::string> masterPassword;
  std::optional<uint64_t> reallocated, averageEraseCount, hostWrites32MiB, hostReads32MiB;
  std::optional<uint8_t> lifeLeft;
  std::optional<std::vector<std::pair<uint8_t, uint64_t>>> smartRaw;
  std::optional<std::vector<SmartValueKey>> smartValues;
  std::optional<std::string> smartTag;
  std::optional<size_t> smartTagOffset;
  std::optional<bool> rejectSetPassword, securityFrozen;
  std::optional<uint8_t> rejectDownloadError;
};

// Keys of the VK46xx SATA controllers.
struct Vk46xxKeys {
  std::optional<VkMode> mode;
  std::optional<std::string> fwTag, retryTag;
  std::optional<uint8_t> nandMakerCode, planeMode, unitSectors, bootParam;
  std::optional<std::vector<uint8_t>> capacityCode, bootParams;
  std::optional<uint16_t> validTlcPages;
  std::optional<std::vector<BytePatch>> paramBytes;
  std::optional<std::string> dieText;
  std::optional<uint8_t> flashByte2400, flashByte2490, planeCount, retryTable;
  std::optional<std::vector<BytePatch>> flashBytes;
  std::optional<std::string> romId;
  std::optional<uint8_t> hwId, reg10001150, reg50000060;
  std::optional<std::vector<uint8_t>> cid;
  // Bytes of the CID window after the CID record.
  std::optional<std::vector<uint8_t>> retryData;
  std::optional<bool> downloadNeedsPrep;
  std::optional<std::vector<uint64_t>> commandLbas;
  std::optional<bool> noEcho;
  std::optional<std::vector<FaultRule>> failVendorCommands;
};

// Keys of the VK4630 NVMe controller.
struct Vk4630Keys {
  std::optional<uint16_t> pciSubVendor, pciSubDevice;
  std::optional<std::string> controllerName, vendorTag;
  std::optional<uint8_t> vendorPages, firmwareSlots;
  std::optional<size_t> vendorTagOffset, imageVersionOffset;
  std::optional<bool> slot1ReadOnly;
  std::optional<uint8_t> fna;
  std::optional<ActivationReset> activationReset;
  std::optional<uint32_t> maxImageKB, miniportLocation;
  std::optional<uint64_t> eui64;
  std::optional<uint8_t> availableSpare, spareThreshold, percentageUsed, criticalWarning;
  std::optional<uint64_t> dataUnitsRead, dataUnitsWritten, mediaErrors;
  // The firmware slots as the tool first finds the drive: the revision each
  // slot other than the running one holds (index 0 is slot 1), the running
  // slot and the slot that runs after the next reset (0: none).
  std::array<std::optional<std::string>, kLabFirmwareSlots> slotRevisions;
  std::optional<uint8_t> activeSlot, nextSlot;
  // After a commit that activates at once, the controller answers nothing
  // for this long (milliseconds of lab time) while it restarts.
  std::optional<uint32_t> activationSilenceMs;
};

struct DriveKeys {
  // Shared by the ATA and NVMe models (the ranges follow the attachment).
  std::optional<uint64_t> powerOnHours;
  std::optional<uint8_t> temperature;
  std::optional<std::vector<FaultRule>> failCommands;
  std::optional<uint32_t> rejectDownloadChunk, powerLossAtDownloadChunk;

  AtaKeys ata;
  Vk46xxKeys vk46xx;
  Vk4630Keys vk4630;
};

// Size of the VK46xx CID record, and of the CID window in controller RAM that
// holds it followed by the retry data.
inline constexpr size_t kVkCidSize = 128;
inline constexpr size_t kVkCidWindowSize = 1024;

}  // namespace lab
