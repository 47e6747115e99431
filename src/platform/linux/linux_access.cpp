// The privilege question of the scan on the Linux backend: the process holds
// the "driver" privilege when it can open every disk for pass-through, that
// is with CAP_SYS_RAWIO and read-write access to each disk node.
#include <unistd.h>

#include "platform/linux/disk_access.h"
#include "platform/linux/linux_open.h"
#include "platform/linux/linux_os.h"
#include "platform/linux/proc_mounts.h"

namespace os {

bool LinuxOs::DiskAccessHeld() {
  const std::string status = linuxos::ReadProcFile(procRoot_ + "/self/status");
  const bool rawIo = status.empty() ? ::geteuid() == 0 : linuxos::HasRawIoCapability(status);
  if (!rawIo) {
    OutputDebugStringA("[LINUX] CAP_SYS_RAWIO is not held\n");
    return false;
  }
  std::vector<std::string> nodes;
  for (const linuxos::SysfsDisk& d : Disks()) nodes.push_back(devRoot_ + "/" + d.name);
  const std::string refused = linuxos::FirstRefusedNode(nodes);
  if (!refused.empty()) OutputDebugStringA("[LINUX] " + refused + " cannot be opened\n");
  return refused.empty();
}

}  // namespace os
