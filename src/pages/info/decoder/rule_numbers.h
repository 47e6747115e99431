#pragma once
// The number, list, bit-field and caption readers of the rule file format. Rule
// files are hand-edited, so none of these ever fails: bad text reads as 0, -1 or
// an empty string as each function says.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace info {

// Longest caption or bit-field text the decoder shows.
inline constexpr size_t kMaxPrintableChars = 4096;
// Bit fields lie within the first 64 bytes of an item.
inline constexpr size_t kNumericValueBytes = 64;
inline constexpr int kMaxBitFieldWidth = 32;

// Reads a decimal number from the first `maxChars` characters: digits
// accumulate, a blank is skipped while the value is still 0, anything else
// ends the number. No sign, no hexadecimal ("0x20" reads 0, "-1" reads 0).
int32_t ParseLeadingDecimal(std::string_view text, size_t maxChars);

// Comma-separated numbers with empty elements dropped, each read with
// ParseLeadingDecimal over 4 characters.
std::vector<int32_t> ParseRuleList(std::string_view text);
// Element k (0-based) of such a list, or -1 when the list has no element k.
int32_t ListElement(std::string_view text, int k);

// Bits p .. p+w-1 of a little-endian byte string (bit p is bit p%8 of byte p/8)
// as an unsigned number. A width outside 1..32 gives 0; bits past the end of
// `value` read as 0.
uint32_t ExtractBits(std::span<const uint8_t> value, int64_t p, int32_t w);

// The text up to its first character outside 0x20-0x7F, at most 4096 characters.
std::string PrintablePrefix(std::string_view text);

}  // namespace info
