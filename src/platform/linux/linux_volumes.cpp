// Volumes on the Linux backend: the file systems and swap areas in use get
// drive letters (the system volume C:), a letter opens the block device of
// its volume, and the volume requests answer from the mount table. Nothing
// is ever unmounted here: a volume in use cannot be locked or dismounted, and
// raw writes into its areas are refused, whether through the volume or the
// disk under it.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "platform/linux/linux_open.h"
#include "platform/linux/linux_os.h"
#include "platform/request_buffer.h"
#include "platform/volume.h"

namespace os {

namespace {
// The root file system carries letter C:, so the system folder is its root.
constexpr char kSystemDirectory[] = "C:\\";
}  // namespace

const linuxos::DiskUsage& LinuxOs::Usage() {
  const std::vector<linuxos::SysfsDisk>& disks = Disks();
  // The tables are small; reading them before each check keeps the answer
  // true when something is mounted or unmounted while the tool runs.
  std::string key = linuxos::ReadProcFile(procRoot_ + "/self/mountinfo");
  key += '\0';
  key += linuxos::ReadProcFile(procRoot_ + "/swaps");
  if (!usageRead_ || key != usageKey_) {
    usage_ = linuxos::BuildDiskUsage(disks, linuxos::BlockTopology::Read(sysRoot_),
                                     linuxos::ParseMountInfo(key.substr(0, key.find('\0'))),
                                     linuxos::ParseSwapPartitions(key.substr(key.find('\0') + 1)),
                                     devRoot_);
    usageKey_ = std::move(key);
    usageRead_ = true;
  }
  return usage_;
}

DWORD LinuxOs::GetLogicalDrives() { return Usage().LogicalDrives(); }

UINT LinuxOs::GetSystemDirectoryA(char* buffer, UINT size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  // Without a listed disk under the system no letter stands for it.
  if (Usage().systemDrive < 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const UINT length = sizeof kSystemDirectory - 1;
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, kSystemDirectory, length + 1);
  SetLastError(ERROR_SUCCESS);
  return length;
}

std::string LinuxOs::VolumeUseText(char letter, int diskNumber) {
  const std::string text = Usage().UseText(letter, diskNumber);
  return text.empty() ? Os::VolumeUseText(letter, diskNumber) : text;
}

bool LinuxOs::VolumeNode(const std::string& name, Open& open, std::string* path) {
  const linuxos::Volume* v = Usage().VolumeOfLetter(linuxos::DriveLetterOf(name));
  if (v == nullptr) return Fail(ERROR_FILE_NOT_FOUND);
  open.letter = v->letter;
  open.device = v->device;
  open.disk = v->extents.front().drive;
  *path = devRoot_ + "/" + v->device;
  return true;
}

bool LinuxOs::VolumeRequest(Open& o, DWORD code, void* out, DWORD outSize, DWORD* returned) {
  const linuxos::Volume* v = Usage().VolumeOfDevice(o.device);
  switch (code) {
    case FSCTL_LOCK_VOLUME: {
      if (o.lockFd >= 0) return Fail(ERROR_ACCESS_DENIED);
      // Mounted or swapped on: a lock would need an unmount, which is the
      // administrator's to do.
      if (v != nullptr) return Fail(ERROR_ACCESS_DENIED);
      // O_EXCL on a block device fails while anything holds it and keeps
      // new mounts out while it is held.
      const std::string node = devRoot_ + "/" + o.device;
      o.lockFd = ::open(node.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
      return o.lockFd >= 0 ? true : Fail(ERROR_ACCESS_DENIED);
    }
    case FSCTL_DISMOUNT_VOLUME:
      return o.lockFd >= 0 ? true : Fail(ERROR_ACCESS_DENIED);
    case FSCTL_UNLOCK_VOLUME:
      if (o.lockFd < 0) return Fail(ERROR_NOT_LOCKED);
      ::close(o.lockFd);
      o.lockFd = -1;
      return true;
    case FSCTL_IS_VOLUME_MOUNTED:
      return v != nullptr ? true : Fail(ERROR_NOT_READY);
    case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
      if (v == nullptr) return Fail(ERROR_NOT_READY);
      const size_t need =
          offsetof(VOLUME_DISK_EXTENTS, Extents) + v->extents.size() * sizeof(DISK_EXTENT);
      if (out == nullptr || outSize < sizeof(VOLUME_DISK_EXTENTS))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
      std::vector<uint8_t> reply(std::max(need, sizeof(VOLUME_DISK_EXTENTS)), 0);
      const DWORD count = static_cast<DWORD>(v->extents.size());
      std::memcpy(reply.data(), &count, sizeof count);
      for (size_t i = 0; i < v->extents.size(); ++i) {
        DISK_EXTENT e{static_cast<DWORD>(v->extents[i].drive),
                      static_cast<LONGLONG>(v->extents[i].offset),
                      static_cast<LONGLONG>(v->extents[i].length)};
        std::memcpy(reply.data() + offsetof(VOLUME_DISK_EXTENTS, Extents) + i * sizeof e, &e,
                    sizeof e);
      }
      // Too small for every extent: the count alone, as a spanned volume answers.
      if (outSize < need) {
        std::memcpy(out, reply.data(), sizeof count);
        if (returned != nullptr) *returned = sizeof count;
        return Fail(ERROR_MORE_DATA);
      }
      std::memcpy(out, reply.data(), need);
      if (returned != nullptr) *returned = static_cast<DWORD>(need);
      return true;
    }
    default:
      return Fail(ERROR_INVALID_FUNCTION);
  }
}

bool LinuxOs::WriteRefused(Open& o, uint64_t offset, uint64_t length) {
  if (o.disk < 0) return false;
  const linuxos::DiskUsage& usage = Usage();
  // Through its letter a volume in use is all in use.
  const bool refused = o.letter != 0 ? usage.VolumeOfDevice(o.device) != nullptr && o.lockFd < 0
                                     : usage.VolumeAt(o.disk, offset, length) != nullptr;
  if (refused) Fail(ERROR_ACCESS_DENIED);
  return refused;
}

}  // namespace os
