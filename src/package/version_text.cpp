#include "package/version_text.h"

#include <algorithm>

namespace firmware {
namespace {

std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

}  // namespace

int CompareVersionBytes(std::string_view a, std::string_view b) {
  a = UpToNul(a);
  b = UpToNul(b);
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool OrderedBefore(std::string_view a, std::string_view b) { return CompareVersionBytes(a, b) < 0; }

std::string ReadVersionText(std::span<const uint8_t> image, int64_t offset, int length,
                            bool swapPairs) {
  length = std::clamp(length, 1, kMaxVersionChars);
  std::string out;
  if (offset < 0 || static_cast<uint64_t>(offset) >= image.size()) return out;
  const auto at = [&](size_t i) -> uint8_t {
    const uint64_t pos = static_cast<uint64_t>(offset) + i;
    return pos < image.size() ? image[static_cast<size_t>(pos)] : 0;
  };
  for (size_t i = 0; i < static_cast<size_t>(length); ++i) {
    // Swapping walks whole pairs, so an odd length ends with the partner byte.
    const uint8_t c = swapPairs ? at(i ^ 1U) : at(i);
    if (c == 0) break;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

std::string ReadOfferedVersion(std::span<const uint8_t> image,
                               const app::ControllerProfile& profile) {
  return ReadVersionText(image, profile.ISPVerOffset, profile.ISPVerChkStrLengh,
                         profile.ISPVerChkStrSwapFlag);
}

std::string ReadNvmeOfferedVersion(std::span<const uint8_t> image,
                                   const app::ControllerProfile& profile) {
  return ReadVersionText(image, profile.ISPVerOffset, profile.ISPVerChkStrLengh, false);
}

}  // namespace firmware
