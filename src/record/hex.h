#pragma once
// Bytes as lower-case hex text and back, for the buffers of a recording.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace record {

std::string ToHex(std::span<const uint8_t> bytes);
// nullopt on an odd length or a character that is no hex digit.
std::optional<std::vector<uint8_t>> FromHex(std::string_view text);

}  // namespace record
