#include "pages/info/smart/nvme_smart_decimal.h"

#include <algorithm>
#include <cstdint>

namespace info {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<std::string> HexValueToDecimal(std::string_view text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return std::nullopt;
  const std::string_view digits = text.substr(2);
  // Decimal digits, least significant first; each hex digit multiplies by 16.
  std::vector<uint8_t> dec{0};
  for (const char c : digits) {
    int carry = HexDigit(c);
    if (carry < 0) return std::nullopt;
    for (uint8_t& d : dec) {
      const int v = d * 16 + carry;
      d = static_cast<uint8_t>(v % 10);
      carry = v / 10;
    }
    while (carry > 0) {
      dec.push_back(static_cast<uint8_t>(carry % 10));
      carry /= 10;
    }
  }
  while (dec.size() > 1 && dec.back() == 0) dec.pop_back();
  std::string out;
  out.reserve(dec.size());
  for (auto it = dec.rbegin(); it != dec.rend(); ++it) out += static_cast<char>('0' + *it);
  return out;
}

void AppendDecimalColumn(std::vector<InfoRow>& rows) {
  for (InfoRow& row : rows) {
    const std::string value = row.subItems.empty() ? std::string() : row.subItems.front();
    if (row.subItems.empty()) row.subItems.emplace_back();
    row.subItems.push_back(HexValueToDecimal(value).value_or(std::string()));
  }
}

}  // namespace info
