#pragma once
// Whether this process may use the disks the way the tool does: SCSI and ATA
// pass-through on /dev/sdX needs CAP_SYS_RAWIO (root has it), and every disk
// node must open for reading and writing (root, or the disk group).
#include <string>
#include <vector>

namespace os::linuxos {

// CAP_SYS_RAWIO in the "CapEff:" line of /proc/self/status text; without
// such a line, whether the effective user is root.
bool HasRawIoCapability(const std::string& statusText);

// The first node that refuses an open for reading and writing with EACCES or
// EPERM, or "" (a node that is missing or has no medium is not refused).
std::string FirstRefusedNode(const std::vector<std::string>& nodes);

}  // namespace os::linuxos
