#include "package/generate/flu_version.h"

#include <algorithm>

#include "package/identity_field.h"

namespace firmware {
namespace {

constexpr int kYearLetterBase = 1936;
constexpr size_t kYearDigits = 4;
constexpr size_t kTailLength = 6;
constexpr size_t kUndatedLength = 7;

bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

}  // namespace

BuildVersion VersionFromIdentityField(std::span<const uint8_t> field) {
  const auto at = [&](size_t i) -> uint8_t { return i < field.size() ? field[i] : 0; };
  BuildVersion v{};
  if (!IsDigit(at(0))) {
    for (size_t i = 0; i < kUndatedLength; ++i) v[i] = at(i);
    v[kUndatedLength] = ' ';
    return v;
  }
  // The year is the number the first four characters start with.
  int year = 0;
  for (size_t i = 0; i < kYearDigits && IsDigit(at(i)); ++i) year = year * 10 + (at(i) - '0');
  v[0] = static_cast<uint8_t>(year - kYearLetterBase);
  for (size_t i = 0; i < kTailLength; ++i) v[1 + i] = at(kYearDigits + i);
  if (v[kTailLength] == '_') v[kTailLength] = ' ';
  v[1 + kTailLength] = 0;
  return v;
}

BuildVersion BuildVersionText(const std::string& setCidOverride,
                              std::span<const uint8_t> identityField) {
  if (setCidOverride.empty()) return VersionFromIdentityField(identityField);
  BuildVersion v{};
  std::copy_n(setCidOverride.begin(), std::min(setCidOverride.size(), v.size()), v.begin());
  return v;
}

std::string BuildVersionString(const BuildVersion& v) {
  const auto end = std::find(v.begin(), v.end(), uint8_t{0});
  return std::string(v.begin(), end);
}

}  // namespace firmware
