#pragma once
// The machine the tool runs on: real clock, real files, real processes. The
// drive-facing backends (Linux pass-through, lab) build on it.
#include "platform/os.h"

namespace os {

class HostOs : public Os {
 public:
  SYSTEMTIME GetLocalTime() override;
  uint64_t GetTickCount64() override;
  void Sleep(DWORD milliseconds) override;
  UINT WinExec(const std::string& commandLine, UINT showCommand) override;
  bool FileExists(const std::string& path) override;
  bool DeleteFileA(const std::string& path) override;
};

}  // namespace os
