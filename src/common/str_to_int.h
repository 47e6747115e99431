#pragma once
// Integer parsing the way the product's INI reader does it (StrToIntDef):
// optional sign, then decimal or hexadecimal written "0x..."/"0X..."/"$...".
// Anything else, including surrounding text or an out-of-range value, yields the
// default. Hexadecimal values up to 0xFFFFFFFF wrap into the signed range.
#include <cstdint>
#include <optional>
#include <string_view>

namespace common {

std::optional<int32_t> TryStrToInt(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t def);

}  // namespace common
