#include "pages/info/decoder/rule_source.h"

#include "common/winpath.h"

namespace info {

std::optional<common::IniFile> LoadRuleFile(os::Os& os, const std::string& path) {
  if (!os.FileExists(path)) return std::nullopt;
  return common::IniFile::Load(common::ToNativePath(path));
}

std::string RuleFileProblem(os::Os& os, const std::string& path) {
  if (!os.FileExists(path)) return "Rule file not found: " + path;
  return "Rule file cannot be read: " + path;
}

}  // namespace info
