#pragma once
// Whether a controller or NVM subsystem reset after a firmware commit may be
// made. A reset takes the controller's namespaces away for a moment and runs
// new firmware under whatever uses them, so it is never made on a controller
// that serves the system disk or a disk in use; an NVM subsystem reset takes
// down every controller of the subsystem, so all of them are asked.
#include <string>
#include <vector>

#include "platform/linux/disk_usage.h"
#include "platform/linux/sysfs_disks.h"

namespace os::linuxos {

// Why the reset of controller "nvme<controller>" (with `siblings`, the other
// controllers of its subsystem, for a subsystem reset) must not be made, or
// "" when it may: "nvme0 serves nvme0n1, which holds / (the running system)".
std::string ResetRefusal(const std::vector<SysfsDisk>& disks, const DiskUsage& usage,
                         int controller, const std::vector<int>& siblings);

// The controller numbers in state attribute paths ".../class/nvme/nvme3/state".
std::vector<int> ControllersOfStates(const std::vector<std::string>& statePaths);

}  // namespace os::linuxos
