#include "shell/cli/cli_disk_use.h"

#include "device/usage/disk_use.h"

namespace app::cli {

void AddDiskUse(std::vector<CliDrive>& drives, bool enumerated, SessionPlugins& plugins,
                os::Os& os) {
  device::AspiLib& aspi = plugins.Scan().Aspi();
  DeviceTable& table = plugins.Scan().Table();
  for (CliDrive& d : drives) {
    if (enumerated) {
      d.diskNumber = aspi.DiskNumber(d.index);
      d.systemDisk = aspi.IsSystemDisk(d.diskNumber);
    } else if (table.Filled(d.index)) {
      const SlotData& data = table.Slot(d.index).data;
      d.diskNumber = data.diskNumber;
      d.systemDisk = data.systemDisk;
    }
    const device::DiskUse use = device::QueryDiskUse(os, d.diskNumber);
    d.systemDisk = d.systemDisk || use.systemDisk;
    d.usedBy = use.users;
  }
}

}  // namespace app::cli
