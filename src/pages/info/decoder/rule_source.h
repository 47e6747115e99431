#pragma once
// Where a drive's rule files are: the tool folder and the controller profile the
// scan matched to the drive. Rule files are opened fresh for each decode.
#include <optional>
#include <string>

#include "common/ini_file.h"
#include "config/settings/controller_profile.h"
#include "platform/os.h"

namespace info {

struct RuleSource {
  os::Os& os;
  // The tool folder, without a trailing separator.
  std::string exeDir;
  const app::ControllerProfile& profile;

  // ExeDir\<profile>\<ECTableRule_FilePath value>.
  std::string ConfigRulePath() const { return exeDir + "\\" + profile.ECTableRule_FilePath; }
  // ExeDir\<profile>\<SMARTRule_FilePath value>.
  std::string SmartRulePath() const { return exeDir + "\\" + profile.SMARTRule_FilePath; }
};

// The rule file at a product path, or nothing when it does not exist or cannot
// be read.
std::optional<common::IniFile> LoadRuleFile(os::Os& os, const std::string& path);

// What a page says instead of its success text when the rule file at `path`
// is missing or cannot be read.
std::string RuleFileProblem(os::Os& os, const std::string& path);

}  // namespace info
