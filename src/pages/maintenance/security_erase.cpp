#include "pages/maintenance/security_erase.h"

#include <algorithm>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "scan/drive_use.h"

namespace maintenance {

std::array<uint8_t, kSecurityBlockBytes> SecurityBlock(const std::string& password) {
  std::array<uint8_t, kSecurityBlockBytes> block{};
  const size_t n = std::min(password.size(), kSecurityPasswordBytes);
  std::copy_n(password.begin(), n, block.begin() + kSecurityPasswordOffset);
  return block;
}

std::array<uint8_t, kNvmeCommandImageBytes> FormatNvmImage() {
  std::array<uint8_t, kNvmeCommandImageBytes> image{};
  image[0] = kNvmeOpFormatNvm;
  common::WriteLe32(image, kNvmeImageNsidOffset, 1);
  return image;
}

void SecurityEraseOperation::Run(app::DriveRun& run) {
  // Asked now, not at the scan: a volume mounted since then counts.
  const std::string refusal = os_ != nullptr ? app::DriveUseRefusal(*os_, drive_)
                              : drive_.data.systemDisk
                                  ? app::DriveUseName(drive_) + " holds the running system"
                                  : std::string();
  if (!refusal.empty()) {
    run.Log(common::Format("Dev_%d          : %s; nothing was sent to it", drive_.row,
                           refusal.c_str()));
    run.Fail(refusal);
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
  run.Step("Format NVM");
  // Format NVM moves no data. A data buffer sent along with it makes the
  // request malformed for the miniport (its length is counted but nothing
  // is transferred), which refuses it; so none is sent.
  const auto image = FormatNvmImage();
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
  const std::string password =
      drive_.profile ? drive_.profile->SecurityErasePWD : app::kDefaultSecurityErasePWD;
  const auto block = SecurityBlock(password);
  run.Step("Set Password");
  if (drive_.access.SecuritySetPassword(block) != 0) {
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
  const bool removed = drive_.access.SecurityDisablePassword(block) == 0;
  run.Log(common::Format(
      removed ? "Dev_%d          : the erase failed; the security password was removed again"
              : "Dev_%d          : the erase failed and the security password could not be "
                "removed: the drive locks at its next power-on",
      drive_.row));
}

}  // namespace maintenance
