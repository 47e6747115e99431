#include "platform/linux/disk_usage.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/volume.h"

namespace os::linuxos {
namespace {

constexpr const char* kSystemMounts[] = {"/", "/usr", "/boot", "/boot/efi"};

// "/dev/mapper/root" -> "dm-0": the kernel's name of a device path.
std::string BlockNameOfPath(const std::string& path, const std::string& devRoot) {
  const std::string prefix = "/dev/";
  if (path.compare(0, prefix.size(), prefix) != 0) return std::string();
  std::error_code ec;
  const std::filesystem::path local = std::filesystem::path(devRoot) / path.substr(prefix.size());
  const std::filesystem::path real = std::filesystem::canonical(local, ec);
  return (ec ? local : real).filename().string();
}

int DriveOf(const std::vector<SysfsDisk>& disks, const std::string& name) {
  for (size_t i = 0; i < disks.size(); ++i)
    if (disks[i].name == name) return static_cast<int>(i);
  return -1;
}

bool IsSystemVolume(const Volume& v) {
  if (v.swap) return true;
  for (const char* mount : kSystemMounts)
    if (std::find(v.mountPoints.begin(), v.mountPoints.end(), mount) != v.mountPoints.end())
      return true;
  return false;
}

bool Overlaps(const VolumeExtent& e, uint64_t offset, uint64_t length) {
  if (length == 0) return false;
  const uint64_t end = offset + std::min(length, UINT64_MAX - offset);
  const uint64_t extentEnd = e.offset + std::min(e.length, UINT64_MAX - e.offset);
  return offset < extentEnd && e.offset < end;
}

}  // namespace

std::string Volume::Describe() const {
  if (swap) return "swap on " + device;
  return device + " on " + (mountPoints.empty() ? std::string("?") : mountPoints.front());
}

std::vector<std::string> Volume::UsesOf(int drive) const {
  const std::string how =
      swap ? std::string("active swap")
           : "mounted on " + (mountPoints.empty() ? std::string("?") : mountPoints.front());
  std::vector<std::string> texts;
  for (const VolumeExtent& e : extents) {
    if (e.drive != drive) continue;
    const std::string member = e.member.empty() ? device : e.member;
    const std::string text = member == device
                                 ? "/dev/" + device + " is " + how
                                 : "/dev/" + member + " is a member of /dev/" + device +
                                       ", which is " + how;
    if (std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(text);
  }
  return texts;
}

bool DiskUsage::IsSystemDrive(int drive) const {
  return drive >= 0 &&
         std::find(systemDrives.begin(), systemDrives.end(), drive) != systemDrives.end();
}

std::string DiskUsage::UseText(char letter, int drive) const {
  const Volume* v = VolumeOfLetter(letter);
  if (v == nullptr) return std::string();
  std::string text;
  for (const std::string& use : v->UsesOf(drive)) text += (text.empty() ? "" : ", ") + use;
  return text;
}

uint32_t DiskUsage::LogicalDrives() const {
  uint32_t bits = 0;
  for (const Volume& v : volumes)
    if (v.letter >= 'A' && v.letter <= kLastLetter) bits |= uint32_t{1} << (v.letter - 'A');
  return bits;
}

const Volume* DiskUsage::VolumeOfLetter(char letter) const {
  const char upper =
      letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
  for (const Volume& v : volumes)
    if (v.letter == upper) return &v;
  return nullptr;
}

const Volume* DiskUsage::VolumeOfDevice(const std::string& device) const {
  for (const Volume& v : volumes)
    if (v.device == device) return &v;
  return nullptr;
}

const Volume* DiskUsage::VolumeAt(int drive, uint64_t offset, uint64_t length) const {
  for (const Volume& v : volumes)
    for (const VolumeExtent& e : v.extents)
      if (e.drive == drive && Overlaps(e, offset, length)) return &v;
  return nullptr;
}

std::string DiskUsage::DriveRefusal(int drive) const {
  if (IsSystemDrive(drive)) {
    // Named by what of the system it holds: C:'s own file system first,
    // else the other system mount or swap area on it.
    const Volume* c = VolumeOfLetter(kSystemLetter);
    bool holdsC = false;
    for (size_t i = 0; c != nullptr && i < systemOwnExtents && i < c->extents.size(); ++i)
      holdsC = holdsC || c->extents[i].drive == drive;
    for (const Volume& v : volumes) {
      if (holdsC) break;
      if (v.letter == kSystemLetter || !IsSystemVolume(v)) continue;
      for (const VolumeExtent& e : v.extents) {
        if (e.drive != drive) continue;
        if (v.swap) return "the disk holds the system's swap";
        for (const char* mount : kSystemMounts)
          if (std::find(v.mountPoints.begin(), v.mountPoints.end(), mount) != v.mountPoints.end())
            return std::string("the disk holds the system's ") + mount;
      }
    }
    return systemMount == "/" ? "the disk holds the root file system"
                              : "the disk holds the system's " + systemMount;
  }
  const Volume* v = VolumeAt(drive, 0, UINT64_MAX);
  if (v == nullptr) return std::string();
  return v->swap ? "the disk has an active swap area (" + v->device + ")"
                 : "the disk has a mounted file system (" + v->Describe() + ")";
}

DiskUsage BuildDiskUsage(const std::vector<SysfsDisk>& disks, const BlockTopology& topology,
                         const std::vector<MountEntry>& mounts,
                         const std::vector<std::string>& swapPartitions,
                         const std::string& devRoot) {
  // Volumes in mount order, one per block device however often it is mounted.
  std::vector<Volume> found;
  auto volumeOf = [&](const std::string& device, bool swap) -> Volume* {
    for (Volume& v : found)
      if (v.device == device) return &v;
    Volume v;
    v.device = device;
    v.swap = swap;
    for (const DiskArea& a : topology.AreasOf(device)) {
      const int drive = DriveOf(disks, a.disk);
      if (drive >= 0) v.extents.push_back(VolumeExtent{drive, a.offset, a.length, a.member});
    }
    if (v.extents.empty()) return nullptr;  // not on a disk the tool lists
    found.push_back(std::move(v));
    return &found.back();
  };
  for (const MountEntry& m : mounts) {
    std::string device = topology.NameOf(m.major, m.minor);
    // btrfs reports an anonymous device number: its source names the device.
    if (device.empty()) device = BlockNameOfPath(m.source, devRoot);
    if (device.empty() || !topology.Has(device)) continue;
    if (Volume* v = volumeOf(device, false)) v->mountPoints.push_back(m.mountPoint);
  }
  for (const std::string& path : swapPartitions) {
    const std::string device = BlockNameOfPath(path, devRoot);
    if (!device.empty() && topology.Has(device)) volumeOf(device, true);
  }

  DiskUsage usage;
  size_t system = found.size();
  for (const char* mount : kSystemMounts) {
    for (size_t i = 0; i < found.size() && system == found.size(); ++i) {
      const auto& points = found[i].mountPoints;
      if (std::find(points.begin(), points.end(), mount) != points.end()) {
        system = i;
        usage.systemMount = mount;
      }
    }
  }
  for (size_t i = 0; i < found.size() && system == found.size(); ++i) {
    if (found[i].swap) {
      system = i;
      usage.systemMount = "swap";
    }
  }
  char next = kSystemLetter + 1;
  if (system < found.size()) {
    // C: stands for the whole running system: besides its own areas it
    // reports those of every other system mount and swap area, so each disk
    // under any of them is a system disk wherever it is asked. The other
    // volumes keep their own letters and areas.
    Volume c = found[system];
    usage.systemOwnExtents = c.extents.size();
    for (size_t i = 0; i < found.size(); ++i) {
      if (i == system || !IsSystemVolume(found[i])) continue;
      c.extents.insert(c.extents.end(), found[i].extents.begin(), found[i].extents.end());
    }
    c.letter = kSystemLetter;
    for (const VolumeExtent& e : c.extents)
      if (!usage.IsSystemDrive(e.drive)) usage.systemDrives.push_back(e.drive);
    std::sort(usage.systemDrives.begin(), usage.systemDrives.end());
    usage.systemDrive = c.extents.front().drive;
    usage.volumes.push_back(std::move(c));
  }
  for (size_t i = 0; i < found.size(); ++i) {
    if (i == system) continue;
    // Past Z: the volume has no letter but its areas stay protected.
    found[i].letter = next <= kLastLetter ? next++ : 0;
    usage.volumes.push_back(found[i]);
  }
  return usage;
}

char DriveLetterOf(const std::string& path) {
  constexpr char kPrefix[] = "\\\\.\\";
  constexpr size_t kPrefixLength = sizeof kPrefix - 1;
  if (path.size() != kPrefixLength + 2 || path.compare(0, kPrefixLength, kPrefix) != 0 ||
      path[kPrefixLength + 1] != ':')
    return 0;
  const char c = path[kPrefixLength];
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' ? c : 0;
}

bool IsVolumeRequest(uint32_t code) {
  return code == FSCTL_LOCK_VOLUME || code == FSCTL_UNLOCK_VOLUME ||
         code == FSCTL_DISMOUNT_VOLUME || code == FSCTL_IS_VOLUME_MOUNTED ||
         code == IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS;
}

DiskUsage ReadDiskUsage(const std::vector<SysfsDisk>& disks, const std::string& sysRoot,
                        const std::string& devRoot, const std::string& procRoot) {
  return BuildDiskUsage(disks, BlockTopology::Read(sysRoot),
                        ParseMountInfo(ReadProcFile(procRoot + "/self/mountinfo")),
                        ParseSwapPartitions(ReadProcFile(procRoot + "/swaps")), devRoot);
}

}  // namespace os::linuxos
