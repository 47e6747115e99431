#pragma once
// The NVMe status the pass-through ioctls return (the completion's status
// field without the phase bit): status code, status code type, and the
// firmware commit statuses that mean "stored, runs after a reset".
#include <cstdint>
#include <string>

namespace os::linuxos {

inline constexpr uint8_t kNvmeSctGeneric = 0;
inline constexpr uint8_t kNvmeSctCommandSpecific = 1;
// Firmware Commit, command specific: a conventional reset (0Bh), an NVM
// subsystem reset (10h) or a controller reset (11h) activates the image.
inline constexpr uint8_t kNvmeScNeedsConventionalReset = 0x0B;
inline constexpr uint8_t kNvmeScNeedsSubsystemReset = 0x10;
inline constexpr uint8_t kNvmeScNeedsControllerReset = 0x11;

constexpr uint8_t NvmeStatusCode(int status) { return static_cast<uint8_t>(status & 0xFF); }
constexpr uint8_t NvmeStatusCodeType(int status) {
  return static_cast<uint8_t>((status >> 8) & 0x07);
}
constexpr bool NvmeDoNotRetry(int status) { return (status & 0x4000) != 0; }

// A Firmware Commit that stored the image and asks for a reset.
constexpr bool IsCommitResetStatus(int status) {
  const uint8_t sc = NvmeStatusCode(status);
  return status > 0 && NvmeStatusCodeType(status) == kNvmeSctCommandSpecific &&
         (sc == kNvmeScNeedsConventionalReset || sc == kNvmeScNeedsSubsystemReset ||
          sc == kNvmeScNeedsControllerReset);
}

// "NVMe status 0x4001 (SCT 0, SC 0x01, DNR) DW0 0x00000000" for the trace.
std::string DescribeNvmeStatus(int status, uint32_t dw0);

}  // namespace os::linuxos
