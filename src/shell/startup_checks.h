#pragma once
// The command line's folders, checked before anything is opened: a tool
// folder that does not exist or is a file, and a --lab argument that names an
// ordinary file, would otherwise start a tool that finds no drive and says
// nothing.
#include <optional>
#include <string>

namespace app {

// Exit code of a run refused for bad usage or an unusable tool folder.
inline constexpr int kExitBadStart = 2;
// Exit code of a headless unattended run in which a drive failed.
inline constexpr int kExitDriveFailed = 1;

// The message for a --home value that is not an existing folder.
std::optional<std::string> ToolFolderProblem(const std::string& home);

// The message for a --lab value that names a file other than a lab.ini (a lab
// is a folder holding lab.ini, or the path of that lab.ini itself, or "demo").
std::optional<std::string> LabArgumentProblem(const std::string& lab);

}  // namespace app
