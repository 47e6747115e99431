#pragma once
// What of the listed disks is in use by the running system: the mounted file
// systems and active swap areas, each a volume with the disk areas under it,
// and the system disk (the one holding "/", else /usr, /boot, /boot/efi or
// swap). Volumes get drive letters the way the tool expects them: the system
// volume is C:, the others follow from D: in mount order. The backend never
// unmounts anything: a volume in use cannot be locked, and raw writes into
// its areas are refused, as they are on a disk whose volume is mounted.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/block_topology.h"
#include "platform/linux/proc_mounts.h"
#include "platform/linux/sysfs_disks.h"

namespace os::linuxos {

inline constexpr char kSystemLetter = 'C';
inline constexpr char kLastLetter = 'Z';

struct VolumeExtent {
  int drive = -1;  // physical drive number (index into the disk list)
  uint64_t offset = 0;
  uint64_t length = 0;
  std::string member;  // the partition or disk under the volume ("sdc1")
};

struct Volume {
  char letter = 0;
  std::string device;                    // "sda1", "dm-0"
  std::vector<std::string> mountPoints;  // empty for a swap area
  bool swap = false;
  std::vector<VolumeExtent> extents;  // on listed disks only, never empty
  // "sdb1 on /media/usb", "swap on sdb2".
  std::string Describe() const;
  // What uses drive `drive` through this volume, one text per member on it:
  // "/dev/sdc1 is mounted on /home", "/dev/sdb2 is active swap",
  // "/dev/sdc1 is a member of /dev/md0, which is mounted on /home".
  std::vector<std::string> UsesOf(int drive) const;
};

struct DiskUsage {
  std::vector<Volume> volumes;  // in letter order
  int systemDrive = -1;         // physical drive number, -1 when none is listed
  std::string systemMount;      // "/", "/usr", "/boot", "/boot/efi" or "swap"
  // Every listed disk under "/", "/usr", "/boot", "/boot/efi" or active swap,
  // through mapped, RAID and LVM devices; the system volume C: reports all of
  // them as its extents, so the upper layer sees each as a system disk.
  std::vector<int> systemDrives;
  // How many of C:'s extents are its own file system's (the rest are the
  // other system mounts' and swap areas').
  size_t systemOwnExtents = 0;

  // Bit n set for letter 'A' + n, as GetLogicalDrives reports.
  uint32_t LogicalDrives() const;
  const Volume* VolumeOfLetter(char letter) const;
  const Volume* VolumeOfDevice(const std::string& device) const;
  // The first volume with bytes in [offset, offset + length) of the drive.
  const Volume* VolumeAt(int drive, uint64_t offset, uint64_t length) const;
  // Why a destructive request must not touch the whole drive, or "".
  std::string DriveRefusal(int drive) const;
  bool IsSystemDrive(int drive) const;
  // What uses `drive` through the volume of `letter` (see Volume::UsesOf),
  // joined by ", "; "" when the volume does not lie on it.
  std::string UseText(char letter, int drive) const;
};

DiskUsage BuildDiskUsage(const std::vector<SysfsDisk>& disks, const BlockTopology& topology,
                         const std::vector<MountEntry>& mounts,
                         const std::vector<std::string>& swapPartitions,
                         const std::string& devRoot);

// 'C' for "\\.\C:" or "\\.\c:", 0 for any other path.
char DriveLetterOf(const std::string& path);
// Lock, unlock, dismount, the mounted test and the disk extents.
bool IsVolumeRequest(uint32_t code);

// Reads the machine's lists: sysfs under `sysRoot`, "self/mountinfo" and
// "swaps" under `procRoot`.
DiskUsage ReadDiskUsage(const std::vector<SysfsDisk>& disks, const std::string& sysRoot,
                        const std::string& devRoot, const std::string& procRoot);

}  // namespace os::linuxos
