// Requests on physical disk handles: the storage property query, SCSI
// address and device number answered here; pass-through, the inbox NVMe
// driver's requests and miniport requests handed to their handlers.
#include "lab/edge/disk_handler.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "platform/ata_pass_through.h"
#include "platform/request_buffer.h"
#include "platform/scsi_pass_through.h"
#include "platform/srb_io_control.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"
#include "platform/volume.h"

namespace lab::edge {
namespace {

constexpr size_t kDescriptorHeaderBytes = 8;  // Version and Size

}  // namespace

Reply DiskHandler::Control(const Request& r) {
  LabDisk& disk = *r.target.disk;
  if (NvmeInboxHandler::Handles(r.code)) return nvme_.Control(r);
  switch (r.code) {
    case os::IOCTL_STORAGE_QUERY_PROPERTY:
      return QueryProperty(r);
    case os::IOCTL_SCSI_GET_ADDRESS:
      return GetAddress(r, disk);
    case os::IOCTL_STORAGE_GET_DEVICE_NUMBER:
      return DeviceNumber(r);
    case os::IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return passThrough_.Scsi(r, disk);
    case os::IOCTL_ATA_PASS_THROUGH_DIRECT:
      return passThrough_.Ata(r, disk);
    case os::IOCTL_SCSI_MINIPORT:
      // The disk class hands miniport requests down to its port.
      return port_.Miniport(r, *disk.Port());
    default:
      return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  }
}

Reply DiskHandler::QueryProperty(const Request& r) {
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
      return nvme_.ProtocolSpecificQuery(r, disk);
    default:
      return Reply::Fail(os::ERROR_NOT_SUPPORTED);
  }
}

Reply DiskHandler::DeviceDescriptor(const Request& r, LabDisk& disk) {
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

Reply DiskHandler::GetAddress(const Request& r, LabDisk& disk) {
  os::SCSI_ADDRESS a{};
  a.Length = sizeof(os::SCSI_ADDRESS);
  a.PortNumber = static_cast<uint8_t>(disk.Port()->number);
  a.PathId = disk.PathId();
  a.TargetId = disk.TargetId();
  a.Lun = disk.Lun();
  if (!os::StoreReply(r.out, r.outSize, a)) return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
  return Reply::Done(sizeof a);
}

Reply DiskHandler::DeviceNumber(const Request& r) {
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

}  // namespace lab::edge
