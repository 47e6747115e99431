#include "config/context/run_context.h"

#include "config/run_log/run_log_lines.h"
#include "config/settings/settings_reader.h"
#include "common/ini_file.h"
#include "common/winpath.h"

namespace app {
namespace {

std::optional<common::IniFile> LoadSettings(const RunContext& ctx) {
  return common::IniFile::Load(common::ToNativePath(SettingFilePath(ctx.exeDir)));
}

}  // namespace

bool RunContext::SettingsPresent() const { return os.FileExists(SettingFilePath(exeDir)); }

bool RunContext::ReadSettingsFirstPass() {
  if (!SettingsPresent()) return false;
  const auto ini = LoadSettings(*this);
  if (!ini) return false;
  ReadFirstPass(*ini, options);
  return true;
}

bool RunContext::ReadSettingsSecondPass() {
  if (!SettingsPresent()) return false;
  const auto ini = LoadSettings(*this);
  if (!ini) return false;
  ReadSecondPass(*ini, os, SecondPassTargets{options, profiles, updateSetting, updateFiles});
  return true;
}

void RunContext::FinishRunLog() {
  AppendEndLines(runLog, os.GetLocalTime());
  if (options.ErrorLog) runLog.SaveToFile(options.SSDToolLogName, os);
}

}  // namespace app
