#include "package/generate/retry_data.h"

namespace firmware {

size_t RetryDataLength(std::string_view tag) {
  const auto has = [&](std::string_view word) { return tag.find(word) != std::string_view::npos; };
  if (has("BiCS")) return 536;
  if (tag == "SSV3") return 256;
  if (tag == "SSV3M") return 536;
  if (tag == "SSV4") return 371;
  if (tag == "SSV4M") return 264;
  if (has("HYNV2") || has("HYNV4") || has("HYNV5")) return 512;
  return 0;
}

}  // namespace firmware
