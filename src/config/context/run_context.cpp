#include "config/context/run_context.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "common/winpath.h"
#include "config/run_log/log_file_name.h"
#include "config/run_log/run_log_lines.h"
#include "config/settings/settings_file_check.h"
#include "config/settings/settings_reader.h"

namespace app {
namespace {

std::optional<common::IniFile> LoadSettings(const RunContext& ctx) {
  return common::IniFile::Load(common::ToNativePath(SettingFilePath(ctx.exeDir)));
}

std::optional<std::string> EncodingProblem(const RunContext& ctx) {
  std::ifstream in(common::ToNativePath(SettingFilePath(ctx.exeDir)), std::ios::binary);
  std::vector<uint8_t> head(kSettingsHeadBytes, 0);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return SettingsEncodingProblem(head);
}

}  // namespace

bool RunContext::SettingsPresent() const { return os.FileExists(SettingFilePath(exeDir)); }

bool RunContext::ReadSettingsFirstPass() {
  settingsProblem.clear();
  if (!SettingsPresent()) return false;
  // Nothing is taken from a file the reader would misread: not even the log
  // name whose file the second pass deletes.
  if (auto problem = EncodingProblem(*this)) {
    settingsProblem = *problem;
    return false;
  }
  const auto ini = LoadSettings(*this);
  if (!ini) return false;
  ReadFirstPass(*ini, options);
  return true;
}

bool RunContext::ReadSettingsSecondPass() {
  if (!SettingsPresent()) return false;
  if (auto problem = EncodingProblem(*this)) {
    settingsProblem = *problem;
    return false;
  }
  const auto ini = LoadSettings(*this);
  if (!ini) return false;
  ReadSecondPass(*ini, SecondPassTargets{options, profiles, updateSetting, updateFiles});
  if (profiles.ProfileCount == 0) settingsProblem = kSettingsNoProfileProblem;
  PrepareRunLogFile();
  return true;
}

void RunContext::PrepareRunLogFile() {
  runLogFileAccepted = false;
  const std::string& name = options.SSDToolLogName;
  if (const auto why = RunLogNameProblem(name, ProfileFiles(exeDir, profiles))) {
    // An empty name is simply no log, unless a log was asked for.
    if (!name.empty() || options.ErrorLog) {
      settingsProblems.push_back(RefusedRunLogNameMessage(name, *why));
    }
    return;
  }
  runLogFileAccepted = true;
  // Each run starts a new log; a missing file is no error.
  os.DeleteFileA(name);
  if (options.ErrorLog) runLog.WriteAsItGrows(name, os);
}

void RunContext::FinishRunLog() {
  AppendEndLines(runLog, os.GetLocalTime());
  if (options.ErrorLog && runLogFileAccepted && !runLog.Writing()) {
    // Writing as it grew failed: the whole log, now that the run is over.
    runLog.SaveToFile(options.SSDToolLogName, os);
  }
  runLog.CloseFile();
}

}  // namespace app
