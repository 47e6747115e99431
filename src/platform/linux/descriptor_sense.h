#pragma once
// Asking a SATA disk behind libata for descriptor-format sense: MODE SENSE
// of the Control mode page, then MODE SELECT of the same page with D_SENSE
// set. Errors of ATA PASS-THROUGH commands then come back with an ATA
// Status Return descriptor, whose layout every kernel writes the same way
// (the fixed format of kernels before 6.11 puts the registers elsewhere, the
// LBA past the bytes the kernel reports as valid).
// libata accepts a MODE SELECT that changes D_SENSE only, so every other
// byte of the page goes back as the disk reported it. The setting is the
// kernel's for the disk, seen by every program until the next reboot: the
// page is put back as it was found when the tool is done with the disk.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/linux/kernel_calls.h"

namespace os::linuxos {

inline constexpr uint8_t kOpModeSense10 = 0x5A;
inline constexpr uint8_t kOpModeSelect10 = 0x55;
inline constexpr uint8_t kControlModePage = 0x0A;
inline constexpr uint8_t kControlModePageLength = 0x0A;  // bytes after the page header
inline constexpr uint8_t kDSense = 0x04;                 // page byte 2
inline constexpr size_t kModeHeader10Size = 8;
inline constexpr size_t kControlPageSize = 2 + kControlModePageLength;
inline constexpr uint16_t kModeSenseAllocation = 0xFC;
inline constexpr uint32_t kModePageTimeoutMs = 10000;

// MODE SENSE(10), no block descriptors, current Control page.
std::array<uint8_t, 10> ModeSenseControlCdb();
// MODE SELECT(10), page format, `length` bytes of parameter list.
std::array<uint8_t, 10> ModeSelectCdb(uint16_t length);
// The MODE SELECT parameter list for a MODE SENSE(10) reply: an empty
// header, no block descriptor, the page with D_SENSE set. Empty when the
// reply holds no Control page or D_SENSE is set already.
std::vector<uint8_t> DescriptorSenseParameters(std::span<const uint8_t> modeSenseReply);

// The parameter list that puts back the page `DescriptorSenseParameters`
// changed: the same bytes with D_SENSE clear.
std::vector<uint8_t> FoundPageParameters(std::span<const uint8_t> descriptorSenseParameters);

struct DescriptorSenseAsked {
  bool on = false;  // descriptor sense is on afterwards
  // Set when it was switched on here: the MODE SELECT parameter list that
  // leaves the page as it was found.
  std::vector<uint8_t> restore;
};

// Runs both commands on `fd`.
DescriptorSenseAsked AskForDescriptorSense(KernelCalls& kernel, int fd);
// MODE SELECT of `restore` (from AskForDescriptorSense); true when taken.
bool PutBackControlPage(KernelCalls& kernel, int fd, std::span<const uint8_t> restore);

}  // namespace os::linuxos
