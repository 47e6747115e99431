#include "pages/info/decoder/value_text.h"

#include "common/bytes.h"
#include "common/text.h"

namespace info {
namespace {

uint32_t Word(std::span<const uint8_t> numeric, int index) {
  return common::ReadLe32(numeric, static_cast<size_t>(index) * 4);
}

// "0x" followed by the given number of 32-bit words, most significant first.
std::string Words(std::span<const uint8_t> numeric, int count) {
  std::string out = "0x";
  for (int i = count - 1; i >= 0; --i) out += common::Format("%08X", Word(numeric, i));
  return out;
}

}  // namespace

std::string NumericValueText(std::span<const uint8_t> numeric, size_t byteLength,
                             DecodeStyle style) {
  const bool deviceInfo = style == DecodeStyle::kDeviceInfo;
  switch (byteLength) {
    case 1:
      return common::Format("0x%02X", Word(numeric, 0) & 0xFFu);
    case 2:
      return common::Format("0x%04X", Word(numeric, 0) & 0xFFFFu);
    case 4:
      return common::Format("0x%08X", Word(numeric, 0));
    case 6:
      return common::Format("0x%04X%08X", Word(numeric, 1) & 0xFFFFu, Word(numeric, 0));
    case 8:
      return Words(numeric, 2);
    case 16:
      return Words(numeric, 4);
    case 24:
      return deviceInfo ? Words(numeric, 6) : std::string();
    case 32:
      return deviceInfo ? Words(numeric, 8) : std::string();
    default:
      return std::string();
  }
}

}  // namespace info
