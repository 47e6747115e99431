#pragma once
// The decimal column of the NVMe SMART page: the value texts the decoder writes
// in hexadecimal ("0x..."), read back as unsigned numbers of any width.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pages/info/decoder/info_row.h"

namespace info {

inline constexpr const char* kDecimalColumnCaption = "Decimal";

// The unsigned decimal form of "0x" followed by hexadecimal digits (either
// case), exact for every width the decoder writes, up to 128-bit counters and
// beyond; nothing for any other text.
std::optional<std::string> HexValueToDecimal(std::string_view text);

// Appends to every row one sub-item: the decimal form of its value (sub-item
// 0), or an empty text when the value is not a hexadecimal number.
void AppendDecimalColumn(std::vector<InfoRow>& rows);

}  // namespace info
