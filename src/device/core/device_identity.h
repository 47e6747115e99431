#pragma once
// Identity strings and capacity of a probed drive, read through the
// transport its devAttribute names.
#include "device/core/storage_device.h"

namespace device {

// Clears devSerial, devModel and devFirmware, then fills them: from Identify
// Controller for an NVMe drive (as stored), nothing for a vendor flash device,
// otherwise from ATA IDENTIFY DEVICE (byte pairs swapped). A failed identify
// leaves them empty.
void FillIdentityStrings(StorageDevice& dev);

// READ CAPACITY into devCapacity (block count, 0 when it fails or the drive
// cannot carry SCSI requests) and devBlockFactor.
void ReadDeviceCapacity(StorageDevice& dev);

}  // namespace device
