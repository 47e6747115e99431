#include "scan/drive_discovery.h"

namespace app {

void AspiDiscovery::Scan(uint32_t scanFlags, uint32_t probeTimeoutSeconds) {
  device::ScanSettings settings;
  settings.ShowPhysicalOnly = options_.ShowPhysicalOnly;
  settings.IncludeSystemDrive = options_.IncludeSystemDrive;
  settings.DisCheckSCSIStatus = options_.DisCheckSCSIStatus;
  // A failed scan leaves the list empty; ScanTarget then lists nothing.
  aspi_.Scan(scanFlags, probeTimeoutSeconds, settings);
}

}  // namespace app
