#include "pages/info/decoder/rule_numbers.h"

#include <algorithm>

#include "common/text.h"

namespace info {

int32_t ParseLeadingDecimal(std::string_view text, size_t maxChars) {
  const std::string_view looked = text.substr(0, std::min(maxChars, text.size()));
  int64_t value = 0;
  for (const char c : looked) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      // The format looks at a handful of characters; a caller asking for more
      // still never overflows.
      if (value > INT32_MAX) return INT32_MAX;
    } else if (common::IsBlank(c) && value == 0) {
      continue;
    } else {
      break;
    }
  }
  return static_cast<int32_t>(value);
}

std::vector<int32_t> ParseRuleList(std::string_view text) {
  std::vector<int32_t> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) comma = text.size();
    if (comma > pos) out.push_back(ParseLeadingDecimal(text.substr(pos, comma - pos), 4));
    pos = comma + 1;
  }
  return out;
}

int32_t ListElement(std::string_view text, int k) {
  if (k < 0) return -1;
  const std::vector<int32_t> list = ParseRuleList(text);
  return static_cast<size_t>(k) < list.size() ? list[static_cast<size_t>(k)] : -1;
}

uint32_t ExtractBits(std::span<const uint8_t> value, int64_t p, int32_t w) {
  if (w < 1 || w > kMaxBitFieldWidth || p < 0) return 0;
  uint32_t out = 0;
  for (int32_t i = 0; i < w; ++i) {
    const uint64_t bit = static_cast<uint64_t>(p) + static_cast<uint64_t>(i);
    const uint64_t byte = bit / 8;
    if (byte >= value.size()) break;
    if ((value[byte] >> (bit % 8)) & 1u) out |= uint32_t{1} << i;
  }
  return out;
}

std::string PrintablePrefix(std::string_view text) {
  size_t n = 0;
  const size_t limit = std::min(text.size(), kMaxPrintableChars);
  while (n < limit) {
    const auto c = static_cast<unsigned char>(text[n]);
    if (c < 0x20 || c > 0x7F) break;
    ++n;
  }
  return std::string(text.substr(0, n));
}

}  // namespace info
