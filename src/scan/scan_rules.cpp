#include "scan/scan_rules.h"

#include <algorithm>

#include "device/discovery/scan_flags.h"

namespace app {

uint32_t BuildScanFlags(const AppOptions& options) {
  uint32_t flags = device::SCAN_ATA_BUS | device::SCAN_NVME_MINIPORT | device::SCAN_NVME_BRIDGE;
  if (options.ATA_PIFlag) flags |= device::SCAN_ATAPI;
  if (options.SupportInboxDriver) flags |= device::SCAN_NVME;
  if (options.EnableUFD) flags |= device::SCAN_VKM_UFD;
  return flags;
}

bool MaskedCompare(std::string_view tag, std::string_view text, size_t length,
                   std::string_view mask) {
  auto at = [](std::string_view s, size_t i) { return i < s.size() ? s[i] : '\0'; };
  for (size_t i = 0; i < length; ++i) {
    if (!mask.empty() && at(mask, i) != '1') continue;
    if (at(tag, i) != at(text, i)) return false;
  }
  return true;
}

bool BytesEqualAt(std::span<const uint8_t> data, int64_t offset, std::string_view expected) {
  if (expected.empty()) return true;
  if (offset < 0 || static_cast<uint64_t>(offset) > data.size() ||
      expected.size() > data.size() - static_cast<size_t>(offset)) {
    return false;
  }
  return std::equal(expected.begin(), expected.end(), data.begin() + static_cast<ptrdiff_t>(offset),
                    [](char e, uint8_t d) { return static_cast<uint8_t>(e) == d; });
}

}  // namespace app
