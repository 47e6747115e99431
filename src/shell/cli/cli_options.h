#pragma once
// The subcommands for scripts and servers:
//   ssdtools list [--all] | info DRIVE | smart DRIVE | summary DRIVE
//            | erase DRIVE... --yes | update [DRIVE...|--all] --yes
// each with --home DIR, --lab DIR|demo, --trace, --json, --progress.
#include <optional>
#include <string>
#include <vector>

#include "shell/session_backend.h"

namespace app::cli {

// Exit codes every subcommand keeps.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDriveFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNothingToDo = 3;

struct CliOptions {
  std::string command;
  std::vector<std::string> drives;
  bool all = false;
  bool json = false;
  bool yes = false;
  bool trace = false;
  bool progress = false;  // progress lines on stderr even when it is not a terminal
  std::string home;
  std::string lab;
  RecordingArgs recording;
  std::vector<std::string> commandLine;  // as given, without the recording options
};

// True when `args` (without the program name) start with a subcommand.
bool IsSubcommand(const std::vector<std::string>& args);
// nullopt with `error` set on bad usage.
std::optional<CliOptions> ParseCli(const std::vector<std::string>& args, std::string& error);
std::string CliUsageText();

}  // namespace app::cli
