#pragma once
// How the rule decoders tell the user and the technician what is wrong with a
// rule file: an error box (only when PopUpMsgBox is set), a run-log line and
// debugger-output trace lines. Any callback may be left empty.
#include <functional>
#include <string>

#include "config/run_log/run_log.h"
#include "platform/os.h"

namespace info {

struct DecodeReporter {
  // Section Option's PopUpMsgBox; on by default like the setting.
  bool popUpMsgBox = true;
  // Shows a message box with the error icon: caption, then text.
  std::function<void(const std::string& caption, const std::string& text)> showErrorBox;
  std::function<void(const std::string& line)> appendRunLog;
  std::function<void(const std::string& line)> trace;

  void ErrorBox(const std::string& caption, const std::string& text) const {
    if (popUpMsgBox && showErrorBox) showErrorBox(caption, text);
  }
  void RunLogLine(const std::string& line) const {
    if (appendRunLog) appendRunLog(line);
  }
  void Trace(const std::string& line) const {
    if (trace) trace(line);
  }
};

// A reporter that appends to the run log and traces through the platform's
// debugger output; the page supplies the message box.
DecodeReporter MakeDecodeReporter(
    os::Os& os, app::RunLog& runLog, bool popUpMsgBox,
    std::function<void(const std::string& caption, const std::string& text)> showErrorBox);

}  // namespace info
