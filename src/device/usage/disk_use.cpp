#include "device/usage/disk_use.h"

#include "common/text.h"

namespace device {

// A first answer: the system disk only, as the caller knows it. The volume
// walk that finds the disks in use replaces this.
DiskUse QueryDiskUse(os::Os& /*os*/, int /*diskNumber*/) { return {}; }

std::string DiskUseRefusal(const std::string& name, const DiskUse& use) {
  if (use.systemDisk) return name + " holds the running system";
  if (!use.InUse()) return "";
  std::string text = name + " is in use: ";
  for (size_t i = 0; i < use.users.size(); ++i) {
    if (i > 0) text += ", ";
    text += use.users[i];
  }
  return text;
}

}  // namespace device
