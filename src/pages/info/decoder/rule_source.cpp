#include "pages/info/decoder/rule_source.h"

#include "common/winpath.h"

namespace info {

std::optional<common::IniFile> LoadRuleFile(os::Os& os, const std::string& path) {
  if (!os.FileExists(path)) return std::nullopt;
  return common::IniFile::Load(common::ToNativePath(path));
}

}  // namespace info
