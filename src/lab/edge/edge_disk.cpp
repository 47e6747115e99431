// Requests on disk and volume handles: the storage property query, SCSI
// address, device number, disk extents and the volume lock family; the
// pass-through and NVMe requests are routed on to their own files.
#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "lab/edge/lab_os.h"
#include "platform/ata_pass_through.h"
#include "platform/request_buffer.h"
#include "platform/scsi_pass_through.h"
#include "platform/srb_io_control.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"
#include "platform/volume.h"

namespace lab {
namespace {

constexpr os::DWORD kErrorNotLocked = 158;
constexpr uint64_t kVolumeStartBytes = 1u << 20;
constexpr size_t kDescriptorHeaderBytes = 8;  // Version and Size

bool IsVolumeCode(os::DWORD code) {
  return code == os::FSCTL_LOCK_VOLUME || code == os::FSCTL_UNLOCK_VOLUME ||
         code == os::FSCTL_DISMOUNT_VOLUME || code == os::FSCTL_IS_VOLUME_MOUNTED ||
         code == os::IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS;
}

}  // namespace

LabOs::Reply LabOs::DiskRequest(const Request& r) {
  LabDisk& disk = *r.target.disk;
  if (IsVolumeCode(r.code)) return VolumeRequest(r);
  switch (r.code) {
    case os::IOCTL_STORAGE_QUERY_PROPERTY:
      return QueryProperty(r);
    case os::IOCTL_SCSI_GET_ADDRESS:
      return GetAddress(r, disk);
    case os::IOCTL_STORAGE_GET_DEVICE_NUMBER:
      return DeviceNumber(r);
    case os::IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return ScsiPassThrough(r, disk);
    case os::IOCTL_ATA_PASS_THROUGH_DIRECT:
      return AtaPassThrough(r, disk);
    case os::IOCTL_STORAGE_PROTOCOL_COMMAND:
      return ProtocolCommand(r, disk);
    case os::IOCTL_STORAGE_FIRMWARE_GET_INFO:
      return FirmwareInfo(r, disk);
    case os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD:
      return FirmwareDownload(r, disk);
    case os::IOCTL_STORAGE_FIRMWARE_ACTIVATE:
      return FirmwareActivate(r, disk);
    case os::IOCTL_SCSI_MINIPORT:
      // The disk class hands miniport requests down to its port.
      return MiniportRequest(r, *disk.Port());
    default:
      return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  }
}

LabOs::Reply LabOs::QueryProperty(const Request& r) {
  os::STORAGE_PROPERTY_QUERY q{};
  if (!os::LoadRequest(r.in, r.inSize, &q)) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  LabDisk& disk = *r.target.disk;
  switch (q.PropertyId) {
    case os::StorageDeviceProperty:
      if (q.QueryType == os::PropertyExistsQuery) return Reply::Done(0);
      if (q.QueryType != os::PropertyStandardQuery) {
        return Reply::Fail(os::ERROR_INVALID_PARAMETER);
      }
      return DeviceDescriptor(r, disk);
    case os::StorageAdapterProtocolSpecificProperty:
    case os::StorageDeviceProtocolSpecificProperty:
      return ProtocolSpecificQuery(r, disk);
    default:
      return Reply::Fail(os::ERROR_NOT_SUPPORTED);
  }
}

LabOs::Reply LabOs::DeviceDescriptor(const Request& r, LabDisk& disk) {
  if (r.out == nullptr || r.outSize < kDescriptorHeaderBytes) {
    return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
  }
  const DiskDescriptor& d = disk.Descriptor();
  std::vector<uint8_t> b(sizeof(os::STORAGE_DEVICE_DESCRIPTOR), 0);
  auto addString = [&](const std::string& s) -> uint32_t {
    if (s.empty()) return 0;
    const auto at = static_cast<uint32_t>(b.size());
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
    return at;
  };
  os::STORAGE_DEVICE_DESCRIPTOR desc{};
  desc.Version = sizeof(os::STORAGE_DEVICE_DESCRIPTOR);
  desc.DeviceType = 0;  // direct-access block device
  desc.RemovableMedia = d.removable ? 1 : 0;
  desc.CommandQueueing = d.busType == os::BusTypeUsb ? 0 : 1;
  desc.VendorIdOffset = addString(d.vendor);
  desc.ProductIdOffset = addString(d.product);
  desc.ProductRevisionOffset = addString(d.revision);
  desc.SerialNumberOffset = addString(d.serial);
  desc.BusType = d.busType;
  desc.Size = static_cast<uint32_t>(b.size());
  std::memcpy(b.data(), &desc, offsetof(os::STORAGE_DEVICE_DESCRIPTOR, RawDeviceProperties));
  // A short buffer gets the head; Size tells the caller what the whole is.
  const size_t n = std::min<size_t>(b.size(), r.outSize);
  std::memcpy(r.out, b.data(), n);
  return Reply::Done(static_cast<os::DWORD>(n));
}

LabOs::Reply LabOs::GetAddress(const Request& r, LabDisk& disk) {
  os::SCSI_ADDRESS a{};
  a.Length = sizeof(os::SCSI_ADDRESS);
  a.PortNumber = static_cast<uint8_t>(disk.Port()->number);
  a.PathId = disk.PathId();
  a.TargetId = disk.TargetId();
  a.Lun = disk.Lun();
  if (!os::StoreReply(r.out, r.outSize, a)) return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
  return Reply::Done(sizeof a);
}

LabOs::Reply LabOs::DeviceNumber(const Request& r) {
  const Volume* v = r.target.volume;
  // A volume spread over several disks has no single number.
  if (v != nullptr && v->disks.size() > 1) return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  os::STORAGE_DEVICE_NUMBER n{};
  n.DeviceType = os::FILE_DEVICE_DISK;
  n.DeviceNumber = r.target.disk->Number();
  n.PartitionNumber = v != nullptr ? 1 : 0;
  if (!os::StoreReply(r.out, r.outSize, n)) return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
  return Reply::Done(sizeof n);
}

LabOs::Reply LabOs::VolumeRequest(const Request& r) {
  Volume* v = r.target.volume;
  if (v == nullptr) return Reply::Fail(os::ERROR_INVALID_FUNCTION);  // a disk handle
  switch (r.code) {
    case os::FSCTL_LOCK_VOLUME: {
      if (v->lockedBy == r.handle) return Reply::Done(0);
      // The system volume always has open files, and so does a volume some
      // other handle holds.
      size_t others = 0;
      for (const auto& [value, h] : handles_)
        if (value != r.handle && h.volume == v) ++others;
      if (v->system || v->lockedBy != 0 || others > 0) {
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

}  // namespace lab
