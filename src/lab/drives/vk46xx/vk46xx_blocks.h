#pragma once
// The identity blocks a VK46xx controller hands out through its vendor
// protocol: the mode sector, the parameter block, the flash information block,
// the vendor identify block and the erase status block.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "lab/drives/ata/ata_identify.h"
#include "lab/drives/vk46xx/vk46xx_settings.h"

namespace lab::drives {

namespace mode_sector {
inline constexpr size_t kModeText = 0;  // "ISP", "MPISP", "ROMDE" or zeros
inline constexpr size_t kMagic = 8;     // "VKMMODE"
inline constexpr size_t kModeCode = 16;
inline constexpr size_t kFirmware = 32;  // 8 characters
inline constexpr size_t kName = 46;      // controller name, 8 characters
inline constexpr size_t kRomId = 56;     // 8 characters
inline constexpr size_t kSerial = 64;    // 20 characters
}  // namespace mode_sector

namespace param {
inline constexpr size_t kSize = 1024;
inline constexpr size_t kSignature = 0;  // "VK4610PARA" / "VK4620PARA"
inline constexpr size_t kPlaneMode = 19;
inline constexpr size_t kCapacityCode = 20;  // 2 bytes
inline constexpr size_t kChannels = 22;
inline constexpr size_t kCePerChannel = 23;
inline constexpr size_t kDiesPerCe = 24;
inline constexpr size_t kUnitSectors = 67;
inline constexpr size_t kBootParam = 88;
inline constexpr size_t kValidTlcPages = 124;    // 16-bit little-endian
inline constexpr size_t kCapacitySectors = 128;  // 64-bit little-endian
inline constexpr size_t kNandMaker = 240;
inline constexpr size_t kBootParams = 256;  // 3 bytes
inline constexpr size_t kIdentity = 512;    // version 8, retry tag 2, firmware tag 6
inline constexpr size_t kRetryTag = 520;
inline constexpr size_t kFwTag = 522;
}  // namespace param

namespace flash {
inline constexpr size_t kSize = 16384;
inline constexpr size_t kIdentifyTemplate = 0;  // 512 bytes
inline constexpr size_t kMagic = 0x200;
inline constexpr size_t kNandId = 0x2000;   // 8 bytes
inline constexpr size_t kDieText = 0x20C0;  // NUL-terminated, up to 64 bytes
inline constexpr size_t kByte2400 = 0x2400;
inline constexpr size_t kByte2490 = 0x2490;
inline constexpr size_t kGeometry = 0x2600;  // 512 bytes
inline constexpr size_t kPlaneCount = 0x2638;
inline constexpr size_t kRetryTable = 0x2688;
}  // namespace flash

inline constexpr size_t kVendorIdentifySize = 1024;
inline constexpr size_t kEraseStatusSize = 1024;

std::string_view ModeSectorName(VkController controller);  // "VK4610XT", "VK4620XT", "VK4620XA"
std::string_view ParameterSignature(VkController controller);

Sector BuildModeSector(const Vk46xxSettings& s, VkMode running, const std::string& firmware);
std::vector<uint8_t> BuildParameterBlock(const Vk46xxSettings& s, const std::string& firmware,
                                         uint64_t sectors);
std::vector<uint8_t> BuildFlashInfoBlock(const Vk46xxSettings& s, const Sector& identify);
std::vector<uint8_t> BuildVendorIdentify(const Vk46xxSettings& s, VkMode running,
                                         const std::string& firmware, uint64_t sectors);
std::vector<uint8_t> BuildEraseStatus(uint8_t subOpcode, bool ok, uint64_t sectors);

}  // namespace lab::drives
