#pragma once
// The one view of an identified drive that every page reads: its row in the
// drive lists, its access object (the commands it answers), what the scan read
// from it (identify, SMART, parameter block, NVMe pages) and the controller
// profile the scan matched. The scan provides the views over its device table;
// tests provide their own drives behind the same interface.
#include <string>

#include "config/settings/controller_profile.h"
#include "scan/device_table.h"
#include "scan/drive_access.h"
#include "scan/scan_rules.h"
#include "scan/scan_target.h"

namespace app {

struct DriveView {
  int row = -1;
  DriveAccess& access;
  SlotData& data;
  const ControllerProfile* profile = nullptr;  // null: the slot names none

  bool IsNvme() const { return access.IsNvmeDrive(); }
  std::string DisplayName() const { return access.DevName(); }
  // Serial, firmware and model as the drive last reported them (IDENTIFY
  // DEVICE or Identify Controller in the slot), trimmed, raw bytes kept.
  IdentityTexts Identity() const;
};

class DriveViews {
 public:
  virtual ~DriveViews() = default;
  // Identified drives, rows 0 .. Count()-1.
  virtual int Count() const = 0;
  // 0 <= row < Count(); valid until the next scan.
  virtual DriveView At(int row) = 0;
  bool Has(int row) const { return row >= 0 && row < Count(); }
};

// The matched profile of a slot, or null when its index names none.
const ControllerProfile* ProfileOf(const SlotData& data, const ProfileTable& profiles);

// The views over the scan's device table.
class TableDriveViews : public DriveViews {
 public:
  TableDriveViews(DeviceTable& table, SlotDeviceSource& devices, const ProfileTable& profiles)
      : table_(table), devices_(devices), profiles_(profiles) {}

  int Count() const override { return table_.DeviceCount(); }
  DriveView At(int row) override;

 private:
  DeviceTable& table_;
  SlotDeviceSource& devices_;
  const ProfileTable& profiles_;
};

}  // namespace app
