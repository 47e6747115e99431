#include "common/trace.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/text.h"

namespace common {

void TraceSink::Write(std::string_view line) {
  if (capture_) captured_.emplace_back(line);
  if (toStderr_) {
    // Trace lines may quote drive data: on a terminal only their own line
    // breaks pass, every other control byte is escaped.
    const std::vector<std::string> parts = Split(line, '\n');
    std::string shown;
    for (size_t i = 0; i < parts.size(); ++i) {
      if (i > 0) shown += '\n';
      shown += ShownText(parts[i]);
    }
    std::fwrite(shown.data(), 1, shown.size(), stderr);
    if (shown.empty() || shown.back() != '\n') std::fputc('\n', stderr);
  }
}

bool TraceSink::Contains(std::string_view text) const {
  for (const std::string& l : captured_) {
    if (l.find(text) != std::string::npos) return true;
  }
  return false;
}

}  // namespace common
