#include "info/pages/device_table_drives.h"

namespace info {

bool VkmInfoDrive::IsNvme() const { return device_ != nullptr && device_->IsNvmeDrive(); }

bool VkmInfoDrive::IdentifyDevice(std::span<uint8_t> out) {
  return device_ != nullptr && device_->IdentifyDevice(out);
}

bool VkmInfoDrive::SmartEnableOperations() {
  return device_ != nullptr && device_->SmartEnableOperations();
}

bool VkmInfoDrive::SmartReadData(std::span<uint8_t> out) {
  return device_ != nullptr && device_->SmartReadData(out);
}

bool VkmInfoDrive::IdentifyController(std::span<uint8_t> out) {
  return device_ != nullptr && device_->NvmeIdentify(out, 0, true);
}

int VkmInfoDrive::ReadSmartHealthLog(std::span<uint8_t> out) {
  if (device_ == nullptr || !device_->IsNvmeDrive()) return vendor::kNvmeOpenFailed;
  return device_->GetLogPage(out, kSmartHealthLogId, 0, kAllNamespaces, 0, 0);
}

uint16_t VkmInfoDrive::StatusCode() const { return device_ ? device_->StatusCode() : 0; }

uint16_t VkmInfoDrive::StatusCodeType() const { return device_ ? device_->StatusCodeType() : 0; }

InfoDrive& DeviceTableDrives::Drive(int index) {
  drive_.Bind(&table_.Slot(index).device);
  return drive_;
}

const app::ControllerProfile* DeviceTableDrives::Profile(int index) const {
  const int p = table_.Slot(index).data.profileIndex;
  if (p < 0 || p >= profiles_.ProfileCount || p >= app::kMaxProfiles) return nullptr;
  return &profiles_.Profiles[static_cast<size_t>(p)];
}

}  // namespace info
