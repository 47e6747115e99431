#pragma once
// Reads a recording for a replay. The file is untrusted: every line is parsed
// and checked before anything runs, with bounds on its length and count, and a
// file that ends inside a line (cut off by a crash while it was written, or
// truncated on the way) is refused with the line it ends in.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record/json_value.h"

namespace record {

struct RecordedCall {
  size_t line = 0;  // 1-based line number in the file
  std::string call;
  std::optional<uint64_t> handle;
  Json ask;
  Json answer;
  // The backend's own trace lines written during this call.
  std::vector<std::string> backendTrace;
};

struct Recording {
  std::string tool;
  std::string backend;
  std::vector<std::string> commandLine;
  std::string home;
  bool anonymized = false;
  std::vector<RecordedCall> calls;  // trace lines left out
  size_t lines = 0;
};

std::optional<Recording> ParseRecording(std::string_view text, std::string& error);
std::optional<Recording> LoadRecording(const std::string& path, std::string& error);

}  // namespace record
