#pragma once
// The single entry of every NVMe command: logs it, picks the path from the
// drive's devAttribute, sends it and logs the completion.
//   STORAGE_NVME: vendor opcodes (admin >= C0, I/O >= 80) as a storage
//     protocol command; Firmware Commit / Image Download through the firmware
//     requests; Get Log Page and Identify as protocol-specific property
//     queries; anything else fails.
//   STORAGE_NVME_BRIDGE: tunnelled in WRITE BUFFER / READ BUFFER.
//   STORAGE_ATA or STORAGE_SCSI_ATAPI (and no NVMe bit): fails, no request.
//   otherwise: miniport pass-through on the SCSI port ("NvmeMini"); a record
//     whose ControlCode is already set goes as a vendor control request.
#include <cstdint>

#include "device/core/storage_device.h"
#include "device/nvme/nvme_command_record.h"

namespace device {

// `dataLength` + `metadataLength` must fit the record. The handle is opened
// for the command when closed (the miniport path through the port, the others
// by reopening with `force`) and closed again. True when the command
// completed; the completion words are in the record where the path returns
// them (protocol command, miniport and bridge paths), and a non-zero status
// there is the controller's refusal, for the caller to judge. False when the
// request itself failed (GetLastError tells why).
bool ExecuteNvmeCommand(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength,
                        uint32_t metadataLength, bool admin, bool force);

// The protocol path's ReturnStatus name as logged.
const char* ProtocolStatusName(uint32_t status);

}  // namespace device
