#pragma once
// Firmware version texts: the byte-wise ordering the update rules use, and the
// version an image offers.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/settings/controller_profile.h"

namespace firmware {

// At most this many characters of a version are compared or shown.
inline constexpr int kMaxVersionChars = 8;

// strcmp on the texts up to their first NUL: the first differing byte (unsigned)
// decides, a prefix sorts first. Negative, zero or positive.
int CompareVersionBytes(std::string_view a, std::string_view b);
// a sorts strictly before b.
bool OrderedBefore(std::string_view a, std::string_view b);

// `length` (1..8) characters from `offset` of an image, the two bytes of each
// pair swapped when `swapPairs` is set; the text ends at a NUL, at the end of
// the image, or when the offset is outside it.
std::string ReadVersionText(std::span<const uint8_t> image, int64_t offset, int length,
                            bool swapPairs);

// The version an image offers to a drive of this IC type (ISPVerOffset,
// ISPVerChkStrLengh, ISPVerChkStrSwapFlag).
std::string ReadOfferedVersion(std::span<const uint8_t> image,
                               const app::ControllerProfile& profile);
// The NVMe path reads the same place but never swaps the pairs.
std::string ReadNvmeOfferedVersion(std::span<const uint8_t> image,
                                   const app::ControllerProfile& profile);

}  // namespace firmware
