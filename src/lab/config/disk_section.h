#pragma once
// Reads one [Disk...] section of lab.ini into a DiskConfig.
#include <cstdint>

#include "lab/config/disk_config.h"
#include "lab/config/section_reader.h"

namespace lab {

// `defaultNumber` is the physical drive number when the section names none.
void ReadDiskSection(SectionReader& reader, uint32_t defaultNumber, DiskConfig& disk);

}  // namespace lab
