#include "scan/drive_discovery.h"

#include "device/core/dev_attribute.h"

namespace app {

int DriveDiscovery::DiskNumber(int index) {
  const device::StorageDevice& drive = Device(index);
  if (drive.devAttribute & device::STORAGE_SCSI_PORT) return -1;
  return static_cast<int>(drive.devOrder);
}

void AspiDiscovery::Scan(uint32_t scanFlags, uint32_t probeTimeoutSeconds) {
  device::ScanSettings settings;
  settings.ShowPhysicalOnly = options_.ShowPhysicalOnly;
  settings.IncludeSystemDrive = options_.IncludeSystemDrive;
  settings.DisCheckSCSIStatus = options_.DisCheckSCSIStatus;
  // A failed scan leaves the list empty; ScanTarget then lists nothing.
  aspi_.Scan(scanFlags, probeTimeoutSeconds, settings);
}

}  // namespace app
