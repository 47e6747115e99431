#include "platform/linux/controller_reset.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/text.h"
#include "platform/linux/nvme_status.h"

namespace os::linuxos {
namespace {

namespace fs = std::filesystem;

// "nvme" followed by digits: a controller, not a namespace head ("nvme0n1").
bool IsControllerName(const std::string& name) {
  return name.size() > 4 && name.compare(0, 4, "nvme") == 0 &&
         name.find_first_not_of("0123456789", 4) == std::string::npos;
}

// 0 once every attribute reads "live" (or cannot be read: the reset ioctl
// returns once that controller's reset ran); ENODEV when one is dead or
// being removed; ETIMEDOUT when one is not back within kResetWaitMs.
int WaitLive(KernelCalls& kernel, Os& clock, const std::vector<std::string>& states) {
  for (uint32_t waited = 0;; waited += kResetPollMs) {
    bool allLive = true;
    for (const std::string& path : states) {
      const std::string state = kernel.ReadAttribute(path);
      if (state.empty() || state == "live") continue;
      if (state == "dead" || state.rfind("deleting", 0) == 0) return ENODEV;
      allLive = false;
    }
    if (allLive) return 0;
    if (waited >= kResetWaitMs) return ETIMEDOUT;
    clock.Sleep(kResetPollMs);
  }
}

// The errno of the open or of the reset, 0 when the reset was made.
template <typename Reset>
int OnNode(KernelCalls& kernel, const std::string& node, Reset reset) {
  if (node.empty()) return ENODEV;
  const OpenedNode opened = kernel.Open(node, O_RDWR, false);
  if (opened.fd < 0) return -opened.fd;
  const int e = reset(opened.fd);
  ::close(opened.fd);
  return e;
}

// What a kernel or controller without NVM subsystem reset answers: no
// subsystem known for the controller (ENOTTY), or a transport that cannot
// write the register.
bool SubsystemResetUnsupported(int e) { return e == ENOTTY || e == EINVAL || e == EOPNOTSUPP; }

}  // namespace

std::vector<std::string> SubsystemSiblingStates(const std::string& sysRoot,
                                                const std::string& controller) {
  std::vector<std::string> states;
  std::error_code ec;
  const fs::path subsystems = fs::path(sysRoot) / "class" / "nvme-subsystem";
  for (fs::directory_iterator it(subsystems, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path subsystem = it->path();
    if (!fs::exists(subsystem / controller, ec)) continue;
    std::vector<std::string> names;
    for (fs::directory_iterator c(subsystem, ec); !ec && c != end; c.increment(ec)) {
      const std::string name = c->path().filename().string();
      if (IsControllerName(name) && name != controller) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
      states.push_back((fs::path(sysRoot) / "class" / "nvme" / name / "state").string());
    break;
  }
  return states;
}

ActivationResult ActivateCommittedImage(KernelCalls& kernel, Os& clock,
                                        const ControllerPaths& paths, int commitStatus) {
  ActivationResult r;
  switch (NvmeStatusCode(commitStatus)) {
    case kNvmeScNeedsControllerReset:
      r.how = Activation::kControllerReset;
      r.error = OnNode(kernel, paths.node, [&](int fd) { return kernel.ResetController(fd); });
      if (r.error == 0) r.error = WaitLive(kernel, clock, {paths.state});
      return r;
    case kNvmeScNeedsSubsystemReset: {
      r.how = Activation::kSubsystemReset;
      r.error = OnNode(kernel, paths.node, [&](int fd) { return kernel.ResetSubsystem(fd); });
      if (SubsystemResetUnsupported(r.error)) {
        // A controller reset would not run the image: it waits for a reboot.
        r.how = Activation::kSubsystemResetRefused;
        r.error = 0;
        return r;
      }
      if (r.error != 0) return r;
      std::vector<std::string> states{paths.state};
      states.insert(states.end(), paths.siblingStates.begin(), paths.siblingStates.end());
      r.error = WaitLive(kernel, clock, states);
      return r;
    }
    default:
      // A conventional reset: no request of this system makes one.
      r.how = Activation::kRebootNeeded;
      return r;
  }
}

std::string DescribeActivation(const ActivationResult& r) {
  if (r.error != 0) {
    const char* what = r.how == Activation::kSubsystemReset ? "NVM subsystem" : "controller";
    return common::Format("the %s reset after the firmware commit failed: %s", what,
                          std::strerror(r.error));
  }
  switch (r.how) {
    case Activation::kControllerReset:
      return "controller reset after the firmware commit; the new firmware runs";
    case Activation::kSubsystemReset:
      return "NVM subsystem reset after the firmware commit; the new firmware runs";
    case Activation::kSubsystemResetRefused:
      return "the firmware commit asks for an NVM subsystem reset, which is not available here: "
             "the new firmware runs after a reboot";
    case Activation::kRebootNeeded:
      break;
  }
  return "the firmware commit asks for a conventional reset: the new firmware runs after a reboot";
}

}  // namespace os::linuxos
