#pragma once
// ssdtools clone --source N --destination M [--ignore-zero] [--yes]
//                [--home DIR] [--lab DIR|demo] [--trace]
// The Data Backup copy on a headless form, for scripts and benchmarks. N and M
// name disks as every subcommand does (shell/cli/drive_names.h): an index of
// the enumeration, PHYSICALDRIVE3, serial:TEXT or a serial number. Progress
// goes to stderr; SIGINT presses Cancel.
#include <csignal>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "config/context/run_context.h"

namespace app {

struct CloneArgs {
  std::string source;
  std::string destination;
  bool ignoreZero = false;
  bool yes = false;
  std::string home;
  std::string lab;
  bool trace = false;
  bool help = false;
  bool json = false;      // one JSON document on stdout
  bool progress = false;  // progress on stderr even when it is not a terminal
};

// Exit codes, as every subcommand has them: 0 copied; 1 the copy failed, was
// refused or cancelled (the reason is printed); 2 bad usage, also without
// --yes; 3 no such disk.
inline constexpr int kCloneExitOk = 0;
inline constexpr int kCloneExitFailed = 1;
inline constexpr int kCloneExitUsage = 2;
inline constexpr int kCloneExitNoSuchDisk = 3;

// `args` without the "clone" word. nullopt with `error` on a bad argument.
std::optional<CloneArgs> ParseCloneArgs(const std::vector<std::string>& args, std::string& error);
std::string CloneUsageText();

// Runs the clone on the session of `ctx`. `cancelRequested` is read once per
// chunk (the process entry sets it on SIGINT).
// `out` gets the result (text, or JSON with --json); progress goes to `err`
// when `stderrIsTerminal` or --progress.
int RunClone(RunContext& ctx, const CloneArgs& args, std::ostream& out, std::ostream& err,
             bool stderrIsTerminal, const volatile std::sig_atomic_t* cancelRequested = nullptr);

}  // namespace app
