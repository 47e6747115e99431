#include "lab/machine/names.h"

#include "common/text.h"

namespace lab {

uint32_t StableHash(std::string_view text) {
  uint32_t h = 2166136261u;
  for (char c : text) {
    h ^= static_cast<uint8_t>(c);
    h *= 16777619u;
  }
  return h;
}

std::string IdField(std::string_view text, size_t maxLength) {
  std::string out;
  for (char c : common::TrimRight(text.substr(0, maxLength))) {
    const unsigned char u = static_cast<unsigned char>(c);
    out.push_back(u <= 0x20 || u >= 0x7F || c == ',' || c == '\\' || c == '&' || c == '#' ? '_'
                                                                                          : c);
  }
  return out;
}

}  // namespace lab
