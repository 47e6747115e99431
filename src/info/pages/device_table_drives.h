#pragma once
// The information pages' view of the program's device table: each slot's
// VKMClass object answers the page commands, and its profile index names the
// profile in the run's profile table.
#include "app/scan/device_table.h"
#include "app/settings/controller_profile.h"
#include "info/pages/info_drive.h"

namespace info {

// One slot's VKMClass as an InfoDrive.
class VkmInfoDrive : public InfoDrive {
 public:
  void Bind(app::VKMClass* device) { device_ = device; }

  bool IsNvme() const override;
  bool IdentifyDevice(std::span<uint8_t> out) override;
  bool SmartEnableOperations() override;
  bool SmartReadData(std::span<uint8_t> out) override;
  bool IdentifyController(std::span<uint8_t> out) override;
  int ReadSmartHealthLog(std::span<uint8_t> out) override;
  uint16_t StatusCode() const override;
  uint16_t StatusCodeType() const override;

 private:
  app::VKMClass* device_ = nullptr;
};

class DeviceTableDrives : public InfoDriveTable {
 public:
  DeviceTableDrives(app::DeviceTable& table, const app::ProfileTable& profiles)
      : table_(table), profiles_(profiles) {}

  int Count() const override { return table_.DeviceCount(); }
  InfoDrive& Drive(int index) override;
  app::SlotData& Data(int index) override { return table_.Slot(index).data; }
  const app::ControllerProfile* Profile(int index) const override;

 private:
  app::DeviceTable& table_;
  const app::ProfileTable& profiles_;
  VkmInfoDrive drive_;
};

}  // namespace info
