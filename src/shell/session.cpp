#include "shell/session.h"

#include "lab/demo/open_lab.h"
#include "lab/edge/lab_os.h"
#include "platform/host_os.h"
#include "platform/virtual_clock.h"
#ifdef _WIN32
#include "platform/win32/win32_os.h"
#else
#include "platform/linux/linux_os.h"
#endif
#include "shell/session_backend.h"
#include "shell/startup_checks.h"

namespace app {
std::unique_ptr<os::Os> OpenBackend(const std::string& lab, std::string& error) {
#ifdef _WIN32
  if (lab.empty()) return os::MakeWin32Os(error);
#else
  if (lab.empty()) return std::make_unique<os::LinuxOs>();
#endif
  if (auto problem = LabArgumentProblem(lab)) {
    // Nothing is created beside a file that is no lab.
    error = *problem;
    return nullptr;
  }
  auto labOs = lab::OpenLab(lab, error);
  if (!labOs) return nullptr;
  labOs->Clock() = os::VirtualClock(os::HostOs().GetLocalTime());
  return labOs;
}

SessionPlugins::SessionPlugins(TUpdateDispaly& form, RunContext& ctx)
    : scan_(form, ctx),
      infoPages_(form, scan_.Drives()),
      erase_(form, scan_.Drives()),
      update_(form, scan_.Drives(), scan_.Columns()),
      backup_(form, scan_.Aspi()),
      // The lab is where users rehearse: missing rights there are told as on
      // the machine's own drives.
      access_(form, scan_.Aspi(), IsMachineBackend(ctx.os)) {}

}  // namespace app
