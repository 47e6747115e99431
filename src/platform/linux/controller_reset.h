#pragma once
// Resetting an NVMe controller after a firmware commit that asks for it,
// and waiting, bounded, until the kernel reports it live again, so that
// identify data read afterwards come from the new firmware.
#include <cstdint>
#include <string>

#include "platform/linux/kernel_calls.h"
#include "platform/os.h"

namespace os::linuxos {

struct ControllerPaths {
  std::string node;   // "/dev/nvme0"
  std::string state;  // "/sys/class/nvme/nvme0/state"
};

inline constexpr uint32_t kResetWaitMs = 30000;
inline constexpr uint32_t kResetPollMs = 100;

// 0 once the controller is live again; ETIMEDOUT when it did not come back
// within kResetWaitMs; ENODEV when it died; the errno of the open or of
// the reset otherwise. Waits with `clock.Sleep`.
int ResetControllerAndWait(KernelCalls& kernel, Os& clock, const ControllerPaths& paths);

}  // namespace os::linuxos
