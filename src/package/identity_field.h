#pragma once
// The 16-byte firmware-identity field: it sits at byte 512 of a controller's
// parameter block and at 0xEFF0 of an ISP image, with the same layout in both.
#include <cstddef>

namespace firmware::identity_field {

inline constexpr size_t kSize = 16;
inline constexpr size_t kVersion = 0;
inline constexpr size_t kVersionLength = 8;
inline constexpr size_t kRetryTag = 8;
inline constexpr size_t kRetryTagLength = 2;
inline constexpr size_t kFirmwareTag = 10;
inline constexpr size_t kFirmwareTagLength = 6;

static_assert(kVersion + kVersionLength == kRetryTag);
static_assert(kRetryTag + kRetryTagLength == kFirmwareTag);
static_assert(kFirmwareTag + kFirmwareTagLength == kSize);

}  // namespace firmware::identity_field
