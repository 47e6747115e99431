#pragma once
// The run log's file while a run is going on: every entry is written the moment
// it is appended, so a run that is killed or crashes leaves what it did.
#include <memory>
#include <string>
#include <string_view>

#include "platform/host/host_file.h"

namespace app {

class RunLogFile {
 public:
  // Creates the file new (an existing file is replaced). A symbolic link in its
  // place is not followed. Null with `error` set when it cannot be created.
  static std::unique_ptr<RunLogFile> Create(const std::string& nativePath, std::string& error);
  ~RunLogFile();
  RunLogFile(const RunLogFile&) = delete;
  RunLogFile& operator=(const RunLogFile&) = delete;

  // Writes the entry and its CR LF straight to the file (no buffer of ours is
  // left behind when the process dies). False with `error` set on failure.
  bool WriteEntry(std::string_view entry, std::string& error);

 private:
  explicit RunLogFile(std::unique_ptr<host::File> file) : file_(std::move(file)) {}
  std::unique_ptr<host::File> file_;
};

}  // namespace app
