#pragma once
// The partitioning tool's script run by the Linux backend itself, the few
// commands the tool sends: RESCAN (the kernel re-reads every disk's partition
// table), SELECT DISK n, ATTRIBUTES DISK CLEAR READONLY, CLEAN (the partition
// tables at the start and the end of the selected disk are cleared: MBR, the
// primary GPT and the backup GPT) and EXIT. CLEAN is refused for a disk with
// a file system or swap area in use and for the system disk, and a
// script stops at its first error, as the tool's does.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/disk_usage.h"
#include "platform/linux/sysfs_disks.h"

namespace os::linuxos {

// Bytes cleared at each end of a disk: the MBR and the primary GPT lie in the
// first MiB, the backup GPT in the last.
inline constexpr uint64_t kCleanAreaBytes = uint64_t{1} << 20;
inline constexpr size_t kMaxDiskpartScriptBytes = 64 * 1024;

struct DiskpartMachine {
  std::vector<SysfsDisk> disks;  // drive number = index
  std::string sysRoot;           // "/sys"
  std::string devRoot;           // "/dev"
  DiskUsage usage;               // what the running system uses of them
};

struct DiskpartOutcome {
  int exitCode = 0;  // 0: every command done
  std::vector<std::string> log;
};

DiskpartOutcome RunDiskpartScript(const std::string& script, const DiskpartMachine& machine);

// Reads the script at `path` whole into `script`, once: only an ordinary
// file (never through a symbolic link) that belongs to this user and that
// not everybody may write, at most kMaxDiskpartScriptBytes. "" or why not.
std::string ReadDiskpartScript(const std::string& path, std::string& script);

// Whether the node /dev/<name> opened as `fd` is the disk sysfs lists as
// <name> (its device number), so that no node swapped in under that name is
// touched.
bool IsListedDisk(int fd, const std::string& name, const DiskpartMachine& machine);

// Why CLEAN must not touch this disk, or "" when it may.
std::string CleanRefusal(int drive, const DiskpartMachine& machine);

// "sda1" is a partition of "sda", "nvme0n1p2" of "nvme0n1".
bool IsPartitionOf(const std::string& partition, const std::string& disk);

}  // namespace os::linuxos
