#pragma once
// The host's files with a virtual clock and recorded (not started) processes:
// the base of the lab machine and of tests that need no drive. A process
// started through CreateProcessA runs on the virtual clock: it ends after the
// run time set for its program (at once by default), and waiting for it moves
// the clock, never longer than the wait allows.
#include <cstdint>
#include <map>
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
  // Starts the program as WinExec does and hands out a process that runs for
  // the program's run time on the virtual clock.
  bool CreateProcessA(const std::string& commandLine, UINT showCommand,
                      PROCESS_INFORMATION* info) override;
  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
  bool GetExitCodeProcess(HANDLE process, DWORD* exitCode) override;
  bool CloseHandle(HANDLE handle) override;

  VirtualClock& Clock() { return clock_; }
  const std::vector<std::string>& StartedProcesses() const { return started_; }

  // How long processes of `program` (its file name, any case, with or without
  // ".exe") run and the code they exit with. kNeverEnds: a hung program.
  static constexpr uint64_t kNeverEnds = UINT64_MAX;
  void SetProcessBehaviour(const std::string& program, uint64_t runMs, DWORD exitCode);
  // Process handles not yet closed, for tests that check nothing leaks.
  size_t OpenProcessCount() const { return processes_.size(); }

 protected:
  // Sets the run time and exit code of a process just started, unless a
  // behaviour set for its program overrides them.
  void SetProcessOutcome(HANDLE process, uint64_t runMs, DWORD exitCode);

 private:
  struct Process {
    std::string program;  // upper-case file name without ".EXE"
    uint64_t startedAt = 0;
    uint64_t runMs = 0;
    DWORD exitCode = 0;
    bool Ended(uint64_t now) const { return runMs != kNeverEnds && now - startedAt >= runMs; }
  };
  struct Behaviour {
    uint64_t runMs;
    DWORD exitCode;
  };
  Process* FindProcess(HANDLE handle);

  VirtualClock clock_;
  std::vector<std::string> started_;
  std::map<uintptr_t, Process> processes_;
  uintptr_t nextProcess_ = kProcessHandleBase;
  std::map<std::string, Behaviour> behaviours_;
};

}  // namespace os
