#include "pages/info/decoder/decode_reporter.h"

namespace info {

DecodeReporter MakeDecodeReporter(
    os::Os& os, app::RunLog& runLog, bool popUpMsgBox,
    std::function<void(const std::string& caption, const std::string& text)> showErrorBox) {
  DecodeReporter r;
  r.popUpMsgBox = popUpMsgBox;
  r.showErrorBox = std::move(showErrorBox);
  r.appendRunLog = [&runLog](const std::string& line) { runLog.Append(line); };
  r.trace = [&os](const std::string& line) { os.OutputDebugStringA(line); };
  return r;
}

}  // namespace info
