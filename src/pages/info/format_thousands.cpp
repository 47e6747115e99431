#include "pages/info/format_thousands.h"

#include <vector>

namespace info {

std::string FormatThousands(uint64_t value) { return GroupThousands(std::to_string(value)); }

std::string GroupThousands(std::string_view digits) {
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (size_t i = 0; i < digits.size(); ++i) {
    // A separator before every full group of three counted from the right.
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string ScaledDecimal(std::span<const uint8_t> bytes, uint32_t factor) {
  // Base-10^9 limbs, least significant first: each byte from the top shifts the
  // number left by 8 bits, then the factor multiplies the whole.
  constexpr uint64_t kBase = 1000000000;
  std::vector<uint64_t> limbs{0};
  auto mulAdd = [&limbs](uint64_t mul, uint64_t add) {
    uint64_t carry = add;
    for (uint64_t& limb : limbs) {
      const uint64_t v = limb * mul + carry;
      limb = v % kBase;
      carry = v / kBase;
    }
    while (carry > 0) {
      limbs.push_back(carry % kBase);
      carry /= kBase;
    }
  };
  for (size_t i = bytes.size(); i-- > 0;) mulAdd(256, bytes[i]);
  mulAdd(factor, 0);
  while (limbs.size() > 1 && limbs.back() == 0) limbs.pop_back();

  std::string out = std::to_string(limbs.back());
  for (size_t i = limbs.size() - 1; i-- > 0;) {
    const std::string part = std::to_string(limbs[i]);
    out.append(9 - part.size(), '0');
    out += part;
  }
  return out;
}

}  // namespace info
