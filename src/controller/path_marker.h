#pragma once
// How the bound drive was opened, as the vendor objects record it once the
// drive is ready: by drive letter (its volume is locked while open) or not.
#include <cstdint>

#include "device/core/dev_attribute.h"

namespace controller {

inline constexpr uint32_t kPathMarkerDriveLetter = 0x5A;
inline constexpr uint32_t kPathMarkerOther = 0xA5;

inline uint32_t PathMarkerFor(uint32_t devAttribute) {
  return (devAttribute & device::STORAGE_LOGICAL) ? kPathMarkerDriveLetter : kPathMarkerOther;
}

}  // namespace controller
