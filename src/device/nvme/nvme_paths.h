#pragma once
// The four NVMe paths behind the dispatcher, each on an already open handle.
#include <cstdint>

#include "device/core/storage_device.h"
#include "device/nvme/nvme_command_record.h"

namespace device::nvme_path {

// IOCTL_STORAGE_PROTOCOL_COMMAND: the command whole, data at offset 208, the
// completion entry returned at the error-information offset (144). True when
// the command completed, also with an error status (ReturnStatus "error"
// with the controller's status in the completion or in ErrorCode).
bool ProtocolCommand(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength,
                     bool admin);
// IOCTL_STORAGE_QUERY_PROPERTY with protocol-specific data: Get Log Page and
// Identify. No completion words.
bool PropertyQuery(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength);
// IOCTL_STORAGE_FIRMWARE_GET_INFO, then IOCTL_STORAGE_FIRMWARE_DOWNLOAD to slot 1.
bool FirmwareDownload(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength);
// IOCTL_STORAGE_FIRMWARE_ACTIVATE of slot 1 (the command's CDW10 is not used).
// The commit's action decides between activation now and at the next reset;
// its slot is not passed on (the request names slot 1).
bool FirmwareActivate(StorageDevice& dev, const NvmeCommandRecord& record);
// IOCTL_SCSI_MINIPORT with the record itself.
bool Miniport(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength,
              uint32_t metadataLength, bool admin);
// WRITE BUFFER packet / data phase / READ BUFFER status, mode 0xFF.
bool Bridge(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength, bool admin);

}  // namespace device::nvme_path
