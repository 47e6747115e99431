#pragma once
// How one VK46xx SATA drive (VK4610XT, VK4620XT, VK4620XT2) is built. Its ATA
// part takes the keys of ata_drive_settings.h; Vk46xxSettingsFor adds, from
// the same parsed lab.ini section (keys not given keep the controller's
// defaults):
//
//   Controller        VK4610XT, VK4620XT or VK4620XT2
//   Mode              Normal, ISP, MPISP or ROMDE: the code the drive runs
//   FwTag, RetryTag   parameter block bytes 522-527 and 520-521 (raw text)
//   NandMakerCode     parameter block byte 240 (0x98, 0x45, ...)
//   PlaneMode         byte 19          CapacityCode   bytes 20-21, hex ("0401")
//   UnitSectors       byte 67 (also the download framing unit)
//   BootParam         byte 88          BootParams     bytes 256-258, hex
//   ValidTlcPages     bytes 124-125 (16-bit little-endian)
//   ParamBytes        "offset=hex,...": any other parameter block bytes
//   DieText           flash information text at 0x20C0
//   FlashByte2400, FlashByte2490, PlaneCount (0x2638), RetryTable (0x2688)
//   FlashBytes        "offset=hex,...": any other flash information bytes
//   RomId             4610AB, 4610AD, 4620AB or 4620AC: the ROM strings
//   HwId              hardware-ID register 0x5000000B (low three bits)
//   Reg10001150, Reg50000060   reset value of byte 0 of those registers
//   Cid               the factory CID record, 256 hex digits
//   RetryData         hex bytes after the CID in the CID window (from byte 128;
//                     the rest of the window zero); default: a table derived
//                     from the firmware tag
//   DownloadNeedsPrep 1: DOWNLOAD MICROCODE is refused until the check-dummy
//                     bits are cleared (0x10001150 bits 0-1) and 0x50000060
//                     bit 0 is set
//   CommandLbas       "55AA,789": LBAs the firmware takes command blocks at
//   NoEcho            1: the command LBA never reads back the command block
//   FailVendorCommands "2A:3": vendor sub-opcodes failing at their n-th use
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lab/config/disk_config.h"
#include "lab/drives/ata/ata_drive_settings.h"
#include "lab/drives/value_text.h"

namespace lab::drives {

enum class VkController { kVk4610Xt, kVk4620Xt, kVk4620Xt2 };
// VkMode and its names are lab.ini's: lab/config/drive_keys.h.
std::optional<VkController> VkControllerFromName(std::string_view name);

struct Vk46xxSettings {
  AtaDriveSettings ata;
  VkController controller = VkController::kVk4610Xt;
  VkMode mode = VkMode::kNormal;

  // Parameter block.
  std::string fwTag;
  std::string retryTag;
  uint8_t nandMaker = 0x98;
  uint8_t planeMode = 4;
  std::vector<uint8_t> capacityCode{2, 1};
  uint8_t unitSectors = 8;
  uint8_t bootParam = 0xA2;
  std::vector<uint8_t> bootParams{0, 0, 0};
  uint16_t validTlcPages = 0x2FF0;
  std::vector<BytePatch> paramPatches;

  // Flash information block (and the geometry bytes of the parameter block).
  std::vector<uint8_t> nandId;  // empty: the maker's usual ID for nandMaker
  uint8_t channels = 4;
  uint8_t cePerChannel = 2;
  uint8_t diesPerCe = 1;
  uint16_t pageSize = 16384;
  uint16_t pagesPerBlock = 1152;
  std::string dieText;
  uint8_t flashByte2400 = 0xFF;
  uint8_t flashByte2490 = 0x00;
  uint8_t planeCount = 2;
  uint8_t retryTable = 0;
  std::vector<BytePatch> flashPatches;

  // Controller memory.
  std::string romId;
  uint8_t hwId = 1;
  uint8_t reg10001150 = 0x03;
  uint8_t reg50000060 = 0x00;
  std::vector<uint8_t> cid;  // 128 bytes
  // What follows the CID in the CID window; unset: derived from the firmware tag.
  std::optional<std::vector<uint8_t>> retryData;
  bool downloadNeedsPrep = false;

  // Vendor protocol and its faults.
  std::vector<uint64_t> commandLbas{0x55AA, 0x789};
  bool noEcho = false;
  std::vector<FaultRule> failVendorCommands;
};

// The factory settings of a controller: identity, tags, ROM and CID.
Vk46xxSettings Vk46xxDefaults(VkController controller);
// The settings of the disk's controller (its Controller key; an unknown name
// is the first family member) with the section's keys applied.
Vk46xxSettings Vk46xxSettingsFor(const DiskConfig& disk);

}  // namespace lab::drives
