#include "lab/drives/value_text.h"

#include <algorithm>

namespace lab::drives {

std::string HexBytes(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    s.push_back(kDigits[b >> 4]);
    s.push_back(kDigits[b & 0x0F]);
  }
  return s;
}

void ApplyBytePatches(std::span<uint8_t> block, const std::vector<BytePatch>& patches) {
  for (const BytePatch& p : patches) {
    if (p.offset > block.size() || p.bytes.size() > block.size() - p.offset) continue;
    std::copy(p.bytes.begin(), p.bytes.end(), block.begin() + static_cast<ptrdiff_t>(p.offset));
  }
}

std::vector<uint8_t> PasswordField(std::string_view text) {
  std::vector<uint8_t> field(32, 0);
  for (size_t i = 0; i < text.size() && i < field.size(); ++i)
    field[i] = static_cast<uint8_t>(text[i]);
  return field;
}

}  // namespace lab::drives
