#pragma once
// The probes of a scan. Each works on one empty slot, opens and closes the
// drive's handles as it goes, sets the devAttribute bits of what answered,
// and returns true when the drive is to be listed.
#include <cstdint>
#include <string>
#include <vector>

#include "device/core/storage_device.h"

namespace device {

// Control code that wakes an NVMe miniport driver that does not yet answer
// Identify.
inline constexpr uint32_t kMiniportWakeControlCode = 0xE0001C14;
inline constexpr uint32_t kMiniportWakeDelayMs = 1000;
inline constexpr int kNoDriveNumber = -1;

// Physical drive probe ("\\.\PHYSICALDRIVE<n>"). When it returns false and
// `whyNot` is given, it receives why the drive is not listed (empty when no
// drive could be opened under that number).
bool Initialize(StorageDevice& slot, int driveNumber, uint32_t scanFlags,
                std::string* whyNot = nullptr);

// Drive-letter probe ("\\.\<letter>:"). `driveNumber` receives the disk
// behind the volume as soon as it is known (kNoDriveNumber before), also
// when the probe then fails; `volumeDisks` every disk the volume lies on
// (a spanned volume has several), empty when they are not known.
bool InitDevice(StorageDevice& slot, char letter, int* driveNumber, uint32_t scanFlags,
                std::vector<int>* volumeDisks = nullptr);

// SCSI port probe ("\\.\Scsi<p>:"): an NVMe drive behind a miniport driver.
bool ProbeScsiPort(StorageDevice& slot, int port, uint32_t scanFlags);

}  // namespace device
