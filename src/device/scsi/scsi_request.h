#pragma once
// Executes request blocks on a drive: the dispatcher (opens the handle for
// the one request when it is closed) and ExecuteSCSIIO (one SCSI command as a
// SCSI_PASS_THROUGH_DIRECT request, outcome mapped to ASPI status and sense).
#include <cstdint>

#include "device/core/storage_device.h"
#include "device/scsi/srb.h"

namespace device {

// Runs the request by SRB_Cmd (0 and 3 complete at once, 2 executes, others
// fail), reopening the handle with `force` for the request when it is closed.
// Writes and returns SRB_Status.
uint8_t ExecuteScsiRequest(StorageDevice& dev, SRB_ExecSCSICmd& srb, bool force);

// One SCSI command on the open handle. Refuses (SS_NO_DEVICE) a device that
// was not opened by drive number or letter. On a failed request the sense
// area gets fixed-format sense with key 5 (invalid parameter) or 4.
uint8_t ExecuteSCSIIO(StorageDevice& dev, SRB_ExecSCSICmd& srb);

// A zeroed block for SC_EXEC_SCSI_CMD addressed to the device, sense length 32.
SRB_ExecSCSICmd MakeScsiRequest(const StorageDevice& dev, uint8_t flags, uint8_t cdbLength,
                                uint8_t* buffer, uint32_t length);

}  // namespace device
