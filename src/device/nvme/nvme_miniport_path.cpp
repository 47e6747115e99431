// The miniport pass-through on a SCSI port handle: the record goes to the
// driver as it is, header first.
#include <cstddef>

#include "device/core/request_timeout.h"
#include "device/nvme/nvme_paths.h"
#include "platform/nvme_pass_through.h"

namespace device::nvme_path {
namespace {

using Ioctl = os::NVME_PASS_THROUGH_IOCTL;
constexpr size_t kSrb = offsetof(Ioctl, SrbIoCtrl);
constexpr uint32_t kHeaderTail = sizeof(os::SRB_IO_CONTROL);  // 28: Length counts after this
constexpr uint32_t kBaseLength = kNvmeRecordHeaderSize + 1;   // 153

}  // namespace

bool Miniport(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength,
              uint32_t metadataLength, bool admin) {
  const uint32_t payload = dataLength + metadataLength;
  record.SetHeaderField(kSrb + offsetof(os::SRB_IO_CONTROL, HeaderLength), kHeaderTail);
  record.SetHeaderField(kSrb + offsetof(os::SRB_IO_CONTROL, Length),
                        payload + kBaseLength - kHeaderTail);
  uint32_t direction;
  uint32_t sent;
  uint32_t returned;
  if (record.ControlCode() == 0) {
    record.SetSignature(os::NVME_SIG_STR);
    record.SetControlCode(os::NVME_PASS_THROUGH_SRB_IO_CODE);
    const uint8_t opcode = record.Opcode();
    if (NvmeHostToController(opcode)) {
      direction = os::NVME_FROM_HOST_TO_DEV;
      sent = payload + kBaseLength;
      returned = kBaseLength;
    } else if (NvmeControllerToHost(opcode)) {
      direction = os::NVME_FROM_DEV_TO_HOST;
      sent = kBaseLength;
      returned = payload + kBaseLength;
    } else {
      direction = os::NVME_NO_DATA_TX;
      sent = kBaseLength;
      returned = kBaseLength;
    }
  } else {
    // A vendor control request: its body may carry data both ways.
    direction = os::NVME_BI_DIRECTION;
    sent = payload + kBaseLength;
    returned = payload + kBaseLength;
  }
  record.SetHeaderField(offsetof(Ioctl, Direction), direction);
  record.SetHeaderField(offsetof(Ioctl, QueueId), admin ? 0 : 1);
  record.SetHeaderField(offsetof(Ioctl, DataBufferLen), payload);
  record.SetHeaderField(offsetof(Ioctl, MetaDataLen), metadataLength);
  record.SetHeaderField(offsetof(Ioctl, ReturnBufferLen), returned);
  record.SetHeaderField(kSrb + offsetof(os::SRB_IO_CONTROL, Timeout),
                        RequestTimeoutSeconds(dev, NvmeRequestLength(record.Opcode(), admin)));
  os::DWORD got = 0;
  std::span<uint8_t> bytes = record.Bytes();
  return dev.Os().DeviceIoControl(dev.Handle(), os::IOCTL_SCSI_MINIPORT, bytes.data(), sent,
                                  bytes.data(), returned, &got);
}

}  // namespace device::nvme_path
