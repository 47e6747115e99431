#pragma once
// Firmware slots of an NVMe controller: Firmware Image Download collects the
// pieces of an image in order (each starts where the last ended; offset 0
// starts a new image), Firmware Commit puts a complete image into a slot and
// activates it now or at the next reset.
//   action 0  replace the slot's image; when that slot is the running one, the
//             new image runs after the next reset ("requires reset")
//   action 1  replace and activate at the next reset ("requires reset")
//   action 2  activate the slot's image at the next reset ("requires reset")
//   action 3  replace and activate now
// Which reset, and the status that says so, is the ActivationReset setting:
// controller (0x111, any reset), conventional (0x10B) or subsystem (0x110:
// only a power-on; a controller reset keeps the running image) or none
// (success, any reset).
// An image's revision is the version of its CSS ISP record (type 5: data
// offset + 0x7FFC8) or, without a CSS header, the 8 characters at a fixed
// offset; an image without a printable revision is invalid.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "lab/config/drive_keys.h"
#include "lab/drives/drive_state.h"

namespace lab::drives {

namespace css {
inline constexpr size_t kEntries = 656;
inline constexpr size_t kEntrySize = 48;
inline constexpr size_t kEntryCount = 7;
inline constexpr uint32_t kTypeIsp = 5;
inline constexpr size_t kIspVersion = 0x7FFC8;
}  // namespace css

std::optional<std::string> NvmeImageRevision(std::span<const uint8_t> image, size_t fallbackOffset);

// NVMe status as (status code, status code type).
struct NvmeStatus {
  uint8_t sc = 0;
  uint8_t sct = 0;
  bool Ok() const { return sc == 0 && sct == 0; }
};

inline constexpr NvmeStatus kNvmeSuccess{0x00, 0};
inline constexpr NvmeStatus kInvalidOpcode{0x01, 0};
inline constexpr NvmeStatus kInvalidField{0x02, 0};
inline constexpr NvmeStatus kInternalError{0x06, 0};
inline constexpr NvmeStatus kInvalidNamespace{0x0B, 0};
inline constexpr NvmeStatus kLbaOutOfRange{0x80, 0};
inline constexpr NvmeStatus kInvalidFirmwareSlot{0x06, 1};
inline constexpr NvmeStatus kInvalidFirmwareImage{0x07, 1};
inline constexpr NvmeStatus kInvalidLogPage{0x09, 1};
inline constexpr NvmeStatus kInvalidFormat{0x0A, 1};
inline constexpr NvmeStatus kActivationRequiresConventionalReset{0x0B, 1};
inline constexpr NvmeStatus kActivationRequiresSubsystemReset{0x10, 1};
inline constexpr NvmeStatus kActivationRequiresReset{0x11, 1};
inline constexpr NvmeStatus kOverlappingRange{0x14, 1};
inline constexpr NvmeStatus kUnrecoveredReadError{0x81, 2};
inline constexpr NvmeStatus kVendorAccepted{0xC0, 7};

class NvmeFirmwareSlots {
 public:
  struct Config {
    uint8_t slots = 2;
    bool slot1ReadOnly = false;
    uint32_t maxImageBytes = 16u << 20;
    size_t versionOffset = 0xEFF0;
    ActivationReset activationReset = ActivationReset::kController;
  };
  enum class ResetKind { kController, kPowerOn };

  // The slot part of `state` (slots, activeSlot, nextSlot, firmware) is read
  // and written in place.
  NvmeFirmwareSlots(DriveState& state, Config config);

  NvmeStatus Download(uint64_t byteOffset, std::span<const uint8_t> piece);
  NvmeStatus Commit(uint8_t action, uint8_t slot, bool bootPartition);
  // A reset: pieces not yet committed are dropped, and a pending slot becomes
  // the running one when the reset is of the kind its activation waits for.
  void Reset(ResetKind kind);
  void DropDownload();
  bool DownloadInProgress() const { return received_ != 0; }

 private:
  std::optional<std::vector<uint8_t>> CompleteImage() const;
  uint8_t ChooseSlot(uint8_t action) const;
  // What a commit that activates at the next reset answers.
  NvmeStatus PendingStatus() const;

  DriveState& state_;
  Config config_;
  std::vector<uint8_t> image_;
  uint64_t received_ = 0;  // bytes, from offset 0 on
  uint8_t lastReplaced_ = 0;
};

}  // namespace lab::drives
