#pragma once
// Numbers as the Summary page shows them: decimal digits grouped by thousands,
// and exact decimal forms of the wide little-endian counters drives report
// (48-bit ATA raw values, 128-bit NVMe counters), scaled by a unit size.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace info {

// 1234567 gives "1,234,567"; 0 gives "0".
std::string FormatThousands(uint64_t value);
// The same grouping for a string of decimal digits of any length.
std::string GroupThousands(std::string_view digits);

// The unsigned decimal form of `bytes` (least significant first) times
// `factor`, exact at any width, so no counter wraps however large it is.
std::string ScaledDecimal(std::span<const uint8_t> bytes, uint32_t factor = 1);

}  // namespace info
