#include "pages/maintenance/security_erase.h"

#include <algorithm>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "config/run_log/run_log_lines.h"
#include "device/core/dev_attribute.h"
#include "pages/maintenance/left_password.h"
#include "pages/maintenance/namespace_format.h"
#include "scan/drive_use.h"
#include "scan/identity_recheck.h"

namespace maintenance {

std::array<uint8_t, kSecurityBlockBytes> SecurityBlock(const std::string& password) {
  std::array<uint8_t, kSecurityBlockBytes> block{};
  const size_t n = std::min(password.size(), kSecurityPasswordBytes);
  std::copy_n(password.begin(), n, block.begin() + kSecurityPasswordOffset);
  return block;
}

std::array<uint8_t, kNvmeCommandImageBytes> FormatNvmImage(uint32_t nsid) {
  std::array<uint8_t, kNvmeCommandImageBytes> image{};
  image[0] = kNvmeOpFormatNvm;
  common::WriteLe32(image, kNvmeImageNsidOffset, nsid);
  return image;
}

void SecurityEraseOperation::Run(app::DriveRun& run) {
  // Asked now, not at the scan: a volume mounted since then counts.
  const std::string refusal = settings_.os != nullptr ? app::DriveUseRefusal(*settings_.os, drive_)
                              : drive_.data.systemDisk
                                  ? app::DriveUseName(drive_) + " holds the running system"
                                  : std::string();
  if (!refusal.empty()) {
    run.Log(app::RowNoteLine(drive_.row,
                             common::Format("%s; nothing was sent to it", refusal.c_str())));
    run.Fail(refusal);
    return;
  }
  // Asked right before the first erase command: a disk swapped in under the
  // same name since the list was filled is not the one the user ticked.
  if (const std::string changed = app::RecheckIdentity(drive_); !changed.empty()) {
    run.Log(app::RowNoteLine(drive_.row,
                             common::Format("%s; nothing was sent to it", changed.c_str())));
    run.Fail(changed);
    return;
  }
  if (drive_.IsNvme()) {
    FormatNvm(run);
    return;
  }
  drive_.access.SetCommandTimeout(kEraseTimeoutSeconds);
  if (settings_.vendorCommand) {
    VendorErase(run);
  } else {
    AtaSecurityErase(run);
  }
  drive_.access.SetCommandTimeout(kAfterEraseTimeoutSeconds);
}

void SecurityEraseOperation::FormatNvm(app::DriveRun& run) {
  if (settings_.os != nullptr && settings_.drives != nullptr) {
    const std::string refusal = SharedFormatRefusal(*settings_.os, *settings_.drives, drive_);
    if (!refusal.empty()) {
      run.Log(app::RowNoteLine(drive_.row,
                               common::Format("%s; nothing was sent to it", refusal.c_str())));
      run.Fail(refusal);
      return;
    }
  }
  run.Step("Format NVM");
  // Format NVM moves no data. A data buffer sent along with it makes the
  // request malformed for the miniport (its length is counted but nothing
  // is transferred), which refuses it; so none is sent.
  const auto image = FormatNvmImage(NamespaceIdOf(drive_));
  if (drive_.access.NvmeAdminCommand(image, {}) == 0) {
    run.Pass(kErasePass);
  } else {
    run.Fail(kFormatError);
  }
}

void SecurityEraseOperation::VendorErase(app::DriveRun& run) {
  run.Step("Vendor Erase");
  std::vector<uint8_t> reply(kVendorEraseReplyBytes, 0);
  if (drive_.access.VendorErase(reply, settings_.nand3D) == 0) {
    run.Pass(kErasePass);
  } else {
    run.Fail(kVendorEraseError);
  }
}

void SecurityEraseOperation::AtaSecurityErase(app::DriveRun& run) {
  const std::string password = Password();
  const auto block = SecurityBlock(password);
  run.Step("Set Password");
  if (drive_.access.SecuritySetPassword(block) != 0) {
    // A path that carries no ATA command never sent it; any other may have
    // delivered it and lost only the reply.
    if (drive_.access.AccessAttribute() & device::STORAGE_ATA) RemovePassword(run, block);
    run.Fail(kSetPasswordError);
    return;
  }
  run.Progress(30);
  run.Step("Erase Prepare");
  if (drive_.access.SecurityErasePrepare() != 0) {
    RemovePassword(run, block);
    run.Fail(kErasePrepareError);
    return;
  }
  run.Progress(40);
  run.Step("Erase Unit");
  // ERASE UNIT gets a block of its own, built afresh with the same password.
  const auto eraseBlock = SecurityBlock(password);
  if (drive_.access.SecurityEraseUnit(eraseBlock) != 0) {
    RemovePassword(run, block);
    run.Fail(kEraseUnitError);
    return;
  }
  run.Pass(kErasePass);
}

void SecurityEraseOperation::RemovePassword(app::DriveRun& run,
                                            const std::array<uint8_t, kSecurityBlockBytes>& block) {
  run.Step("Disable Password");
  const PasswordRemoval removal = RemoveLeftPassword(drive_.access, block, MasterPassword());
  if (removal.Removed()) {
    if (removal.disables > 0) {
      run.Log(app::RowNoteLine(
          drive_.row, common::Format("the erase failed; the security password was removed again%s",
                                     removal.byMaster ? " with the master password" : "")));
    }
    return;
  }
  run.Log(app::RowNoteLine(
      drive_.row,
      common::Format("the erase failed and the security password could not be removed "
                     "(%d DISABLE PASSWORD tried): the drive locks at its next power-on",
                     removal.disables)));
  run.Notice(KeptPasswordNotice(drive_.DisplayName(), Password()));
}

std::string SecurityEraseOperation::Password() const {
  return drive_.profile ? drive_.profile->SecurityErasePWD : app::kDefaultSecurityErasePWD;
}

std::optional<std::string> SecurityEraseOperation::MasterPassword() const {
  if (!drive_.profile || drive_.profile->SecurityMasterPWD.empty()) return std::nullopt;
  return drive_.profile->SecurityMasterPWD;
}

}  // namespace maintenance
