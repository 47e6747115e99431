#pragma once
// The in-memory record of one run. Lines are only ever appended; the whole list
// is written once, at close, when the ErrorLog option asks for it.
#include <string>
#include <vector>

#include "platform/os.h"

namespace app {

class RunLog {
 public:
  void Clear() { lines_.clear(); }
  // Stored unchanged; an entry may itself hold line feeds.
  void Append(std::string line) { lines_.push_back(std::move(line)); }
  const std::vector<std::string>& Lines() const { return lines_; }
  bool Empty() const { return lines_.empty(); }

  // The file's bytes: every entry followed by CR LF.
  std::string Serialize() const;

  // Replaces the file named `fileName` (used unchanged: a relative name is taken
  // against the current folder). On failure a trace line and a stderr line say
  // why and false is returned; the caller goes on with its close.
  bool SaveToFile(const std::string& fileName, os::Os& os) const;

 private:
  std::vector<std::string> lines_;
};

}  // namespace app
