#pragma once
// The flash clock names SetCID.ini may give, with the 16-bit code the CID
// record stores for each.
#include <cstdint>
#include <optional>
#include <string_view>

namespace firmware {

// The code of a clock name ("CLK_162p5" is 0x001A); names compare exactly.
std::optional<uint16_t> FlashClockCode(std::string_view name);

}  // namespace firmware
