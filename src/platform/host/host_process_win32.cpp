// Win32 processes and program facts for host_process.h.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/host/host_process.h"

namespace host {

intptr_t StartProcess(const std::string& program, const std::string& arguments, bool& notFound) {
  std::string commandLine = "\"" + program + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  const BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, nullptr, &startup, &info);
  if (!ok) {
    const DWORD e = GetLastError();
    notFound = e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND;
    return 0;
  }
  notFound = false;
  CloseHandle(info.hThread);
  return reinterpret_cast<intptr_t>(info.hProcess);
}

std::optional<uint32_t> ProcessExitCode(intptr_t process, uint32_t failureCode) {
  HANDLE h = reinterpret_cast<HANDLE>(process);
  const DWORD w = WaitForSingleObject(h, 0);
  if (w == WAIT_TIMEOUT) return std::nullopt;
  DWORD code = 0;
  if (w != WAIT_OBJECT_0 || !GetExitCodeProcess(h, &code)) return failureCode;
  return static_cast<uint32_t>(code);
}

void ReleaseProcess(intptr_t process) {
  if (process != 0) CloseHandle(reinterpret_cast<HANDLE>(process));
}

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::string ExecutablePath() {
  char buf[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::string() : std::string(buf, n);
}

bool StderrIsTerminal() {
  // A console, not a file or pipe (the CRT's isatty also says yes to NUL).
  HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

namespace {

bool Redirected(DWORD which) {
  HANDLE h = GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsole() {
  const bool out = Redirected(STD_OUTPUT_HANDLE);
  const bool err = Redirected(STD_ERROR_HANDLE);
  if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!out) (void)std::freopen("CONOUT$", "w", stdout);
  if (!err) (void)std::freopen("CONOUT$", "w", stderr);
}

std::string UserStateFolder() {
  const char* local = std::getenv("LOCALAPPDATA");
  return local != nullptr && *local != '\0' ? std::string(local) : std::string();
}

}  // namespace host
#endif  // _WIN32
