#pragma once
// The host's processes and the program's own facts: starting a program and
// waiting for it, this process's id, its executable, whether stderr is a
// terminal. POSIX and Win32 implementations; callers include no system header.
#include <cstdint>
#include <optional>
#include <string>

namespace host {

// Starts `program` with `arguments` (one string, split on blanks on POSIX;
// handed over whole on Windows) without a shell. 0 when it cannot start;
// `notFound` tells a missing program from another failure.
intptr_t StartProcess(const std::string& program, const std::string& arguments, bool& notFound);
// The exit code once the process has ended; nothing while it runs. A process
// that cannot be asked counts as ended with `failureCode`.
std::optional<uint32_t> ProcessExitCode(intptr_t process, uint32_t failureCode);
// Gives up the process (it is not ended, only no longer waited for).
void ReleaseProcess(intptr_t process);

int CurrentProcessId();
// The full path of the running program; "" when unknown.
std::string ExecutablePath();
bool StderrIsTerminal();
// A GUI-subsystem program (Windows) gets no console of its own: started from
// one, its standard output and error that were not redirected go to that
// console. Does nothing elsewhere.
void UseParentConsole();
// The per-user folder for program state: %LOCALAPPDATA% on Windows,
// $XDG_STATE_HOME or ~/.local/state elsewhere; "" when not set.
std::string UserStateFolder();

}  // namespace host
