#pragma once
// The value column of a decoded numeric item: upper-case hexadecimal of the
// item's little-endian value, in the widths the two output styles know.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace info {

// Device Info style: configuration tables, with bit-field rows and 24/32-byte
// numbers. SMART style: the NVMe SMART log, neither of those.
enum class DecodeStyle { kDeviceInfo, kSmart };

// `numeric` is the item's first 64 bytes (shorter reads as zero-filled);
// `byteLength` the item's length. Unknown lengths give an empty text.
std::string NumericValueText(std::span<const uint8_t> numeric, size_t byteLength,
                             DecodeStyle style);

}  // namespace info
