#include "lab/drives/vk46xx/controller_memory.h"

#include <algorithm>
#include <string>

#include "common/text.h"

namespace lab::drives {

namespace {

// The identification string of a ROM revision as it sits in ROM: 16
// characters with the bytes of each pair swapped.
void PlaceRomString(std::vector<uint8_t>& rom, uint32_t address, std::string text) {
  text.resize(16, ' ');
  const std::string stored = common::SwapBytePairs(text);
  std::copy(stored.begin(), stored.end(), rom.begin() + address);
}

}  // namespace

ControllerMemory::ControllerMemory(const Vk46xxSettings& s)
    : rom_(mem::kRomSize),
      cidWindow_(mem::kCidWindowSize, 0),
      retryData_(mem::kCidWindowSize - kCidSize, 0) {
  // Boot code stand-in: a fixed pseudo-random fill, so ROM reads are stable.
  uint32_t x = 0x4D56A5C3;
  for (uint8_t& b : rom_) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  const std::string& id = s.romId;
  if (id == "4610AB") {
    PlaceRomString(rom_, mem::kRomString4610Ab, "VK4610AB BOOTROM");
  } else if (id == "4610AD") {
    // The AD revision moved the boot code: the AB string sits one block on.
    PlaceRomString(rom_, mem::kRomString4610Ab, "VK4610AD BOOTROM");
    PlaceRomString(rom_, mem::kRomString4610Ad, "VK4610AB ROM R.D");
  } else if (id == "4620AB") {
    PlaceRomString(rom_, mem::kRomString4620Ab, "VK4620AB BOOTROM");
  } else if (id == "4620AC") {
    PlaceRomString(rom_, mem::kRomString4620Ac, "VK4620AC BOOTROM");
  }
  // Retry data: read-retry voltage offsets, as lab.ini gives them (the rest of
  // the window zero), else a fixed table per firmware tag.
  if (s.retryData) {
    std::copy_n(s.retryData->begin(), std::min(s.retryData->size(), retryData_.size()),
                retryData_.begin());
  } else {
    uint8_t seed = 0x31;
    for (char c : s.fwTag) seed = static_cast<uint8_t>(seed * 31 + static_cast<uint8_t>(c));
    for (size_t i = 0; i < retryData_.size(); ++i) {
      retryData_[i] = static_cast<uint8_t>((i % 16 < 8) ? (seed + i * 3) : (0x100 - (i & 0x3F)));
    }
  }
  resetValues_[mem::kCheckDummyReg] = s.reg10001150;
  resetValues_[mem::kDownloadReg] = s.reg50000060;
  resetValues_[mem::kHwIdReg] = static_cast<uint8_t>(0xA0 | (s.hwId & 0x07));
  resetValues_[mem::kRegs2Base] = 0x46;  // chip ID register
  resetValues_[mem::kRegs2Base + 1] = 0x20;
  PowerOn({});
}

void ControllerMemory::PowerOn(std::span<const uint8_t> cid) {
  ram_.clear();
  std::fill(cidWindow_.begin(), cidWindow_.end(), 0);
  std::copy_n(cid.begin(), std::min<size_t>(cid.size(), kCidSize), cidWindow_.begin());
  std::copy(retryData_.begin(), retryData_.end(), cidWindow_.begin() + kCidSize);
}

ControllerMemory::Region ControllerMemory::RegionOf(uint32_t a) {
  if (a >= mem::kCidWindow && a < mem::kCidWindow + mem::kCidWindowSize) return Region::kCid;
  if (a < mem::kRomBase + mem::kRomSize) return Region::kRom;
  if (a >= mem::kSramBase && a - mem::kSramBase < mem::kSramSize) return Region::kSram;
  if (a >= mem::kRegs1Base && a - mem::kRegs1Base < mem::kRegsSize) return Region::kRegs;
  if (a >= mem::kRegs2Base && a - mem::kRegs2Base < mem::kRegsSize) return Region::kRegs;
  return Region::kNone;
}

uint8_t ControllerMemory::ReadByteOr(uint32_t a, uint8_t fallback) const {
  switch (RegionOf(a)) {
    case Region::kRom:
      return rom_[a - mem::kRomBase];
    case Region::kCid:
      return cidWindow_[a - mem::kCidWindow];
    case Region::kSram:
    case Region::kRegs: {
      if (auto it = ram_.find(a); it != ram_.end()) return it->second;
      if (auto it = resetValues_.find(a); it != resetValues_.end()) return it->second;
      return 0;
    }
    case Region::kNone:
      break;
  }
  return fallback;
}

bool ControllerMemory::Read(uint32_t address, std::span<uint8_t> out) const {
  for (size_t i = 0; i < out.size(); ++i) {
    const uint64_t a = uint64_t{address} + i;
    if (a > UINT32_MAX || RegionOf(static_cast<uint32_t>(a)) == Region::kNone) return false;
    out[i] = ReadByteOr(static_cast<uint32_t>(a), 0);
  }
  return true;
}

bool ControllerMemory::Write(uint32_t address, std::span<const uint8_t> in) {
  for (size_t i = 0; i < in.size(); ++i) {
    const uint64_t a = uint64_t{address} + i;
    if (a > UINT32_MAX) return false;
    const Region r = RegionOf(static_cast<uint32_t>(a));
    if (r == Region::kNone || r == Region::kRom) return false;
  }
  for (size_t i = 0; i < in.size(); ++i) {
    const uint32_t a = address + static_cast<uint32_t>(i);
    if (RegionOf(a) == Region::kCid) {
      cidWindow_[a - mem::kCidWindow] = in[i];
    } else {
      ram_[a] = in[i];
    }
  }
  return true;
}

}  // namespace lab::drives
