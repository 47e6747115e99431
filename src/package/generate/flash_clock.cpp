#include "package/generate/flash_clock.h"

#include <array>
#include <utility>

namespace firmware {
namespace {

constexpr std::array<std::pair<std::string_view, uint16_t>, 28> kClocks = {{
    {"CLK_100", 0x00A0},   {"CLK_200", 0x0020},    {"CLK_50", 0x0120},     {"CLK_125", 0x00A8},
    {"CLK_137p5", 0x00AC}, {"CLK_150", 0x0018},    {"CLK_162p5", 0x001A},  {"CLK_175", 0x001C},
    {"CLK_187p5", 0x001E}, {"CLK_25", 0x01A0},     {"CLK_37p5", 0x0118},   {"CLK_62p5", 0x0128},
    {"CLK_75", 0x0098},    {"CLK_81p25", 0x009A},  {"CLK_87p5", 0x009C},   {"CLK_193p75", 0x001F},
    {"CLK_56p25", 0x0124}, {"CLK_68p75", 0x012C},  {"CLK_93p75", 0x009E},  {"CLK_275", 0x002C},
    {"CLK_262p5", 0x002A}, {"CLK_225", 0x0024},    {"CLK_250", 0x0028},    {"CLK_212p5", 0x0022},
    {"CLK_237p5", 0x0026}, {"CLK_181p25", 0x001D}, {"CLK_156p25", 0x0019}, {"CLK_168p75", 0x001B},
}};

}  // namespace

std::optional<uint16_t> FlashClockCode(std::string_view name) {
  for (const auto& [clock, code] : kClocks) {
    if (clock == name) return code;
  }
  return std::nullopt;
}

}  // namespace firmware
