#pragma once
// The ATA security feature set of a drive as a state machine: passwords and
// level persist (SecurityRecord), lock, freeze, the erase-prepare step and the
// unlock attempt counter live until the next power-on.
#include <cstdint>
#include <functional>
#include <span>

#include "lab/drives/drive_state.h"

namespace lab::drives {

class AtaSecurity {
 public:
  enum class Result { kOk, kAbort };

  // `frozenAtPowerOn`: the drive is frozen at every power-on, as firmware that
  // freezes the drive while the machine boots leaves it.
  AtaSecurity(SecurityRecord& record, const Password& factoryMaster, bool enhancedErase,
              bool frozenAtPowerOn = false);

  // Power-on: a drive with a user password comes up locked (SEC4), else
  // unlocked (SEC1), frozen (SEC2) when frozen at power-on; a locked drive
  // cannot be frozen, so it stays locked. A prepared erase and the attempt
  // counter are reset.
  void PowerOn();
  // Every command other than ERASE UNIT that follows ERASE PREPARE cancels it.
  void NoteCommand(uint8_t opcode);

  bool Locked() const { return locked_; }
  bool Frozen() const { return frozen_; }
  uint16_t StatusWord() const;  // IDENTIFY word 128

  // The 512-byte data blocks of SET PASSWORD, UNLOCK, ERASE UNIT and DISABLE
  // PASSWORD: word 0 control (bit 0 master, bit 1 enhanced erase, bit 8 maximum
  // level), words 1-16 password, word 17 master password identifier.
  Result SetPassword(std::span<const uint8_t> block);
  Result Unlock(std::span<const uint8_t> block);
  Result ErasePrepare();
  // `erase` zeroes the user data; ERASE UNIT fails when it does.
  Result EraseUnit(std::span<const uint8_t> block, const std::function<bool()>& erase);
  Result DisablePassword(std::span<const uint8_t> block);
  Result FreezeLock();

 private:
  static constexpr int kAttempts = 5;

  const Password& Master() const;
  bool Matches(std::span<const uint8_t> block) const;
  // A wrong password counts against the attempts until the next power-on.
  void CountFailure();

  SecurityRecord& record_;
  Password factoryMaster_;
  bool enhancedErase_;
  bool frozenAtPowerOn_;
  bool locked_ = false;
  bool frozen_ = false;
  bool erasePrepared_ = false;
  int attemptsLeft_ = kAttempts;
};

}  // namespace lab::drives
