#pragma once
// How the block devices of the machine sit on one another, as sysfs shows it
// under /sys/block: whole disks with their partitions (start and size), and
// the devices built on others (device mapper, software RAID) with their
// slaves. Used to find the disk areas under a mounted file system.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace os::linuxos {

// A byte range of a whole disk.
struct DiskArea {
  std::string disk;  // "sda"
  uint64_t offset = 0;
  uint64_t length = 0;
  std::string member;  // the partition or disk this area is ("sda2", "sdb")
};

class BlockTopology {
 public:
  static BlockTopology Read(const std::string& sysRoot);

  // The name of the block device with this number ("sda1", "dm-0"), or "".
  std::string NameOf(uint32_t major, uint32_t minor) const;
  bool Has(const std::string& name) const { return nodes_.count(name) != 0; }
  // The whole-disk areas under a block device: a partition is its range of
  // its disk, a disk is all of itself, a mapped or RAID device is what its
  // slaves are. Empty for a name sysfs does not list.
  std::vector<DiskArea> AreasOf(const std::string& name) const;

 private:
  struct Node {
    std::string parent;  // the disk of a partition, "" for a whole device
    uint64_t start = 0;  // bytes, partitions only
    uint64_t size = 0;   // bytes
    std::vector<std::string> slaves;
  };
  void AreasOf(const std::string& name, int depth, std::vector<DiskArea>& out) const;

  std::map<std::string, Node> nodes_;
  std::map<std::string, std::string> byNumber_;  // "8:1" -> "sda1"
};

}  // namespace os::linuxos
