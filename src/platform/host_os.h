#pragma once
// The machine the tool runs on: real clock, real files, real processes. The
// drive-facing backends (Linux pass-through, lab) build on it.
#include <cstdint>
#include <map>

#include "platform/os.h"

namespace os {

class HostOs : public Os {
 public:
  SYSTEMTIME GetLocalTime() override;
  uint64_t GetTickCount64() override;
  void Sleep(DWORD milliseconds) override;
  UINT WinExec(const std::string& commandLine, UINT showCommand) override;
  bool CreateProcessA(const std::string& commandLine, UINT showCommand,
                      PROCESS_INFORMATION* info) override;
  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
  bool GetExitCodeProcess(HANDLE process, DWORD* exitCode) override;
  // Closes process handles; other handles are the backend's.
  bool CloseHandle(HANDLE handle) override;
  bool FileExists(const std::string& path) override;
  bool DeleteFileA(const std::string& path) override;

 protected:
  // A process handle for work a backend did itself, already ended.
  HANDLE AddEndedProcess(DWORD exitCode);

 private:
  struct Child {
    intptr_t process = 0;  // host::StartProcess's; 0 once ended
    bool ended = false;
    DWORD exitCode = 0;
  };
  intptr_t Spawn(const std::string& commandLine);
  HANDLE AddProcess(Child child);
  // True once the child has ended (its exit code is then kept).
  bool Reap(Child& c);

  std::map<uintptr_t, Child> children_;
  uintptr_t nextProcess_ = kProcessHandleBase;
};

}  // namespace os
