#pragma once
// The operating-system boundary. Everything the product asks of Windows goes
// through one object of this interface, created at start and passed down, so
// that the real machine, a lab of emulated drives or a test double can stand
// behind it. Calls report like Windows: a result plus GetLastError().
#include <cstdint>
#include <string>

#include "common/trace.h"
#include "platform/win_types.h"

namespace os {

class Os {
 public:
  virtual ~Os() = default;

  // Clock and delays. All waiting goes through Sleep so that a lab can run on
  // virtual time.
  virtual SYSTEMTIME GetLocalTime() = 0;
  virtual uint64_t GetTickCount64() = 0;
  virtual void Sleep(DWORD milliseconds) = 0;

  // Debugger output: one trace line per call.
  virtual void OutputDebugStringA(const std::string& text) { trace_.Write(text); }
  common::TraceSink& Trace() { return trace_; }

  // Starts a program; like WinExec, a value above 31 means it was started.
  virtual UINT WinExec(const std::string& commandLine, UINT showCommand) = 0;

  // Regular files, named with product (backslash) paths.
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DeleteFileA(const std::string& path) = 0;

  DWORD GetLastError() const { return lastError_; }
  void SetLastError(DWORD code) { lastError_ = code; }

 private:
  common::TraceSink trace_;
  DWORD lastError_ = ERROR_SUCCESS;
};

}  // namespace os
