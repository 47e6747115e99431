#pragma once
// The physical disks under a volume, from its disk extents. A volume may span
// disks: the extents are read with a buffer sized from the count the first
// answer reports, so no disk of a spanned volume is missed.
#include <optional>
#include <vector>

#include "platform/os.h"

namespace device {

// Extents of one volume are bounded: more than this is no answer to trust.
inline constexpr uint32_t kMaxVolumeExtents = 128;

// The disk numbers of every extent of the volume open on `volume`, each once,
// in extent order; nullopt when the volume does not report its extents.
std::optional<std::vector<int>> ReadVolumeDiskNumbers(os::Os& os, os::HANDLE volume);

}  // namespace device
