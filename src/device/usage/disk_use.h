#pragma once
// What holds a physical disk right now: a part of the running system, or
// volumes that cannot be taken away from their users (mounted file systems,
// swap, members of a device in use). Destructive work (erase, clone onto,
// cleaning, live firmware activation) asks this right before it acts, so a
// mount made after the scan is still seen; the tool never unmounts anything.
#include <string>
#include <vector>

#include "platform/os.h"

namespace device {

struct DiskUse {
  bool systemDisk = false;         // holds a part of the running system
  std::vector<std::string> users;  // what uses it, one text each ("/dev/sdc1 is mounted on /home")
  bool InUse() const { return !users.empty(); }
};

// Physical drive `diskNumber` as the volumes report it at this moment.
DiskUse QueryDiskUse(os::Os& os, int diskNumber);

// Why `name` (a display name such as "PHYSICALDRIVE2") must not be acted on,
// or "" when nothing holds it: "PHYSICALDRIVE2 holds the running system" or
// "PHYSICALDRIVE2 is in use: /dev/sdc1 is mounted on /home".
std::string DiskUseRefusal(const std::string& name, const DiskUse& use);

}  // namespace device
