#pragma once
// ssdtools replay --check FILE [--home DIR]: runs the command line a recording
// holds against the recording itself and says whether it ran to the end. The
// process entry runs the arguments this returns as it runs any others.
#include <optional>
#include <string>
#include <vector>

namespace app {

struct ReplayCheck {
  std::string file;
  std::vector<std::string> args;  // the recorded command line, set to replay
};

// `args` start with "replay". nullopt with `error` set on bad usage or a
// recording that cannot be read.
std::optional<ReplayCheck> ParseReplayCheck(const std::vector<std::string>& args,
                                            std::string& error);
std::string ReplayCheckUsageText();
// What the check prints when the run got to its end; `exitCode` is the
// replayed run's own.
std::string ReplayCheckPassedText(const ReplayCheck& check, int exitCode);

}  // namespace app
