#pragma once
// The per-run state the shell owns beside the window: the platform, the tool
// folder, the settings read at start-up and the run log.
#include <string>
#include <vector>

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
  // What is wrong with Setting.ini, one message each, for the window to show.
  std::vector<std::string> settingsProblems;
  // SSDToolLogName is a name the run log may take (log_file_name.h).
  bool runLogFileAccepted = false;
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
  // read; a file that loads no profile sets settingsProblem. Then the run
  // log's name is checked: a sound name's old file is deleted and, with
  // ErrorLog, the log is written to it from now on; a refused name touches no
  // file and is added to settingsProblems.
  bool ReadSettingsSecondPass();
  // Close: the end lines; the file then holds the whole log. A file that
  // cannot be written is reported and does not stop the close.
  void FinishRunLog();

 private:
  void PrepareRunLogFile();
};

}  // namespace app
