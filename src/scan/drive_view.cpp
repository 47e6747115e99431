#include "scan/drive_view.h"

namespace app {

const ControllerProfile* ProfileOf(const SlotData& data, const ProfileTable& profiles) {
  const int p = data.profileIndex;
  if (p < 0 || p >= profiles.ProfileCount || p >= kMaxProfiles) return nullptr;
  return &profiles.Profiles[static_cast<size_t>(p)];
}

IdentityTexts DriveView::Identity() const {
  return TrimmedIdentity(IsNvme() ? NvmeIdentityTexts(data.nvmeIdentifyController)
                                  : AtaIdentityTexts(data.ataIdentify));
}

DriveView TableDriveViews::At(int row) {
  SlotData& data = table_.Slot(row).data;
  return DriveView{row, devices_.At(row), data, ProfileOf(data, profiles_)};
}

}  // namespace app
