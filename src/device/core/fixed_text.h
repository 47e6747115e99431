#pragma once
// Fixed-size character fields of the device records: writes always leave a
// terminating NUL, reads never run past the field.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace device {

template <size_t N>
void SetFixedText(char (&field)[N], std::string_view text) {
  static_assert(N > 0);
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

template <size_t N>
std::string FixedText(const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n] != '\0') ++n;
  return std::string(field, n);
}

}  // namespace device
