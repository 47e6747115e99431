#include "shell/startup_checks.h"

#include <filesystem>
#include <system_error>

#include "common/text.h"

namespace app {

namespace fs = std::filesystem;

std::optional<std::string> ToolFolderProblem(const std::string& home) {
  std::error_code ec;
  const fs::file_status status = fs::status(home, ec);
  if (!fs::exists(status)) {
    return "the tool folder " + home +
           " does not exist (--home names the folder that holds "
           "Setting.ini)";
  }
  if (!fs::is_directory(status)) {
    return "--home names a file, not a folder: " + home +
           " (give the folder that holds Setting.ini)";
  }
  return std::nullopt;
}

std::optional<std::string> LabArgumentProblem(const std::string& lab) {
  if (lab.empty() || common::EqualsNoCase(lab, "demo")) return std::nullopt;
  std::error_code ec;
  const fs::file_status status = fs::status(lab, ec);
  if (!fs::exists(status) || fs::is_directory(status)) return std::nullopt;
  if (fs::is_regular_file(status) &&
      common::EqualsNoCase(fs::path(lab).filename().string(), "lab.ini")) {
    return std::nullopt;
  }
  return "--lab names a file that is not a lab: " + lab +
         " (give a lab folder holding lab.ini, its lab.ini, or demo)";
}

}  // namespace app
