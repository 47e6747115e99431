#pragma once
// The security password an erase may leave on an ATA drive. A SET PASSWORD
// can reach the drive although its reply was lost, and a DISABLE PASSWORD can
// fail once: either way the drive would come up locked at its next power-on
// and vanish from every list. So after any SET PASSWORD attempt the security
// state is read back from IDENTIFY DEVICE, and while a password is enabled it
// is disabled again, a bounded number of times, then with the master
// password when one is known.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "scan/drive_access.h"

namespace maintenance {

inline constexpr size_t kIdentifyBytes = 512;
inline constexpr size_t kSecurityStatusWord = 128;
inline constexpr uint16_t kSecurityEnabledBit = 0x0002;
inline constexpr uint16_t kSecurityLockedBit = 0x0004;
inline constexpr int kDisableTries = 3;
// Control word 0 of a block that names the master password.
inline constexpr uint16_t kControlMasterPassword = 0x0001;

enum class PasswordState {
  kNone,     // security disabled: nothing locks at power-on
  kEnabled,  // a user password is set
  kUnknown,  // IDENTIFY DEVICE did not answer
};

// IDENTIFY DEVICE word 128, read now.
PasswordState ReadPasswordState(app::DriveAccess& access);

// The 512-byte block of DISABLE PASSWORD with the master password.
std::array<uint8_t, 512> MasterPasswordBlock(const std::string& master);

struct PasswordRemoval {
  PasswordState state = PasswordState::kUnknown;  // after the last try
  int disables = 0;                               // DISABLE PASSWORD commands sent
  bool byMaster = false;                          // the master password removed it
  bool Removed() const { return state == PasswordState::kNone; }
};

// Disables the user password in `userBlock` while the drive reports one (or
// cannot say), up to kDisableTries times, then with `master` when given. A
// drive whose IDENTIFY never answers counts as cleared only after a DISABLE
// it took.
PasswordRemoval RemoveLeftPassword(app::DriveAccess& access,
                                   std::span<const uint8_t> userBlock,
                                   const std::optional<std::string>& master);

// "PHYSICALDRIVE1 keeps the security password '...': unlock it with ..."
std::string KeptPasswordNotice(const std::string& drive, const std::string& password);

}  // namespace maintenance
