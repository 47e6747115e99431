#include "common/trace.h"

#include <cstdio>

namespace common {

void TraceSink::Write(std::string_view line) {
  if (capture_) captured_.emplace_back(line);
  if (toStderr_) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    if (line.empty() || line.back() != '\n') std::fputc('\n', stderr);
  }
}

bool TraceSink::Contains(std::string_view text) const {
  for (const std::string& l : captured_) {
    if (l.find(text) != std::string::npos) return true;
  }
  return false;
}

}  // namespace common
