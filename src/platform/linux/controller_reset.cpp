#include "platform/linux/controller_reset.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace os::linuxos {

int ResetControllerAndWait(KernelCalls& kernel, Os& clock, const ControllerPaths& paths) {
  const OpenedNode node = kernel.Open(paths.node, O_RDWR, false);
  if (node.fd < 0) return -node.fd;
  const int e = kernel.ResetController(node.fd);
  ::close(node.fd);
  if (e != 0) return e;
  for (uint32_t waited = 0;; waited += kResetPollMs) {
    const std::string state = kernel.ReadAttribute(paths.state);
    // No state attribute to ask: the reset ioctl returns once the reset ran.
    if (state.empty() || state == "live") return 0;
    if (state == "dead" || state.rfind("deleting", 0) == 0) return ENODEV;
    if (waited >= kResetWaitMs) return ETIMEDOUT;
    clock.Sleep(kResetPollMs);
  }
}

}  // namespace os::linuxos
