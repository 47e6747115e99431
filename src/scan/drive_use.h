#pragma once
// Whether an identified drive may be the target of destructive work now: the
// scan's system-disk mark joined with what holds its disk at this moment
// (a mount made after the scan counts). Asked right before acting.
#include <string>

#include "device/usage/disk_use.h"
#include "scan/drive_view.h"

namespace app {

// The drive's disk as it is used now; the scan's system-disk mark stays.
device::DiskUse DriveUse(os::Os& os, const DriveView& drive);
// "PHYSICALDRIVE2 is in use: /dev/sdc1 is mounted on /home", or "" when
// nothing holds the drive. A drive listed by its SCSI port is named with the
// disk it was matched to ("SCSI 3: (PHYSICALDRIVE1) holds the running system").
std::string DriveUseRefusal(os::Os& os, const DriveView& drive);
// The drive's name in refusals.
std::string DriveUseName(const DriveView& drive);

}  // namespace app
