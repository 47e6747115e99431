#pragma once
// The host's files with a virtual clock and recorded (not started) processes:
// the base of the lab machine and of tests that need no drive.
#include <string>
#include <vector>

#include "platform/host_os.h"
#include "platform/virtual_clock.h"

namespace os {

class VirtualOs : public HostOs {
 public:
  explicit VirtualOs(SYSTEMTIME start = VirtualClock::DefaultStart()) : clock_(start) {}

  SYSTEMTIME GetLocalTime() override { return clock_.Now(); }
  uint64_t GetTickCount64() override { return clock_.ElapsedMs(); }
  void Sleep(DWORD milliseconds) override { clock_.Advance(milliseconds); }
  // Records the command line; succeeds when the program file exists.
  UINT WinExec(const std::string& commandLine, UINT showCommand) override;

  VirtualClock& Clock() { return clock_; }
  const std::vector<std::string>& StartedProcesses() const { return started_; }

 private:
  VirtualClock clock_;
  std::vector<std::string> started_;
};

}  // namespace os
