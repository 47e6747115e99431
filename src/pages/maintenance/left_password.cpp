#include "pages/maintenance/left_password.h"

#include <algorithm>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"

namespace maintenance {
namespace {

constexpr size_t kPasswordOffset = 2;
constexpr size_t kPasswordBytes = 32;

// One DISABLE PASSWORD with `block` and the state read back after it. A
// drive that answers no IDENTIFY is believed only when it took the DISABLE.
PasswordState DisableOnce(app::DriveAccess& access, std::span<const uint8_t> block,
                          PasswordRemoval& removal) {
  ++removal.disables;
  const bool taken = access.SecurityDisablePassword(block) == 0;
  const PasswordState after = ReadPasswordState(access);
  if (after == PasswordState::kUnknown && taken) return PasswordState::kNone;
  return after;
}

}  // namespace

PasswordState ReadPasswordState(app::DriveAccess& access) {
  std::vector<uint8_t> identify(kIdentifyBytes, 0);
  if (!access.IdentifyDevice(identify)) return PasswordState::kUnknown;
  const uint16_t word = common::ReadLe16(identify, kSecurityStatusWord * 2);
  return (word & kSecurityEnabledBit) ? PasswordState::kEnabled : PasswordState::kNone;
}

std::array<uint8_t, 512> MasterPasswordBlock(const std::string& master) {
  std::array<uint8_t, 512> block{};
  common::WriteLe16(block, 0, kControlMasterPassword);
  std::copy_n(master.begin(), std::min(master.size(), kPasswordBytes),
              block.begin() + kPasswordOffset);
  return block;
}

PasswordRemoval RemoveLeftPassword(app::DriveAccess& access, std::span<const uint8_t> userBlock,
                                   const std::optional<std::string>& master) {
  PasswordRemoval removal;
  removal.state = ReadPasswordState(access);
  for (int t = 0; t < kDisableTries && !removal.Removed(); ++t) {
    removal.state = DisableOnce(access, userBlock, removal);
  }
  if (!removal.Removed() && master && !master->empty()) {
    const auto block = MasterPasswordBlock(*master);
    for (int t = 0; t < kDisableTries && !removal.Removed(); ++t) {
      removal.state = DisableOnce(access, block, removal);
      removal.byMaster = removal.Removed();
    }
  }
  return removal;
}

std::string KeptPasswordNotice(const std::string& drive, const std::string& password) {
  const std::string shown =
      common::ShownText(password.substr(0, std::min(password.size(), kPasswordBytes)));
  return common::Format(
      "%s keeps the security password '%s': unlock it with SECURITY UNLOCK and then SECURITY "
      "DISABLE PASSWORD, both with this user password; until then it is locked at every "
      "power-on",
      drive.c_str(), shown.c_str());
}

}  // namespace maintenance
