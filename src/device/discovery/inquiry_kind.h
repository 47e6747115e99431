#pragma once
// The vendor's special USB devices, told apart by their INQUIRY strings.
#include <cstdint>
#include <span>

namespace device {

enum InquiryKind : uint32_t {
  kKindOther = 0,
  kKindPcieTester = 1,         // vendor "VKMPCIE", product "TESTER"
  kKindSinglePowerTester = 2,  // vendor "VKM...", product "VKPWR552"
  kKindVk552 = 4,              // vendor "VKM", product "VK552": no bit, no bridge probe
  kKindLeakageTester = 8,      // vendor "VKM", "ASMIC" at byte 35
  kKindFlashDevice = 16,       // "vkm" at bytes 5..7, vendor "VKM"
};

// First match wins; comparisons are case-sensitive prefix matches.
InquiryKind ClassifyInquiry(std::span<const uint8_t> inquiry);

// A Genesys tester bridge: "Genesys" at bytes 8..14 and an upper-case letter
// from 'N' to 'Z' at byte 32 of the bridge inquiry.
bool IsGenesysTester(std::span<const uint8_t> bridgeInquiry);

}  // namespace device
