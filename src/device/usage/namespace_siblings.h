#pragma once
// The other namespaces of an NVMe disk's controller. The inbox NVMe driver
// and the maker's miniport present each namespace of a controller as one LUN
// of the controller's SCSI address (namespace id = LUN + 1), so the disks at
// the same port, path and target are namespaces of one controller. A format
// that the controller applies to all its namespaces reaches every one of them.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/os.h"

namespace device {

inline constexpr const char* kPhysicalDriveName = "PHYSICALDRIVE";

// The physical drive number in a display name ("PHYSICALDRIVE3" -> 3), or -1.
int DiskNumberOfName(const std::string& name);

// Physical drive numbers tried; Windows numbers disks densely from 0.
inline constexpr int kMaxPhysicalDrives = 64;

struct ScsiAddressKey {
  uint32_t port = 0, path = 0, target = 0, lun = 0;
};

struct NamespaceDisk {
  int diskNumber = -1;
  uint32_t nsid = 0;
};

// The SCSI address of physical drive `diskNumber`; false when it cannot be
// opened or does not answer IOCTL_SCSI_GET_ADDRESS.
bool DiskScsiAddress(os::Os& os, int diskNumber, ScsiAddressKey* out);

// The namespace id the SCSI address of an NVMe disk stands for.
inline uint32_t NamespaceIdOfLun(uint32_t lun) { return lun + 1; }

// The other physical drives at `diskNumber`'s port, path and target, in
// drive order, with their namespace ids. Empty when its address is unknown.
std::vector<NamespaceDisk> SiblingNamespaces(os::Os& os, int diskNumber);

}  // namespace device
