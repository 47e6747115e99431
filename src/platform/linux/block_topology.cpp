#include "platform/linux/block_topology.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/text.h"

namespace os::linuxos {
namespace fs = std::filesystem;
namespace {

constexpr uint64_t kSysfsSectorBytes = 512;  // sysfs counts start and size in 512-byte units
constexpr int kMaxStackDepth = 8;            // dm on md on dm ... deeper is not plausible
constexpr size_t kMaxDevices = 4096;

std::string ReadLine(const fs::path& p) {
  std::ifstream in(p);
  std::string line;
  if (in) std::getline(in, line);
  return common::Trim(line);
}

uint64_t ReadSectors(const fs::path& p) {
  const std::string text = ReadLine(p);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19)
    return 0;
  return std::stoull(text) * kSysfsSectorBytes;
}

std::vector<std::string> Slaves(const fs::path& device) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(device / "slaves", ec))
    names.push_back(e.path().filename().string());
  return names;
}

}  // namespace

BlockTopology BlockTopology::Read(const std::string& sysRoot) {
  BlockTopology t;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(fs::path(sysRoot) / "block", ec)) {
    if (t.nodes_.size() >= kMaxDevices) break;
    const std::string name = e.path().filename().string();
    Node disk;
    disk.size = ReadSectors(e.path() / "size");
    disk.slaves = Slaves(e.path());
    const std::string number = ReadLine(e.path() / "dev");
    if (!number.empty()) t.byNumber_[number] = name;
    // Partitions are the subfolders with a "partition" file.
    std::error_code ec2;
    for (const auto& p : fs::directory_iterator(e.path(), ec2)) {
      std::error_code ec3;
      if (!fs::exists(p.path() / "partition", ec3)) continue;
      const std::string part = p.path().filename().string();
      Node n;
      n.parent = name;
      n.start = ReadSectors(p.path() / "start");
      n.size = ReadSectors(p.path() / "size");
      const std::string partNumber = ReadLine(p.path() / "dev");
      if (!partNumber.empty()) t.byNumber_[partNumber] = part;
      t.nodes_[part] = n;
    }
    t.nodes_[name] = std::move(disk);
  }
  return t;
}

std::string BlockTopology::NameOf(uint32_t major, uint32_t minor) const {
  const auto it = byNumber_.find(std::to_string(major) + ":" + std::to_string(minor));
  return it == byNumber_.end() ? std::string() : it->second;
}

std::vector<DiskArea> BlockTopology::AreasOf(const std::string& name) const {
  std::vector<DiskArea> out;
  AreasOf(name, 0, out);
  return out;
}

void BlockTopology::AreasOf(const std::string& name, int depth, std::vector<DiskArea>& out) const {
  const auto it = nodes_.find(name);
  if (it == nodes_.end() || depth > kMaxStackDepth) return;
  const Node& n = it->second;
  if (!n.parent.empty()) {
    const auto parent = nodes_.find(n.parent);
    // A partition of a mapped or RAID device lies somewhere on its slaves:
    // all of them count.
    if (parent != nodes_.end() && !parent->second.slaves.empty()) {
      AreasOf(n.parent, depth + 1, out);
      return;
    }
    // A partition of unknown size may reach the end of its disk.
    out.push_back(
        DiskArea{n.parent, n.start, n.size == 0 ? UINT64_MAX - n.start : n.size, name});
    return;
  }
  if (!n.slaves.empty()) {
    for (const std::string& slave : n.slaves) AreasOf(slave, depth + 1, out);
    return;
  }
  out.push_back(DiskArea{name, 0, n.size == 0 ? UINT64_MAX : n.size, name});
}

}  // namespace os::linuxos
