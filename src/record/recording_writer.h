#pragma once
// The file a recording goes to: one JSON object per line, each line flushed as
// it is written, so a crash or a kill keeps everything up to that call.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "record/json_value.h"

namespace record {

struct RecordingHeader {
  std::string tool;     // the tool's version
  std::string backend;  // "linux", "lab", ...
  std::vector<std::string> commandLine;
  std::string home;     // the tool folder, so a replay elsewhere can map paths
  bool wholeData = false;
  bool anonymized = false;
};

class RecordingWriter {
 public:
  // Null with `error` set when the file cannot be created.
  static std::unique_ptr<RecordingWriter> Create(const std::string& path,
                                                 const RecordingHeader& header,
                                                 std::string& error);
  ~RecordingWriter();
  RecordingWriter(const RecordingWriter&) = delete;
  RecordingWriter& operator=(const RecordingWriter&) = delete;

  void WriteLine(const Json& object);
  bool Failed() const { return failed_; }

 private:
  explicit RecordingWriter(std::FILE* file) : file_(file) {}
  std::FILE* file_;
  bool failed_ = false;
};

Json HeaderJson(const RecordingHeader& header);

}  // namespace record
