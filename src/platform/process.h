#pragma once
// Starting a program and waiting for it, the way CreateProcess and
// WaitForSingleObject report: a process handle that is closed with
// CloseHandle, a bounded wait, and the exit code once it has ended.
#include "platform/win_types.h"

namespace os {

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
// The exit code of a process that is still running.
inline constexpr DWORD STILL_ACTIVE = 259;
inline constexpr DWORD ERROR_POSSIBLE_DEADLOCK = 1131;

// Process handles of every backend lie in their own range, so a backend's
// CloseHandle can tell them from its device handles.
inline constexpr uintptr_t kProcessHandleBase = uintptr_t{0x7000'0000};
inline constexpr uintptr_t kProcessHandleEnd = uintptr_t{0x7800'0000};
inline bool IsProcessHandleValue(HANDLE h) {
  const uintptr_t v = HandleValue(h);
  return v >= kProcessHandleBase && v < kProcessHandleEnd;
}

}  // namespace os
