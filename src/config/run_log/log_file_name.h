#pragma once
// Which names the run log file may take. The log is deleted at every start and
// written again, so a name that reached another folder, a folder or one of the
// tool's own files would destroy what it names. It is a plain file name in the
// current folder, and nothing else.
#include <optional>
#include <string>
#include <vector>

namespace app {

// Why `name` cannot be the run log, or nothing when it can. `toolFolder` is
// ExeDir; `toolFiles` are the Windows-style paths of the files the tool reads
// (Setting.ini, the profiles' rule files and images ...). The current folder
// must not lie below the tool folder, whose folders hold the tool's data.
std::optional<std::string> RunLogNameProblem(const std::string& name, const std::string& toolFolder,
                                             const std::vector<std::string>& toolFiles);

// The one message a refused name gets.
std::string RefusedRunLogNameMessage(const std::string& name, const std::string& why);

}  // namespace app
