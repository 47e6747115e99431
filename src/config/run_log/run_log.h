#pragma once
// The in-memory record of one run. Lines are only ever appended. When the
// ErrorLog option asks for a file, the log is written as it grows, so a run
// that dies leaves what it did; at close the file holds exactly what writing
// the whole list at once would have written.
#include <memory>
#include <string>
#include <vector>

#include "config/run_log/run_log_file.h"
#include "platform/os.h"

namespace app {

class RunLog {
 public:
  RunLog() = default;
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  // Empties the list and lets go of the file (which keeps what it holds).
  void Clear() {
    lines_.clear();
    file_.reset();
  }
  // Stored unchanged; an entry may itself hold line feeds. Written to the
  // file at once when one is open.
  void Append(std::string line);
  const std::vector<std::string>& Lines() const { return lines_; }
  bool Empty() const { return lines_.empty(); }

  // The file's bytes: every entry followed by CR LF.
  std::string Serialize() const;

  // Replaces the file named `fileName` (used unchanged: a relative name is taken
  // against the current folder). On failure a trace line and a stderr line say
  // why and false is returned; the caller goes on with its close.
  bool SaveToFile(const std::string& fileName, os::Os& os) const;

  // Creates the file named `fileName` new with the entries so far and from
  // then on adds every entry the moment it is appended. A failure, now or
  // later, is reported as SaveToFile reports it and stops the writing (false).
  bool WriteAsItGrows(const std::string& fileName, os::Os& os);
  // True while every entry so far is in the file.
  bool Writing() const { return file_ != nullptr; }
  // Stops writing; the file keeps every entry.
  void CloseFile() { file_.reset(); }

 private:
  bool WriteToFile(const std::string& entry);

  std::vector<std::string> lines_;
  std::unique_ptr<RunLogFile> file_;
  std::string fileName_;
  os::Os* os_ = nullptr;
};

}  // namespace app
