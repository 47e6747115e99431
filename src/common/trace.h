#pragma once
// Destination of debugger-output lines ("[VKM_SCAN] ..."). Off by default; the
// command line can send them to stderr, and tests capture them to check them.
#include <string>
#include <string_view>
#include <vector>

namespace common {

class TraceSink {
 public:
  void SetToStderr(bool on) { toStderr_ = on; }
  bool ToStderr() const { return toStderr_; }
  // Starts (or stops) keeping every line in memory.
  void SetCapture(bool on) { capture_ = on; }
  void Write(std::string_view line);

  const std::vector<std::string>& Captured() const { return captured_; }
  void ClearCaptured() { captured_.clear(); }
  // True when a captured line contains the text.
  bool Contains(std::string_view text) const;

 private:
  bool toStderr_ = false;
  bool capture_ = false;
  std::vector<std::string> captured_;
};

}  // namespace common
