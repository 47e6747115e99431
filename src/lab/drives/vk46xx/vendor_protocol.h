#pragma once
// The sector-based vendor protocol of the VK46xx firmware, as seen at its
// reserved LBAs. Single-sector reads of 0xAA, 0xAA00, 0x55, 0x5500 in a row and
// then 0x55AA return the mode sector and enter vendor mode. In vendor mode a
// 512-byte command block written to a command LBA (0x55AA or 0x789) starts a
// command; a data-in command's data is read from 0x55AA, a data-out command's
// data is written to the command LBA; afterwards the command LBA reads back the
// block (the echo) and a write of the saved sector there is taken and dropped.
// A read of 0x1234, or any transfer at an LBA that is not reserved, leaves
// vendor mode. In vendor mode the reserved LBAs never touch user data.
// Commands that move no sectors (IDENTIFY, SMART, ... which USB bridges
// slip in between) leave the protocol's state alone.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "lab/drives/ata/ata_identify.h"

namespace lab::drives {

namespace vlba {
inline constexpr uint64_t kDetect[5] = {0xAA, 0xAA00, 0x55, 0x5500, 0x55AA};
inline constexpr uint64_t kCommand = 0x55AA;  // also the data LBA
inline constexpr uint64_t kAltCommand = 0x789;
inline constexpr uint64_t kLeave = 0x1234;
}  // namespace vlba

// What the firmware does with the commands the protocol carries.
class VendorCommandSet {
 public:
  enum class Kind { kRejected, kNoData, kDataIn, kDataOut };
  struct Start {
    Kind kind = Kind::kRejected;
    std::vector<uint8_t> data;  // data-in: the reply
    bool dataFails = false;     // data-in: the data phase fails
  };

  virtual ~VendorCommandSet() = default;
  virtual Sector ModeSector() = 0;
  virtual Start StartCommand(std::span<const uint8_t> block) = 0;
  // Data-out: the data the host wrote; false fails the data phase.
  virtual bool FinishDataOut(std::span<const uint8_t> block, std::span<const uint8_t> data) = 0;
};

class VendorProtocol {
 public:
  enum class Action { kUserData, kAnswered, kFailed };

  VendorProtocol(VendorCommandSet& commands, std::vector<uint64_t> commandLbas, bool noEcho);

  Action Read(uint64_t lba, uint32_t count, std::span<uint8_t> out);
  Action Write(uint64_t lba, uint32_t count, std::span<const uint8_t> in);
  // Power-on or a firmware restart: normal mode, nothing pending.
  void Reset();
  bool InVendorMode() const { return vendorMode_; }

 private:
  enum class Phase { kIdle, kDataIn, kDataOut, kDone };

  static bool Reserved(uint64_t lba);
  void Leave();

  VendorCommandSet& commands_;
  std::vector<uint64_t> commandLbas_;
  bool noEcho_;
  int detectStep_ = 0;
  bool vendorMode_ = false;
  Phase phase_ = Phase::kIdle;
  uint64_t commandLba_ = vlba::kCommand;
  Sector block_{};
  std::vector<uint8_t> data_;
  bool dataFails_ = false;
};

}  // namespace lab::drives
