#pragma once
// The per-run state the shell owns beside the window: the platform, the tool
// folder, the settings read at start-up and the run log.
#include <string>

#include "config/run_log/run_log.h"
#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"
#include "platform/os.h"

namespace app {

struct RunContext {
  RunContext(os::Os& osRef, std::string exeDirPath) : os(osRef), exeDir(std::move(exeDirPath)) {}

  os::Os& os;
  std::string exeDir;  // the tool folder, without a trailing separator
  AppOptions options;
  ProfileTable profiles;
  UpdateSetting updateSetting;
  UpdateFileTable updateFiles;
  RunLog runLog;
  std::string caption;
  // Why Setting.ini, although present, leaves the tool unable to work (stored
  // as UTF-16, or no controller profile); empty when it is fine or missing.
  std::string settingsProblem;

  // ExeDir + "\" + relative, the way every data file path is built.
  std::string ToolPath(const std::string& relative) const { return exeDir + "\\" + relative; }
  bool SettingsPresent() const;
  // First pass: false (nothing read) when Setting.ini is missing or cannot be
  // read as 8-bit text (then settingsProblem says so).
  bool ReadSettingsFirstPass();
  // Second pass: false (nothing read) when Setting.ini is missing or cannot be
  // read; a file that loads no profile sets settingsProblem.
  bool ReadSettingsSecondPass();
  // Close: the end lines, then the file when ErrorLog asks for it. A file that
  // cannot be written is reported and does not stop the close.
  void FinishRunLog();
};

}  // namespace app
