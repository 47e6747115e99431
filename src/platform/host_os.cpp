#include "platform/host_os.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <thread>

#include "common/winpath.h"
#include "platform/host/host_file.h"
#include "platform/host/host_process.h"

namespace os {

SYSTEMTIME HostOs::GetLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
#ifdef _WIN32
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(tm.tm_year + 1900);
  st.wMonth = static_cast<WORD>(tm.tm_mon + 1);
  st.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  st.wDay = static_cast<WORD>(tm.tm_mday);
  st.wHour = static_cast<WORD>(tm.tm_hour);
  st.wMinute = static_cast<WORD>(tm.tm_min);
  st.wSecond = static_cast<WORD>(tm.tm_sec);
  st.wMilliseconds = static_cast<WORD>(ms);
  return st;
}

uint64_t HostOs::GetTickCount64() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

void HostOs::Sleep(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The program path is everything before the first blank; it may use
// backslashes. The rest is handed over as the argument string of a shell-less
// start. 0 with the error set when it cannot be started.
intptr_t HostOs::Spawn(const std::string& commandLine) {
  const size_t space = commandLine.find(' ');
  const std::string program = common::ToNativePath(commandLine.substr(0, space));
  const std::string arguments = space == std::string::npos ? "" : commandLine.substr(space + 1);
  bool notFound = false;
  const intptr_t process = host::StartProcess(program, arguments, notFound);
  if (process == 0) SetLastError(notFound ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
  return process;
}

UINT HostOs::WinExec(const std::string& commandLine, UINT /*showCommand*/) {
  const intptr_t process = Spawn(commandLine);
  if (process == 0) return static_cast<UINT>(GetLastError());
  host::ReleaseProcess(process);
  return 33;
}

bool HostOs::CreateProcessA(const std::string& commandLine, UINT /*showCommand*/,
                            PROCESS_INFORMATION* info) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  *info = PROCESS_INFORMATION{};
  const intptr_t process = Spawn(commandLine);
  if (process == 0) return false;
  info->hProcess = AddProcess(Child{process, false, 0});
  info->dwProcessId = static_cast<DWORD>(process);
  return info->hProcess != INVALID_HANDLE_VALUE;
}

HANDLE HostOs::AddEndedProcess(DWORD exitCode) { return AddProcess(Child{0, true, exitCode}); }

HANDLE HostOs::AddProcess(Child child) {
  if (nextProcess_ >= kProcessHandleEnd) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  const uintptr_t value = nextProcess_;
  nextProcess_ += 4;
  children_[value] = child;
  return HandleFromValue(value);
}

bool HostOs::Reap(Child& c) {
  if (c.ended) return true;
  if (const auto code = host::ProcessExitCode(c.process, ERROR_GEN_FAILURE)) {
    c.ended = true;
    c.exitCode = *code;
    host::ReleaseProcess(c.process);
    c.process = 0;
  }
  return c.ended;
}

DWORD HostOs::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  const auto it = children_.find(HandleValue(handle));
  if (it == children_.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  constexpr DWORD kPollMs = 10;
  const uint64_t start = GetTickCount64();
  while (!Reap(it->second)) {
    if (milliseconds != INFINITE && GetTickCount64() - start >= milliseconds) return WAIT_TIMEOUT;
    Sleep(kPollMs);
  }
  return WAIT_OBJECT_0;
}

bool HostOs::GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
  const auto it = children_.find(HandleValue(process));
  if (it == children_.end() || exitCode == nullptr) {
    SetLastError(it == children_.end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return false;
  }
  *exitCode = Reap(it->second) ? it->second.exitCode : STILL_ACTIVE;
  return true;
}

bool HostOs::CloseHandle(HANDLE handle) {
  // Closing the handle does not end the program; it is simply not waited for.
  const auto it = children_.find(HandleValue(handle));
  if (it != children_.end()) {
    host::ReleaseProcess(it->second.process);
    children_.erase(it);
    return true;
  }
  return Os::CloseHandle(handle);
}

bool HostOs::FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(common::ToNativePath(path), ec);
}

bool HostOs::DeleteFileA(const std::string& path) {
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  // Like DeleteFile, a folder (even an empty one) is refused, and a symbolic
  // link is removed rather than what it points to.
  const std::string native = common::ToNativePath(path);
  const host::PathKind kind = host::KindOf(native);
  if (kind == host::PathKind::kMissing) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (kind == host::PathKind::kFolder || !host::RemoveFile(native)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

}  // namespace os
