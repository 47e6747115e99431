#pragma once
// The security erase of one drive, by the method its access path calls for:
// NVMe Format NVM, the ATA security erase sequence, or the controller's own
// erase when VuCmd is set. A drive left with its user password set after a
// failed erase would lock at its next power-on, so the password is removed
// again before the drive is given up.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "run/drive_run.h"
#include "platform/os.h"
#include "scan/drive_view.h"

namespace maintenance {

inline constexpr uint32_t kEraseTimeoutSeconds = 300;
inline constexpr uint32_t kAfterEraseTimeoutSeconds = 20;
inline constexpr size_t kSecurityBlockBytes = 512;
inline constexpr size_t kSecurityPasswordOffset = 2;
inline constexpr size_t kSecurityPasswordBytes = 32;
inline constexpr size_t kVendorEraseReplyBytes = 1024;
inline constexpr uint8_t kNvmeOpFormatNvm = 0x80;
inline constexpr size_t kNvmeCommandImageBytes = 64;
inline constexpr size_t kNvmeImageNsidOffset = 4;

inline constexpr const char* kErasePass = "PASS";
inline constexpr const char* kFormatError = "Send NVMe Format Error...";
inline constexpr const char* kVendorEraseError = "Security Erase Error...";
inline constexpr const char* kSetPasswordError = "Set Password Error...";
inline constexpr const char* kErasePrepareError = "Send Security Erase Prepare Error...";
inline constexpr const char* kEraseUnitError = "Send Security Erase Unit Error...";

struct EraseSettings {
  bool vendorCommand = false;  // VuCmd
  bool nand3D = true;          // 3DNand: F0 57 instead of F0 54
  // The machine and the listed drives, asked whether an NVMe format would
  // reach a namespace that must not be formatted (null: not asked).
  os::Os* os = nullptr;
  app::DriveViews* drives = nullptr;
};

// The 512-byte data block of SET PASSWORD, ERASE UNIT and DISABLE PASSWORD:
// control word 0 (user password, high security level, normal erase) and the
// password, zero-padded to 32 bytes and cut at 32 characters.
std::array<uint8_t, kSecurityBlockBytes> SecurityBlock(const std::string& password);

// Format NVM of namespace `nsid` with LBA format 0 and no secure erase setting.
std::array<uint8_t, kNvmeCommandImageBytes> FormatNvmImage(uint32_t nsid = 1);

class SecurityEraseOperation : public app::DriveOperation {
 public:
  // With `settings.os`, the drive's disk is checked for the system and for
  // users right before anything is sent; without, only the scan's system mark.
  SecurityEraseOperation(app::DriveView drive, EraseSettings settings)
      : drive_(drive), settings_(settings) {}
  void Run(app::DriveRun& run) override;

 private:
  void FormatNvm(app::DriveRun& run);
  void VendorErase(app::DriveRun& run);
  void AtaSecurityErase(app::DriveRun& run);
  // After a failure that may have left the password set: removed while the
  // drive reports one, and the user told when it stays.
  void RemovePassword(app::DriveRun& run, const std::array<uint8_t, kSecurityBlockBytes>& block);
  std::string Password() const;
  // The profile's SecurityMasterPWD; none when not given.
  std::optional<std::string> MasterPassword() const;

  app::DriveView drive_;
  EraseSettings settings_;
};

}  // namespace maintenance
