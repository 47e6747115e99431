#pragma once
// The PCI identifiers (device id << 16 | vendor id) of the VK4630 controllers
// and the drives built on them, as the miniport reports them to the
// identifier control request. Zero-terminated.
#include <cstdint>

namespace controller {

inline constexpr uint16_t kVkmPciVendorId = 0x1F9F;

inline constexpr uint32_t PciIdentifier(uint16_t deviceId) {
  return uint32_t{deviceId} << 16 | kVkmPciVendorId;
}

inline constexpr uint32_t kSupportedPciIds[] = {
    PciIdentifier(0x4630),  // VK4630, first stepping
    PciIdentifier(0x4631),  // VK4630, second stepping
    PciIdentifier(0x4632),  // VK4630 DRAM-less build
    PciIdentifier(0x4633),  // VK4630 with host memory buffer
    PciIdentifier(0x4634),  // VK4630 industrial temperature range
    PciIdentifier(0x4635),  // client drive, 2280
    PciIdentifier(0x4636),  // client drive, 2242
    PciIdentifier(0x4637),  // client drive, 2230
    PciIdentifier(0x4638),  // boot drive, BGA
    PciIdentifier(0x4639),  // data-centre drive, U.2
    0,
};
static_assert(sizeof(kSupportedPciIds) / sizeof(kSupportedPciIds[0]) == 11);

}  // namespace controller
