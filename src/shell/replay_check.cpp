#include "shell/replay_check.h"

#include "record/recording_reader.h"
#include "shell/cli/cli_options.h"
#include "shell/session_backend.h"

namespace app {
namespace {

// Options of the recorded command line the replay puts its own in place of.
bool TakesValue(const std::string& a) { return a == "--home" || a == "--lab"; }

}  // namespace

std::optional<ReplayCheck> ParseReplayCheck(const std::vector<std::string>& args,
                                            std::string& error) {
  ReplayCheck check;
  std::string home;
  for (size_t i = 1; i < args.size(); ++i) {
    if ((args[i] == "--check" || args[i] == "--home") && i + 1 < args.size()) {
      (args[i] == "--check" ? check.file : home) = args[i + 1];
      ++i;
    } else {
      error = "unexpected argument " + args[i];
      return std::nullopt;
    }
  }
  if (check.file.empty()) {
    error = "replay needs --check FILE";
    return std::nullopt;
  }
  const auto recording = record::LoadRecording(check.file, error);
  if (!recording) return std::nullopt;
  // The recorded tool folder, unless the developer keeps the user's elsewhere.
  if (home.empty()) home = recording->home;
  const std::vector<std::string>& recorded = recording->commandLine;
  if (!recorded.empty() && recorded.front() == "replay") {
    error = "the recording " + check.file + " holds no run of the tool to replay";
    return std::nullopt;
  }
  for (size_t i = 0; i < recorded.size(); ++i) {
    if (TakesValue(recorded[i])) {
      ++i;
      continue;
    }
    if (recorded[i] == "--headless") continue;
    check.args.push_back(recorded[i]);
  }
  const bool plain = check.args.empty() || (!cli::IsSubcommand(check.args) &&
                                            check.args.front() != "clone");
  // A window run is replayed without a window: the start-up it recorded.
  if (plain) check.args.push_back("--headless");
  check.args.insert(check.args.end(), {"--home", home, kWholeReplayOption, check.file});
  return check;
}

std::string ReplayCheckUsageText() {
  return "usage: ssdtools replay --check FILE [--home DIR]\n"
         "  runs the recorded command line against the recording; exit code 0 when it\n"
         "  ran to the end, 5 where it left the recording\n";
}

std::string ReplayCheckPassedText(const ReplayCheck& check, int exitCode) {
  return "ssdtools replay: the run of " + check.file +
         " ran to the end of the recording (the run's exit code: " + std::to_string(exitCode) +
         ")\n";
}

}  // namespace app
