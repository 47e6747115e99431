#pragma once
// One ATA command to a drive with STORAGE_ATA: directly through the ATA
// pass-through on the drive's handle, or, for a USB bridge
// (STORAGE_SCSI_ATAPI), wrapped into a SAT ATA PASS-THROUGH(16) CDB and sent
// through the SCSI request path.
#include <array>
#include <cstdint>
#include <span>

#include "device/core/storage_device.h"
#include "device/scsi/srb.h"
#include "platform/ata_pass_through.h"
#include "platform/sat_cdb.h"

namespace device {

// Sends the task file in `block` (AtaFlags, PreviousTaskFile, CurrentTaskFile
// set by the caller; the rest is filled here) with `data` as the data buffer
// (its size is the transfer length). A non-empty buffer needs data-in or
// data-out in AtaFlags. The handle is reopened with `force` for the command
// when closed. True when the request succeeded and the returned status has
// ERR clear; then data-in is copied back and CurrentTaskFile holds the
// returned registers (error, count, LBA low/mid/high, device, status).
bool AtaPassThru(StorageDevice& dev, std::span<uint8_t> data, os::ATA_PASS_THROUGH_DIRECT& block,
                 bool force);
// The same for data out from a read-only buffer.
bool AtaPassThruOut(StorageDevice& dev, std::span<const uint8_t> data,
                    os::ATA_PASS_THROUGH_DIRECT& block, bool force);

// The SAT ATA PASS-THROUGH(16) CDB for a task file and its flags.
os::sat::Cdb BuildSatCdb(const os::ATA_PASS_THROUGH_DIRECT& block);

}  // namespace device
