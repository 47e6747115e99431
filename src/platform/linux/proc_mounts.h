#pragma once
// The kernel's lists of what is in use on the block devices: the mount table
// of /proc/self/mountinfo and the active swap areas of /proc/swaps. Both are
// parsed from text so that tests can describe a machine of their own; lines
// that do not parse are skipped, and the text read is bounded.
#include <cstdint>
#include <string>
#include <vector>

namespace os::linuxos {

inline constexpr size_t kMaxProcFileBytes = 1 << 20;

struct MountEntry {
  uint32_t major = 0, minor = 0;  // st_dev of the file system (0:N for btrfs, tmpfs...)
  std::string mountPoint;         // escapes (\040 ...) undone
  std::string fsType;
  std::string source;  // "/dev/sda1", "tmpfs", ...
};

std::vector<MountEntry> ParseMountInfo(const std::string& text);

// The device paths of the swap partitions; swap files are left out (their
// file system is in the mount table already).
std::vector<std::string> ParseSwapPartitions(const std::string& text);

// The whole file, at most kMaxProcFileBytes; "" when it cannot be read.
std::string ReadProcFile(const std::string& path);

}  // namespace os::linuxos
