#include "lab/drives/ata/ata_security.h"

#include <algorithm>

#include "common/bytes.h"
#include "lab/drives/ata/ata_identify.h"

namespace lab::drives {

namespace {

constexpr uint16_t kControlMaster = 0x0001;
constexpr uint16_t kControlEnhanced = 0x0002;
constexpr uint16_t kControlMaximum = 0x0100;
constexpr size_t kPasswordOffset = 2;
constexpr size_t kMasterIdOffset = 34;
constexpr uint8_t kOpErasePrepare = 0xF3;
constexpr uint8_t kOpEraseUnit = 0xF4;

uint16_t Control(std::span<const uint8_t> block) { return common::ReadLe16(block, 0); }

Password PasswordOf(std::span<const uint8_t> block) {
  Password p{};
  for (size_t i = 0; i < p.size(); ++i) p[i] = common::Read8(block, kPasswordOffset + i);
  return p;
}

}  // namespace

AtaSecurity::AtaSecurity(SecurityRecord& record, const Password& factoryMaster, bool enhancedErase,
                         bool frozenAtPowerOn)
    : record_(record),
      factoryMaster_(factoryMaster),
      enhancedErase_(enhancedErase),
      frozenAtPowerOn_(frozenAtPowerOn) {
  PowerOn();
}

void AtaSecurity::PowerOn() {
  locked_ = record_.enabled;
  // FREEZE LOCK is refused in the locked state, so firmware that freezes at
  // boot leaves a locked drive locked.
  frozen_ = frozenAtPowerOn_ && !locked_;
  erasePrepared_ = false;
  attemptsLeft_ = kAttempts;
}

void AtaSecurity::NoteCommand(uint8_t opcode) {
  if (opcode != kOpEraseUnit && opcode != kOpErasePrepare) erasePrepared_ = false;
}

uint16_t AtaSecurity::StatusWord() const {
  uint16_t w = kSecSupported;
  if (record_.enabled) w |= kSecEnabled;
  if (locked_) w |= kSecLocked;
  if (frozen_) w |= kSecFrozen;
  if (attemptsLeft_ == 0) w |= kSecCountExpired;
  if (enhancedErase_) w |= kSecEnhancedErase;
  if (record_.enabled && record_.maximumLevel) w |= kSecMaximumLevel;
  return w;
}

const Password& AtaSecurity::Master() const {
  return record_.masterChanged ? record_.masterPassword : factoryMaster_;
}

bool AtaSecurity::Matches(std::span<const uint8_t> block) const {
  const Password given = PasswordOf(block);
  if (Control(block) & kControlMaster) {
    // At maximum level the master password only erases; it never unlocks.
    return given == Master();
  }
  return record_.enabled && given == record_.userPassword;
}

void AtaSecurity::CountFailure() {
  if (attemptsLeft_ > 0) --attemptsLeft_;
}

AtaSecurity::Result AtaSecurity::SetPassword(std::span<const uint8_t> block) {
  if (frozen_ || locked_) return Result::kAbort;
  const uint16_t control = Control(block);
  if (control & kControlMaster) {
    record_.masterPassword = PasswordOf(block);
    record_.masterChanged = true;
    const uint16_t id = common::ReadLe16(block, kMasterIdOffset);
    // FFFFh and 0000h are reserved identifiers: the drive keeps the old one.
    if (id != 0 && id != 0xFFFF) record_.masterPasswordId = id;
    return Result::kOk;
  }
  record_.userPassword = PasswordOf(block);
  record_.maximumLevel = (control & kControlMaximum) != 0;
  record_.enabled = true;  // enabled and unlocked until the next power-on
  return Result::kOk;
}

AtaSecurity::Result AtaSecurity::Unlock(std::span<const uint8_t> block) {
  if (frozen_ || !record_.enabled) return Result::kAbort;
  if (attemptsLeft_ == 0) return Result::kAbort;
  const bool master = Control(block) & kControlMaster;
  if (master && record_.maximumLevel) {
    CountFailure();
    return Result::kAbort;
  }
  if (!Matches(block)) {
    if (locked_) CountFailure();
    return Result::kAbort;
  }
  locked_ = false;
  return Result::kOk;
}

AtaSecurity::Result AtaSecurity::ErasePrepare() {
  if (frozen_) return Result::kAbort;
  erasePrepared_ = true;
  return Result::kOk;
}

AtaSecurity::Result AtaSecurity::EraseUnit(std::span<const uint8_t> block,
                                           const std::function<bool()>& erase) {
  const bool prepared = erasePrepared_;
  erasePrepared_ = false;
  if (!prepared || frozen_) return Result::kAbort;
  if ((Control(block) & kControlEnhanced) && !enhancedErase_) return Result::kAbort;
  if (attemptsLeft_ == 0) return Result::kAbort;
  if (!Matches(block)) {
    CountFailure();
    return Result::kAbort;
  }
  if (!erase()) return Result::kAbort;
  record_.enabled = false;
  record_.maximumLevel = false;
  record_.userPassword = Password{};
  locked_ = false;
  return Result::kOk;
}

AtaSecurity::Result AtaSecurity::DisablePassword(std::span<const uint8_t> block) {
  if (frozen_ || locked_ || !record_.enabled) return Result::kAbort;
  const bool master = Control(block) & kControlMaster;
  if ((master && record_.maximumLevel) || !Matches(block)) return Result::kAbort;
  record_.enabled = false;
  record_.maximumLevel = false;
  record_.userPassword = Password{};
  return Result::kOk;
}

AtaSecurity::Result AtaSecurity::FreezeLock() {
  if (locked_) return Result::kAbort;
  frozen_ = true;
  return Result::kOk;
}

}  // namespace lab::drives
