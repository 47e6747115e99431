#include "device/discovery/inquiry_kind.h"

#include <cstring>

namespace device {
namespace {

constexpr size_t kVendorOffset = 8;
constexpr size_t kProductOffset = 16;

bool At(std::span<const uint8_t> b, size_t offset, const char* text) {
  const size_t n = std::strlen(text);
  return offset <= b.size() && n <= b.size() - offset &&
         std::memcmp(b.data() + offset, text, n) == 0;
}

}  // namespace

InquiryKind ClassifyInquiry(std::span<const uint8_t> q) {
  if (At(q, kVendorOffset, "VKMPCIE") && At(q, kProductOffset, "TESTER")) return kKindPcieTester;
  if (At(q, kVendorOffset, "VKM") && At(q, kProductOffset, "VKPWR552"))
    return kKindSinglePowerTester;
  if (At(q, kVendorOffset, "VKM") && At(q, kProductOffset, "VK552")) return kKindVk552;
  if (At(q, kVendorOffset, "VKM") && At(q, 35, "ASMIC")) return kKindLeakageTester;
  if (At(q, 5, "vkm") && At(q, kVendorOffset, "VKM")) return kKindFlashDevice;
  return kKindOther;
}

bool IsGenesysTester(std::span<const uint8_t> q) {
  return At(q, kVendorOffset, "Genesys") && q.size() > 32 && q[32] >= 'N' && q[32] <= 'Z';
}

}  // namespace device
