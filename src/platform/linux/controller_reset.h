#pragma once
// What follows a Firmware Commit that stored the image and asks for a reset
// before it runs: the reset it names when Linux can make it (a controller
// reset, or an NVM subsystem reset where the kernel and the controller
// support one), then a bounded wait until the kernel reports the controllers
// live again, so that identify data read afterwards come from the new
// firmware. A conventional reset is a reboot or power cycle, which is left to
// the user.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/kernel_calls.h"
#include "platform/os.h"

namespace os::linuxos {

struct ControllerPaths {
  std::string node;   // "/dev/nvme0"; empty: no controller to reset (ENODEV)
  std::string state;  // "/sys/class/nvme/nvme0/state"
  // The state attributes of the other controllers of its NVM subsystem,
  // which an NVM subsystem reset takes down too.
  std::vector<std::string> siblingStates;
};

// The state attributes of the controllers that share `controller`'s NVM
// subsystem, as <sysRoot>/class/nvme-subsystem lists them, the controller
// itself left out. Empty when it has no subsystem entry.
std::vector<std::string> SubsystemSiblingStates(const std::string& sysRoot,
                                                const std::string& controller);

inline constexpr uint32_t kResetWaitMs = 30000;
inline constexpr uint32_t kResetPollMs = 100;

enum class Activation {
  kControllerReset,        // the controller was reset and is live again
  kSubsystemReset,         // the NVM subsystem was reset, its controllers are live
  kRebootNeeded,           // a conventional reset: the image runs after a reboot
  kSubsystemResetRefused,  // no NVM subsystem reset here: the image runs after a reboot
};

struct ActivationResult {
  Activation how = Activation::kRebootNeeded;
  // 0; ETIMEDOUT when a controller did not come back within kResetWaitMs;
  // ENODEV when one died; the errno of the open or of the reset otherwise.
  int error = 0;
};

// For a commit status IsCommitResetStatus accepts. Waits with `clock.Sleep`.
ActivationResult ActivateCommittedImage(KernelCalls& kernel, Os& clock,
                                        const ControllerPaths& paths, int commitStatus);

// One line for the trace: what was done and what the user has to do.
std::string DescribeActivation(const ActivationResult& result);

}  // namespace os::linuxos
