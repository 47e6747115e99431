#include "platform/host_os.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "common/winpath.h"

extern char** environ;

namespace os {

SYSTEMTIME HostOs::GetLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
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
// backslashes. The rest is handed over as one argument string to a shell-less
// start, split on blanks. 0 with the error set when it cannot be started.
pid_t HostOs::Spawn(const std::string& commandLine) {
  const size_t space = commandLine.find(' ');
  const std::string program = common::ToNativePath(commandLine.substr(0, space));
  std::vector<std::string> args{program};
  if (space != std::string::npos) {
    size_t pos = space + 1;
    while (pos < commandLine.size()) {
      size_t next = commandLine.find(' ', pos);
      if (next == std::string::npos) next = commandLine.size();
      if (next > pos) args.push_back(commandLine.substr(pos, next - pos));
      pos = next + 1;
    }
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    SetLastError(rc == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return 0;
  }
  return pid;
}

UINT HostOs::WinExec(const std::string& commandLine, UINT /*showCommand*/) {
  if (Spawn(commandLine) == 0) return static_cast<UINT>(GetLastError());
  return 33;
}

bool HostOs::CreateProcessA(const std::string& commandLine, UINT /*showCommand*/,
                            PROCESS_INFORMATION* info) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  *info = PROCESS_INFORMATION{};
  const pid_t pid = Spawn(commandLine);
  if (pid == 0) return false;
  info->hProcess = AddProcess(Child{pid, false, 0});
  info->dwProcessId = static_cast<DWORD>(pid);
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
  int status = 0;
  const pid_t r = ::waitpid(c.pid, &status, WNOHANG);
  if (r == c.pid) {
    c.ended = true;
    c.exitCode = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status)) : ERROR_GEN_FAILURE;
  } else if (r < 0) {
    c.ended = true;  // not our child any more: nothing left to wait for
    c.exitCode = ERROR_GEN_FAILURE;
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
  if (children_.erase(HandleValue(handle)) > 0) return true;
  return Os::CloseHandle(handle);
}

bool HostOs::FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(common::ToNativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HostOs::DeleteFileA(const std::string& path) {
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  // unlink, not remove: like DeleteFile, a folder (even an empty one) is
  // refused, and a symbolic link is removed rather than what it points to.
  if (::unlink(common::ToNativePath(path).c_str()) != 0) {
    SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

}  // namespace os
