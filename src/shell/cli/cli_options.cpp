#include "shell/cli/cli_options.h"

#include <set>

namespace app::cli {
namespace {

const std::set<std::string>& Commands() {
  static const std::set<std::string> c{"list", "info", "smart", "summary", "erase", "update"};
  return c;
}

}  // namespace

bool IsSubcommand(const std::vector<std::string>& args) {
  return !args.empty() && Commands().count(args.front()) > 0;
}

std::optional<CliOptions> ParseCli(const std::vector<std::string>& given, std::string& error) {
  std::vector<std::string> args = given;
  RecordingArgs recording;
  if (!TakeRecordingArgs(args, recording, error)) return std::nullopt;
  if (!IsSubcommand(args)) {
    error = "no subcommand";
    return std::nullopt;
  }
  CliOptions o;
  o.command = args.front();
  o.recording = recording;
  o.commandLine = args;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&](std::string& into) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (a == "--json") {
      o.json = true;
    } else if (a == "--yes") {
      o.yes = true;
    } else if (a == "--trace") {
      o.trace = true;
    } else if (a == "--progress") {
      o.progress = true;
    } else if (a == "--all") {
      o.all = true;
    } else if (a == "--home") {
      if (!value(o.home)) return std::nullopt;
    } else if (a == "--lab") {
      if (!value(o.lab)) return std::nullopt;
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return std::nullopt;
    } else {
      o.drives.push_back(a);
    }
  }
  const bool oneDrive = o.command == "info" || o.command == "smart" || o.command == "summary";
  if (oneDrive && o.drives.size() != 1) {
    error = o.command + " takes exactly one DRIVE";
    return std::nullopt;
  }
  if (o.command == "list" && !o.drives.empty()) {
    error = "list takes no DRIVE";
    return std::nullopt;
  }
  if (o.command == "erase" && (o.drives.empty() || o.all)) {
    error = "erase takes one or more DRIVEs";
    return std::nullopt;
  }
  if (o.command == "update" && o.all && !o.drives.empty()) {
    error = "update takes DRIVEs or --all, not both";
    return std::nullopt;
  }
  if (o.all && o.command != "list" && o.command != "update") {
    error = "--all is for list and update";
    return std::nullopt;
  }
  return o;
}

std::string CliUsageText() {
  return "usage: ssdtools list [--all]\n"
         "       ssdtools info DRIVE | smart DRIVE | summary DRIVE\n"
         "       ssdtools erase DRIVE... --yes\n"
         "       ssdtools update [DRIVE...|--all] --yes\n"
         "  common options: --home DIR --lab DIR|demo --trace --json --progress\n" +
         RecordingUsageText() +
         "  DRIVE: an index from `list` (the same in `list --all` and `clone`), a display\n"
         "         name (PHYSICALDRIVE3), serial:TEXT or a serial number; a word that\n"
         "         could name two disks is refused\n"
         "  exit codes: 0 done, 1 a drive failed, 2 bad usage, 3 nothing to do,\n"
         "  4 no access to the disks (root, or the disk group with CAP_SYS_RAWIO)\n";
}

}  // namespace app::cli
