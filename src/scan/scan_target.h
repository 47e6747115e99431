#pragma once
// ScanTarget: runs the discovery and turns the drives it lists into the device
// table. Every listed drive goes into the data backup's source and destination
// lists; a drive built on a controller of the profile table fills the next
// slot, until all 16 are taken.
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"
#include "platform/os.h"
#include "scan/device_table.h"
#include "scan/drive_access.h"
#include "scan/drive_discovery.h"
#include "ui/inputs.h"

namespace app {

inline constexpr uint32_t kProbeTimeoutSeconds = 5;
inline constexpr uint32_t kIdentifyTimeoutSeconds = 15;
inline constexpr uint32_t kAfterIdentifyTimeoutSeconds = 20;

// Which object identifies the drive of a slot: the table's own VKMClass in the
// program; tests put scripted controllers in their place.
class SlotDeviceSource {
 public:
  virtual ~SlotDeviceSource() = default;
  virtual DriveAccess& At(int slot) = 0;
};

class TableSlotDevices : public SlotDeviceSource {
 public:
  explicit TableSlotDevices(DeviceTable& table) : table_(table) {}
  DriveAccess& At(int slot) override { return table_.Slot(slot).device; }

 private:
  DeviceTable& table_;
};

// The data backup's two drive lists.
struct BackupLists {
  ui::ComboBox& source;
  ui::ComboBox& destination;
};

class DeviceScan {
 public:
  DeviceScan(os::Os& os, const AppOptions& options, const ProfileTable& profiles,
             DriveDiscovery& discovery, DeviceTable& table, SlotDeviceSource& devices)
      : os_(os),
        options_(options),
        profiles_(profiles),
        discovery_(discovery),
        table_(table),
        devices_(devices) {}

  void ScanTarget(const BackupLists& backup);
  // Drives found by the last ScanTarget that are not in the device table for
  // a reason other than being another maker's drive: the discovery's drops,
  // and the drives past the 16th slot.
  const std::vector<device::DroppedDrive>& Dropped() const { return dropped_; }

 private:
  void OpenForIdentify(device::StorageDevice& drive);
  // `index`: the drive's place in the discovery list.
  void IdentifyCandidate(device::StorageDevice& drive, int index);

  os::Os& os_;
  const AppOptions& options_;
  const ProfileTable& profiles_;
  DriveDiscovery& discovery_;
  DeviceTable& table_;
  SlotDeviceSource& devices_;
  std::vector<device::DroppedDrive> dropped_;
};

// "2 drives found but not listed: PHYSICALDRIVE3 (why); PHYSICALDRIVE5 (why)",
// or empty when nothing was dropped.
std::string DroppedDrivesText(const std::vector<device::DroppedDrive>& dropped);

}  // namespace app
