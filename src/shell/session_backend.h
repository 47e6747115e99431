#pragma once
// The backend of a session with recording and replay: --record FILE wraps the
// backend the command line names in a recorder, --replay FILE answers from a
// recording instead of any machine. Every entry point (window, headless,
// subcommands, clone) takes the same options through here.
#include <memory>
#include <string>
#include <vector>

#include "platform/os.h"

namespace app {

struct RecordingArgs {
  std::string record;      // --record FILE
  std::string replay;      // --replay FILE
  bool recordData = false;  // --record-data: large transfers kept whole
  bool anonymize = false;   // --record-anonymize
  // Set by `ssdtools replay --check`: calls left unasked at the end of the
  // run are a divergence too.
  bool wholeReplay = false;
};

// What `ssdtools replay --check` adds to the recorded command line: --replay
// with the end of the recording checked too.
inline constexpr char kWholeReplayOption[] = "--replay-check";

// Takes the recording options out of `args` (the rest is left for the entry
// point's own parser). False with `error` set on a bad use.
bool TakeRecordingArgs(std::vector<std::string>& args, RecordingArgs& out, std::string& error);
std::string RecordingUsageText();

// The session's backend: OpenBackend(lab) as it is, wrapped for --record, or
// a replay for --replay. `home` is the tool folder and `commandLine` the
// arguments without the recording options, both kept in the recording's
// header. Null with `error` set when nothing can be opened.
std::unique_ptr<os::Os> OpenSessionBackend(const std::string& lab, const RecordingArgs& rec,
                                           const std::string& home,
                                           const std::vector<std::string>& commandLine,
                                           std::string& error);

// The backend stands for a machine of drives (the machine's own, a lab, or a
// recording of either).
bool IsMachineBackend(os::Os& os);

}  // namespace app
