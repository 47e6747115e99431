#include "scan/drive_use.h"

#include "common/text.h"

namespace app {

device::DiskUse DriveUse(os::Os& os, const DriveView& drive) {
  device::DiskUse use = device::QueryDiskUse(os, drive.data.diskNumber);
  use.systemDisk = use.systemDisk || drive.data.systemDisk;
  return use;
}

std::string DriveUseName(const DriveView& drive) {
  const std::string name = common::Trim(drive.DisplayName());
  if (drive.data.diskNumber < 0) return name;
  const std::string physical = common::Format("PHYSICALDRIVE%d", drive.data.diskNumber);
  if (name.empty()) return physical;
  return common::EqualsNoCase(name, physical) ? name : name + " (" + physical + ")";
}

std::string DriveUseRefusal(os::Os& os, const DriveView& drive) {
  return device::DiskUseRefusal(DriveUseName(drive), DriveUse(os, drive));
}

}  // namespace app
