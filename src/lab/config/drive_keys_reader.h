#pragma once
// Reads the drive models' own keys of one [Disk] section (drive_keys.h).
#include "lab/config/drive_keys.h"
#include "lab/config/section_reader.h"

namespace lab {

// `nvme`: the disk's drive speaks NVMe, which sets the ranges of the keys
// both kinds of model read (Temperature, PowerOnHours).
void ReadDriveKeys(SectionReader& reader, bool nvme, DriveKeys& keys);

}  // namespace lab
