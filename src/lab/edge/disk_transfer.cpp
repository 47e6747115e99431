// ReadFile, WriteFile and SetFilePointer on disk and volume handles: whole
// sectors only, a volume starting at 1 MiB, and the sectors of a mounted file
// system kept from writers that did not lock or dismount it.
#include "lab/edge/disk_transfer.h"

#include <algorithm>
#include <span>

#include "common/bytes.h"
#include "lab/bridges/scsi_reply.h"
#include "platform/win_file.h"

namespace lab::edge {
namespace {

constexpr uint64_t kVolumeStartBytes = 1u << 20;  // the one partition starts at 1 MiB

}  // namespace

Reply DiskTransfer::Read(OpenHandle* h, void* buffer, os::DWORD bytesToRead) {
  if (h == nullptr || h->disk == nullptr) return Reply::Fail(os::ERROR_INVALID_HANDLE);
  if (h->volume != nullptr && !h->volume->present) {
    return Reply::Fail(os::ERROR_DEV_NOT_EXIST);
  }
  LabDisk& disk = *h->disk;
  const uint32_t sector = disk.GetMedia().SectorSize();
  const uint64_t start = h->volume ? kVolumeStartBytes : 0;
  const uint64_t size = disk.GetMedia().SectorCount() * sector - start;
  if (h->filePointer % sector != 0 || bytesToRead % sector != 0 ||
      (bytesToRead != 0 && buffer == nullptr)) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  if (h->filePointer >= size || bytesToRead == 0) return Reply::Done(0);  // end of the disk
  const uint64_t n64 = std::min<uint64_t>(bytesToRead, size - h->filePointer);
  const auto n = static_cast<uint32_t>(n64);
  ScsiCommand c;
  c.cdb.assign(16, 0);
  c.cdb[0] = scsi::kRead16;
  common::WriteBe64(c.cdb, 2, (start + h->filePointer) / sector);
  common::WriteBe32(c.cdb, 10, n / sector);
  c.direction = DataDirection::kIn;
  c.data = std::span<uint8_t>(static_cast<uint8_t*>(buffer), n);
  c.timeoutSeconds = 60;
  const ScsiResult res = disk.Scsi().ExecuteScsi(c);
  if (!res.delivered || res.status != kScsiStatusGood) {
    return !res.delivered ? ctx_.Unanswered(res.timedOut, c.timeoutSeconds)
                          : Reply::Fail(os::ERROR_CRC);
  }
  h->filePointer += n;
  return Reply::Done(n);
}

Reply DiskTransfer::Write(uintptr_t handle, OpenHandle* h, const void* buffer,
                          os::DWORD bytesToWrite) {
  if (h == nullptr || h->disk == nullptr) return Reply::Fail(os::ERROR_INVALID_HANDLE);
  if (h->volume != nullptr && !h->volume->present) {
    return Reply::Fail(os::ERROR_DEV_NOT_EXIST);
  }
  // A mounted file system keeps its sectors to itself.
  if (h->volume != nullptr && h->volume->mounted && h->volume->lockedBy != handle) {
    return Reply::Fail(os::ERROR_ACCESS_DENIED);
  }
  LabDisk& disk = *h->disk;
  const uint32_t sector = disk.GetMedia().SectorSize();
  const uint64_t start = h->volume ? kVolumeStartBytes : 0;
  const uint64_t size = disk.GetMedia().SectorCount() * sector - start;
  if (h->filePointer % sector != 0 || bytesToWrite % sector != 0 ||
      (bytesToWrite != 0 && buffer == nullptr)) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  if (bytesToWrite == 0) return Reply::Done(0);
  if (h->filePointer >= size || bytesToWrite > size - h->filePointer) {
    return Reply::Fail(os::ERROR_SECTOR_NOT_FOUND);
  }
  // Through the disk handle, the sectors of a mounted volume are out of bounds
  // until that volume is locked, dismounted or gone; the partition table
  // before it is not.
  if (h->volume == nullptr && h->filePointer + bytesToWrite > kVolumeStartBytes) {
    for (const Volume& v : ctx_.machine.Volumes()) {
      const bool onDisk = std::find(v.disks.begin(), v.disks.end(), &disk) != v.disks.end();
      if (onDisk && v.present && v.mounted && v.lockedBy == 0) {
        return Reply::Fail(os::ERROR_ACCESS_DENIED);
      }
    }
  }
  // The caller's buffer goes down as it is, as a direct transfer's would: the
  // command stack only reads outgoing data, and copying megabytes per request
  // would cost more than the media write itself.
  ScsiCommand c;
  c.cdb.assign(16, 0);
  c.cdb[0] = scsi::kWrite16;
  common::WriteBe64(c.cdb, 2, (start + h->filePointer) / sector);
  common::WriteBe32(c.cdb, 10, bytesToWrite / sector);
  c.direction = DataDirection::kOut;
  c.data =
      std::span<uint8_t>(const_cast<uint8_t*>(static_cast<const uint8_t*>(buffer)), bytesToWrite);
  c.timeoutSeconds = 60;
  const ScsiResult res = disk.Scsi().ExecuteScsi(c);
  if (!res.delivered || res.status != kScsiStatusGood) {
    return !res.delivered ? ctx_.Unanswered(res.timedOut, c.timeoutSeconds)
                          : Reply::Fail(os::ERROR_WRITE_FAULT);
  }
  h->filePointer += bytesToWrite;
  return Reply::Done(bytesToWrite);
}

Reply DiskTransfer::Seek(OpenHandle* h, os::LONG distanceLow, os::LONG* distanceHigh,
                         os::DWORD moveMethod) {
  if (h == nullptr || h->disk == nullptr) return Reply::Fail(os::ERROR_INVALID_HANDLE);
  // Without a high part the distance is a signed 32-bit value.
  const int64_t distance =
      distanceHigh != nullptr
          ? static_cast<int64_t>((uint64_t{static_cast<uint32_t>(*distanceHigh)} << 32) |
                                 static_cast<uint32_t>(distanceLow))
          : int64_t{distanceLow};
  const uint64_t size = h->disk->GetMedia().SectorCount() * h->disk->GetMedia().SectorSize() -
                        (h->volume ? kVolumeStartBytes : 0);
  int64_t base = 0;
  if (moveMethod == os::FILE_CURRENT) {
    base = static_cast<int64_t>(h->filePointer);
  } else if (moveMethod == os::FILE_END) {
    base = static_cast<int64_t>(size);
  } else if (moveMethod != os::FILE_BEGIN) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  const int64_t target = base + distance;
  if (target < 0) {
    return Reply::Fail(os::ERROR_NEGATIVE_SEEK);
  }
  h->filePointer = static_cast<uint64_t>(target);
  if (distanceHigh != nullptr) *distanceHigh = static_cast<os::LONG>(h->filePointer >> 32);
  return Reply::Done(static_cast<os::DWORD>(h->filePointer));
}

}  // namespace lab::edge
