#include "config/settings/settings_file_check.h"

#include <algorithm>

namespace app {

std::optional<std::string> SettingsEncodingProblem(std::span<const uint8_t> head) {
  head = head.first(std::min(head.size(), kSettingsHeadBytes));
  if (head.size() >= 2 &&
      ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF))) {
    return std::string(kSettingsUtf16Problem);
  }
  // Without a mark: "[\0O\0p\0" (little endian) or "\0[\0O\0p" (big endian).
  // An 8-bit INI file holds no NUL at all, so half of the bytes being NUL in
  // one of the two positions is UTF-16.
  if (head.size() < 4) return std::nullopt;
  size_t evenZeros = 0, oddZeros = 0;
  for (size_t i = 0; i < head.size(); ++i) {
    if (head[i] != 0) continue;
    (i % 2 == 0 ? evenZeros : oddZeros) += 1;
  }
  const size_t pairs = head.size() / 2;
  if (evenZeros * 2 >= pairs + 1 || oddZeros * 2 >= pairs + 1) {
    return std::string(kSettingsUtf16Problem);
  }
  return std::nullopt;
}

}  // namespace app
