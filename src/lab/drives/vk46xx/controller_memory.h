#pragma once
// The address space a VK46xx controller exposes to vendor memory reads and
// writes: boot ROM (0x00000000-0x0000FFFF, with its identification strings),
// the CID window in RAM (0x800: 128-byte CID record then retry data, 1024
// bytes), SRAM (0x20000000-0x2003FFFF) and two register files
// (0x10000000-0x1000FFFF, 0x50000000-0x5000FFFF). RAM and registers return to
// their reset values at power-on. Other addresses are not decoded: accesses
// touching them fail, as do writes to ROM.
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "lab/drives/vk46xx/vk46xx_settings.h"

namespace lab::drives {

namespace mem {
inline constexpr uint32_t kRomBase = 0x00000000;
inline constexpr uint32_t kRomSize = 0x10000;
inline constexpr uint32_t kCidWindow = 0x800;
inline constexpr uint32_t kCidWindowSize = 1024;
static_assert(kCidWindowSize == kVkCidWindowSize, "lab.ini's RetryData fills this window");
inline constexpr uint32_t kSramBase = 0x20000000;
inline constexpr uint32_t kSramSize = 0x40000;
inline constexpr uint32_t kRegs1Base = 0x10000000;
inline constexpr uint32_t kRegs2Base = 0x50000000;
inline constexpr uint32_t kRegsSize = 0x10000;
inline constexpr uint32_t kCheckDummyReg = 0x10001150;  // bits 0-1: image check-dummy
inline constexpr uint32_t kDownloadReg = 0x50000060;    // bit 0: download path open
inline constexpr uint32_t kHwIdReg = 0x5000000B;        // bits 0-2: hardware ID
// Where the ROM revisions keep their identification string (16 bytes, pairs swapped).
inline constexpr uint32_t kRomString4610Ab = 0x4FE2;
inline constexpr uint32_t kRomString4610Ad = 0x50AA;
inline constexpr uint32_t kRomString4620Ab = 0x5C5A;
inline constexpr uint32_t kRomString4620Ac = 0x60FE;
}  // namespace mem

class ControllerMemory {
 public:
  explicit ControllerMemory(const Vk46xxSettings& settings);

  // RAM and registers back to reset values; the CID window holds `cid`.
  void PowerOn(std::span<const uint8_t> cid);
  bool Read(uint32_t address, std::span<uint8_t> out) const;
  bool Write(uint32_t address, std::span<const uint8_t> in);
  uint8_t ReadByteOr(uint32_t address, uint8_t fallback) const;

 private:
  enum class Region { kNone, kRom, kCid, kSram, kRegs };
  static Region RegionOf(uint32_t address);

  std::vector<uint8_t> rom_;
  std::vector<uint8_t> cidWindow_;
  std::vector<uint8_t> retryData_;
  std::map<uint32_t, uint8_t> ram_;  // SRAM and registers written since power-on
  std::map<uint32_t, uint8_t> resetValues_;
};

}  // namespace lab::drives
