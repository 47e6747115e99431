#include "pages/maintenance/namespace_format.h"

#include "common/text.h"
#include "device/usage/disk_use.h"
#include "device/usage/namespace_siblings.h"

namespace maintenance {
namespace {

// The disk the scan matched the drive to; a drive listed only by its SCSI
// port has its disk from the port, never from its name.
int DiskNumberOf(const app::DriveView& drive) {
  return drive.data.diskNumber >= 0 ? drive.data.diskNumber
                                    : device::DiskNumberOfName(drive.DisplayName());
}

// The scan's system-disk mark of listed drive `diskNumber`, if it is listed.
bool MarkedSystemDisk(app::DriveViews& drives, int diskNumber) {
  for (int row = 0; row < drives.Count(); ++row) {
    const app::DriveView v = drives.At(row);
    if (v.data.systemDisk && DiskNumberOf(v) == diskNumber) return true;
  }
  return false;
}

}  // namespace

uint32_t NamespaceIdOf(const app::DriveView& drive) {
  const app::DriveAccess::Address a = drive.access.ScsiAddress();
  return a.Known() ? device::NamespaceIdOfLun(a.lun) : 1;
}

bool FormatsAllNamespaces(std::span<const uint8_t> identifyController) {
  return identifyController.size() > kIdentifyFna &&
         (identifyController[kIdentifyFna] & (kFnaFormatAll | kFnaEraseAll)) != 0;
}

std::string SharedFormatRefusal(os::Os& os, app::DriveViews& drives, const app::DriveView& drive) {
  if (!FormatsAllNamespaces(drive.data.nvmeIdentifyController)) return "";
  const int disk = DiskNumberOf(drive);
  if (disk < 0) return "";
  for (const device::NamespaceDisk& other : device::SiblingNamespaces(os, disk)) {
    device::DiskUse use = device::QueryDiskUse(os, other.diskNumber);
    if (MarkedSystemDisk(drives, other.diskNumber)) use.systemDisk = true;
    const std::string name = common::Format("%s%d", device::kPhysicalDriveName, other.diskNumber);
    std::string why = device::DiskUseRefusal(name, use);
    if (why.empty()) continue;
    // "PHYSICALDRIVE2 holds ..." becomes "PHYSICALDRIVE2 (namespace 1) holds ...".
    why.insert(name.size(), common::Format(" (namespace %u)", other.nsid));
    return common::Format(
        "%s cannot be formatted alone: its controller formats all namespaces together and %s",
        drive.DisplayName().c_str(), why.c_str());
  }
  return "";
}

}  // namespace maintenance
