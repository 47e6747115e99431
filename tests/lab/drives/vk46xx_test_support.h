#pragma once
// A VK46xx drive on an in-memory medium, driven the way a host does: sector
// reads and writes with READ DMA / WRITE DMA, the detect sequence, and the
// command exchange with its backup and restore of the command LBA.
#include <memory>
#include <vector>

#include "lab/drives/drive_test_support.h"
#include "lab/drives/vk46xx/vk46xx_drive.h"

namespace drivetest {

struct VkRig {
  explicit VkRig(lab::drives::Vk46xxSettings s, uint64_t sectors = 0x100000)
      : media(std::make_shared<MemoryMedia>(sectors)),
        drive(std::make_unique<lab::drives::Vk46xxDrive>(std::move(s), media,
                                                         lab::drives::DriveState{})) {}

  // Status register of READ DMA of `count` sectors into `out`.
  uint8_t Read(uint32_t lba, uint8_t count, std::vector<uint8_t>& out) {
    out.assign(size_t{count} * 512, 0xCC);
    lab::AtaCommand c = Read28(0xC8, lba, count, out);
    return drive->ExecuteAta(c).current.command;
  }
  uint8_t Write(uint32_t lba, std::vector<uint8_t> data) {
    data.resize((data.size() + 511) / 512 * 512, 0);
    lab::AtaCommand c = Write28(0xCA, lba, static_cast<uint8_t>(data.size() / 512), data);
    return drive->ExecuteAta(c).current.command;
  }
  // The five detect reads; the mode sector when they all succeed.
  std::vector<uint8_t> Detect() {
    std::vector<uint8_t> s;
    for (uint32_t lba : {0xAAu, 0xAA00u, 0x55u, 0x5500u, 0x55AAu}) {
      if (Read(lba, 1, s) != kGood) return {};
    }
    return s;
  }

  // One exchange as the host runs it: backup, detect, block, data, echo,
  // restore. `data` receives data-in or supplies data-out. Returns 0, -6 (block
  // refused), -7 (data phase failed) or -8 (no echo).
  int Exchange(const std::vector<uint8_t>& block, std::vector<uint8_t>* data, bool out,
               uint32_t commandLba = 0x55AA) {
    std::vector<uint8_t> backup;
    Read(commandLba, 1, backup);
    if (Detect().empty()) return -1;
    if (Write(commandLba, block) != kGood) {
      std::vector<uint8_t> scratch;
      Read(0x1234, 1, scratch);
      return -6;
    }
    int result = 0;
    if (data && !data->empty()) {
      const uint8_t sectors = static_cast<uint8_t>((data->size() + 511) / 512);
      if (out) {
        if (Write(commandLba, *data) != kGood) result = -7;
      } else {
        std::vector<uint8_t> in;
        if (Read(0x55AA, sectors, in) != kGood) {
          result = -7;
        } else {
          std::copy_n(in.begin(), data->size(), data->begin());
        }
      }
    }
    std::vector<uint8_t> echo;
    Read(commandLba, 1, echo);
    if (!std::equal(block.begin(), block.begin() + 16, echo.begin())) return result ? result : -8;
    Write(commandLba, backup);
    return result;
  }

  std::shared_ptr<MemoryMedia> media;
  std::unique_ptr<lab::drives::Vk46xxDrive> drive;
};

// A command block: bytes 0 and 1, then the short layout (address 4-7, count
// 10-11, big-endian) or the long one (address 2-5, count 6-7).
inline std::vector<uint8_t> Block(uint8_t op, uint8_t sub, uint32_t address = 0, uint16_t count = 0,
                                  bool longLayout = false) {
  std::vector<uint8_t> b(512, 0);
  b[0] = op;
  b[1] = sub;
  const size_t a = longLayout ? 2 : 4;
  const size_t n = longLayout ? 6 : 10;
  b[a] = static_cast<uint8_t>(address >> 24);
  b[a + 1] = static_cast<uint8_t>(address >> 16);
  b[a + 2] = static_cast<uint8_t>(address >> 8);
  b[a + 3] = static_cast<uint8_t>(address);
  b[n] = static_cast<uint8_t>(count >> 8);
  b[n + 1] = static_cast<uint8_t>(count);
  return b;
}

}  // namespace drivetest
