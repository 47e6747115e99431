#include "device/usage/volume_extents.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "common/bytes.h"
#include "platform/volume.h"

namespace device {
namespace {

constexpr size_t kCountOffset = offsetof(os::VOLUME_DISK_EXTENTS, NumberOfDiskExtents);
constexpr size_t kExtentsOffset = offsetof(os::VOLUME_DISK_EXTENTS, Extents);
constexpr size_t kDiskNumberOffset = offsetof(os::DISK_EXTENT, DiskNumber);
constexpr size_t kMaxDiskNumber = 0x7FFFFFFF;

size_t BufferFor(uint32_t extents) {
  return std::max(sizeof(os::VOLUME_DISK_EXTENTS),
                  kExtentsOffset + size_t{extents} * sizeof(os::DISK_EXTENT));
}

}  // namespace

std::optional<std::vector<int>> ReadVolumeDiskNumbers(os::Os& os, os::HANDLE volume) {
  // One extent first, as most volumes have; a spanned volume answers
  // ERROR_MORE_DATA with its count, and is asked again with room for all.
  std::vector<uint8_t> reply(BufferFor(1), 0);
  for (int attempt = 0; attempt < 2; ++attempt) {
    os::DWORD returned = 0;
    const bool ok =
        os.DeviceIoControl(volume, os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0,
                           reply.data(), static_cast<os::DWORD>(reply.size()), &returned);
    const uint32_t count = common::ReadLe32(reply, kCountOffset);
    if (!ok) {
      if (os.GetLastError() != os::ERROR_MORE_DATA || count == 0 || count > kMaxVolumeExtents ||
          BufferFor(count) <= reply.size())
        return std::nullopt;
      reply.assign(BufferFor(count), 0);
      continue;
    }
    if (count == 0 || count > kMaxVolumeExtents || BufferFor(count) > reply.size())
      return std::nullopt;
    std::vector<int> disks;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t disk = common::ReadLe32(
          reply, kExtentsOffset + i * sizeof(os::DISK_EXTENT) + kDiskNumberOffset);
      if (disk > kMaxDiskNumber) continue;
      const int n = static_cast<int>(disk);
      if (std::find(disks.begin(), disks.end(), n) == disks.end()) disks.push_back(n);
    }
    if (disks.empty()) return std::nullopt;
    return disks;
  }
  return std::nullopt;
}

}  // namespace device
