// POSIX processes and program facts for host_process.h.
#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/host/host_process.h"

extern char** environ;

namespace host {

intptr_t StartProcess(const std::string& program, const std::string& arguments, bool& notFound) {
  std::vector<std::string> args{program};
  size_t pos = 0;
  while (pos < arguments.size()) {
    size_t next = arguments.find(' ', pos);
    if (next == std::string::npos) next = arguments.size();
    if (next > pos) args.push_back(arguments.substr(pos, next - pos));
    pos = next + 1;
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  notFound = rc == ENOENT;
  return rc == 0 ? pid : 0;
}

std::optional<uint32_t> ProcessExitCode(intptr_t process, uint32_t failureCode) {
  int status = 0;
  const pid_t pid = static_cast<pid_t>(process);
  const pid_t r = ::waitpid(pid, &status, WNOHANG);
  if (r == pid) return WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status)) : failureCode;
  if (r < 0) return failureCode;  // not our child any more: nothing left to wait for
  return std::nullopt;
}

void ReleaseProcess(intptr_t) {}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

std::string ExecutablePath() {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

void UseParentConsole() {}

std::string UserStateFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
    return state;
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
    return (std::filesystem::path(home) / ".local" / "state").string();
  }
  return "";
}

}  // namespace host
#endif  // !_WIN32
