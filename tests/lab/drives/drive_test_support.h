#pragma once
// Test doubles and command builders for the emulated drives: an in-memory
// Media with injectable unreadable sectors, and task files built the way a
// host driver fills them.
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <vector>

#include "lab/core/commands.h"
#include "lab/core/device_interfaces.h"

namespace drivetest {

class MemoryMedia : public lab::Media {
 public:
  explicit MemoryMedia(uint64_t sectors) : sectors_(sectors) {}
  uint64_t SectorCount() const override { return sectors_; }
  bool Read(uint64_t lba, uint32_t count, uint8_t* out) override {
    if (!Fits(lba, count)) return false;
    for (uint64_t s = lba; s < lba + count; ++s) {
      if (bad.count(s)) return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
      const auto it = data_.find(lba + i);
      if (it == data_.end()) {
        std::fill_n(out + size_t{i} * 512, 512, 0);
      } else {
        std::copy(it->second.begin(), it->second.end(), out + size_t{i} * 512);
      }
    }
    return true;
  }
  bool Write(uint64_t lba, uint32_t count, const uint8_t* in) override {
    if (!Fits(lba, count)) return false;
    ++writes;
    for (uint32_t i = 0; i < count; ++i) {
      std::copy_n(in + size_t{i} * 512, 512, data_[lba + i].begin());
    }
    return true;
  }
  bool Zero(uint64_t lba, uint64_t count) override {
    if (!Fits(lba, count)) return false;
    ++zeroCalls;
    data_.erase(data_.lower_bound(lba), data_.lower_bound(lba + count));
    return true;
  }
  // The byte at a byte offset.
  uint8_t At(uint64_t byte) const {
    const auto it = data_.find(byte / 512);
    return it == data_.end() ? 0 : it->second[byte % 512];
  }
  void Fill(uint64_t lba, uint8_t value) { data_[lba].fill(value); }
  bool AllZero() const {
    for (const auto& [lba, sector] : data_) {
      if (std::any_of(sector.begin(), sector.end(), [](uint8_t b) { return b != 0; })) return false;
    }
    return true;
  }

  std::set<uint64_t> bad;
  int writes = 0;
  int zeroCalls = 0;

 private:
  bool Fits(uint64_t lba, uint64_t count) const {
    return lba <= sectors_ && count <= sectors_ - lba;
  }
  uint64_t sectors_;
  std::map<uint64_t, std::array<uint8_t, 512>> data_;
};

// A 28-bit command: registers as features, count, LBA low, mid, high, device, command.
inline lab::AtaCommand Ata28(uint8_t features, uint8_t count, uint8_t low, uint8_t mid,
                             uint8_t high, uint8_t device, uint8_t command,
                             std::span<uint8_t> data = {},
                             lab::DataDirection dir = lab::DataDirection::kNone) {
  lab::AtaCommand c;
  c.current = {features, count, low, mid, high, device, command};
  c.data = data;
  c.direction = dir;
  return c;
}

inline lab::AtaCommand Read28(uint8_t command, uint32_t lba, uint8_t count,
                              std::span<uint8_t> data) {
  return Ata28(0, count, static_cast<uint8_t>(lba), static_cast<uint8_t>(lba >> 8),
               static_cast<uint8_t>(lba >> 16), static_cast<uint8_t>(0xE0 | ((lba >> 24) & 0x0F)),
               command, data, lab::DataDirection::kIn);
}

inline lab::AtaCommand Write28(uint8_t command, uint32_t lba, uint8_t count,
                               std::span<uint8_t> data) {
  lab::AtaCommand c = Read28(command, lba, count, data);
  c.direction = lab::DataDirection::kOut;
  return c;
}

inline lab::AtaCommand Ext(uint8_t command, uint64_t lba, uint16_t count, std::span<uint8_t> data,
                           lab::DataDirection dir) {
  lab::AtaCommand c;
  c.extended = true;
  c.current = {0,
               static_cast<uint8_t>(count),
               static_cast<uint8_t>(lba),
               static_cast<uint8_t>(lba >> 8),
               static_cast<uint8_t>(lba >> 16),
               0x40,
               command};
  c.previous = {0,
                static_cast<uint8_t>(count >> 8),
                static_cast<uint8_t>(lba >> 24),
                static_cast<uint8_t>(lba >> 32),
                static_cast<uint8_t>(lba >> 40),
                0,
                0};
  c.data = data;
  c.direction = dir;
  return c;
}

// DOWNLOAD MICROCODE as the host's builder fills it: subcommand, count[7:0],
// count[15:8], offset[7:0], offset[15:8], E0, 92h (PIO) or 93h (DMA).
inline lab::AtaCommand Download(uint8_t sub, uint16_t offset, uint16_t blocks,
                                std::span<uint8_t> data, bool dma = false) {
  lab::AtaCommand c = Ata28(sub, static_cast<uint8_t>(blocks), static_cast<uint8_t>(blocks >> 8),
                            static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8), 0xE0,
                            dma ? 0x93 : 0x92, data, lab::DataDirection::kOut);
  c.dma = dma;
  return c;
}

constexpr uint8_t kGood = 0x50;
constexpr uint8_t kErr = 0x51;

}  // namespace drivetest
