#pragma once
// Which names the run log file may take. The log is deleted at every start and
// written again, so a name that reached another folder, or that is one of the
// tool's own files, would destroy what it names. It is a plain file name in the
// current folder, whichever folder that is (on Windows a double click starts
// the program in its own folder, and the log belongs beside it).
#include <optional>
#include <string>
#include <vector>

namespace app {

// Why `name` cannot be the run log, or nothing when it can. `toolFiles` are the
// Windows-style paths, absolute or relative to the current folder, of the
// files the tool reads (the profiles' rule files and images ...).
std::optional<std::string> RunLogNameProblem(const std::string& name,
                                             const std::vector<std::string>& toolFiles);

// The one message a refused name gets.
std::string RefusedRunLogNameMessage(const std::string& name, const std::string& why);

}  // namespace app
