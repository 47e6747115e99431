// Requests on volume handles (\\.\X:): the lock family and the disk extents
// are the volume's; everything else goes to the disk under it.
#include "lab/edge/volume_handler.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "platform/volume.h"

namespace lab::edge {
namespace {

constexpr os::DWORD kErrorNotLocked = 158;
constexpr uint64_t kVolumeStartBytes = 1u << 20;

bool IsVolumeCode(os::DWORD code) {
  return code == os::FSCTL_LOCK_VOLUME || code == os::FSCTL_UNLOCK_VOLUME ||
         code == os::FSCTL_DISMOUNT_VOLUME || code == os::FSCTL_IS_VOLUME_MOUNTED ||
         code == os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS;
}

}  // namespace

Reply VolumeHandler::Control(const Request& r) {
  if (!IsVolumeCode(r.code)) return disk_.Control(r);
  return VolumeRequest(r);
}

Reply VolumeHandler::VolumeRequest(const Request& r) {
  Volume* v = r.target.volume;
  if (v == nullptr) return Reply::Fail(os::ERROR_INVALID_FUNCTION);  // a disk handle
  switch (r.code) {
    case os::FSCTL_LOCK_VOLUME: {
      if (v->lockedBy == r.handle) return Reply::Done(0);
      // The system volume always has open files, and so does a volume some
      // other handle holds.
      size_t others = 0;
      for (const auto& [value, h] : ctx_.handles)
        if (value != r.handle && h.volume == v) ++others;
      if (v->system || !v->inUse.empty() || v->lockedBy != 0 || others > 0) {
        return Reply::Fail(os::ERROR_ACCESS_DENIED);
      }
      v->lockedBy = r.handle;
      return Reply::Done(0);
    }
    case os::FSCTL_UNLOCK_VOLUME:
      if (v->lockedBy != r.handle) return Reply::Fail(kErrorNotLocked);
      v->lockedBy = 0;
      return Reply::Done(0);
    case os::FSCTL_DISMOUNT_VOLUME:
      if (v->system) return Reply::Fail(os::ERROR_ACCESS_DENIED);
      v->mounted = false;
      return Reply::Done(0);
    case os::FSCTL_IS_VOLUME_MOUNTED:
      // Asking mounts a dismounted volume again (unless it is locked).
      if (v->lockedBy == 0) v->mounted = true;
      return Reply::Done(0);
    case os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
      if (r.out == nullptr || r.outSize < sizeof(os::VOLUME_DISK_EXTENTS)) {
        return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
      }
      const size_t fit =
          1 + (r.outSize - sizeof(os::VOLUME_DISK_EXTENTS)) / sizeof(os::DISK_EXTENT);
      const size_t count = std::min(fit, v->disks.size());
      std::vector<uint8_t> b(
          offsetof(os::VOLUME_DISK_EXTENTS, Extents) + count * sizeof(os::DISK_EXTENT), 0);
      common::WriteLe32(b, 0, static_cast<uint32_t>(v->disks.size()));
      for (size_t i = 0; i < count; ++i) {
        const LabDisk& d = *v->disks[i];
        os::DISK_EXTENT e{};
        e.DiskNumber = d.Number();
        e.StartingOffset = static_cast<int64_t>(kVolumeStartBytes);
        e.ExtentLength =
            static_cast<int64_t>(d.Config().sectors * d.Config().sectorSize - kVolumeStartBytes);
        std::memcpy(
            b.data() + offsetof(os::VOLUME_DISK_EXTENTS, Extents) + i * sizeof(os::DISK_EXTENT), &e,
            sizeof e);
      }
      std::memcpy(r.out, b.data(), b.size());
      if (count < v->disks.size()) {
        Reply more = Reply::Fail(os::ERROR_MORE_DATA);
        more.bytes = static_cast<os::DWORD>(b.size());
        return more;
      }
      return Reply::Done(static_cast<os::DWORD>(b.size()));
    }
    default:
      return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  }
}

}  // namespace lab::edge
