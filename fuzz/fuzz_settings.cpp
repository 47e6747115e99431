// Setting.ini as start-up reads it: the first pass (what the bitmaps depend
// on), the second pass (options, controller profiles, the update files) and
// each profile section on its own, and the check of the run log's name: a
// name it accepts is a plain file name in the current folder.
//
// Input: the file's text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "config/run_log/log_file_name.h"
#include "config/settings/settings_reader.h"
#include "fuzz_check.h"

namespace {

void CheckProfile(const app::ControllerProfile& p) {
  FUZZ_CHECK(p.ISPVerChkStrLengh >= 1 && p.ISPVerChkStrLengh <= 8);
  FUZZ_CHECK(p.DWFileCount >= 0 && p.DWFileCount <= app::kMaxDownloadFiles);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const common::IniFile ini = common::IniFile::FromText(text);

  app::AppOptions options;
  app::ReadFirstPass(ini, options);
  app::ProfileTable profiles;
  app::UpdateSetting updateSetting;
  app::UpdateFileTable updateFiles;
  app::ReadSecondPass(ini, {options, profiles, updateSetting, updateFiles});

  FUZZ_CHECK(profiles.ProfileCount >= 0 && profiles.ProfileCount <= app::kMaxProfiles);
  for (int i = 0; i < profiles.ProfileCount; ++i) {
    const app::ControllerProfile& p = profiles.Profiles[static_cast<size_t>(i)];
    CheckProfile(p);
    FUZZ_CHECK(profiles.Find(p.Name) != nullptr);
  }
  for (const std::string& file : updateFiles.UpdateFile) {
    FUZZ_CHECK(file.size() <= app::kUpdateFileMaxChars);
  }
  const std::string& logName = options.SSDToolLogName;
  if (!app::RunLogNameProblem(logName, {})) {
    FUZZ_CHECK(!logName.empty() && logName.find_first_of("/\\:") == std::string::npos &&
               logName != "." && logName != "..");
  }

  // Every section read as a profile, as a rescan with another ICType list would.
  for (const std::string& name : ini.SectionNames()) {
    const app::ControllerProfile p = app::ReadProfile(ini, name, options.EnableChkFWVer);
    CheckProfile(p);
    const std::string stored = app::ProfileFilePath(name, p.ISP_FilePath, true);
    FUZZ_CHECK(stored.compare(0, name.size(), name) == 0);
  }
  for (int32_t v : {-1, 0, 9, INT32_MIN, INT32_MAX}) {
    const int32_t c = app::ClampVersionLength(v);
    FUZZ_CHECK(c >= 1 && c <= 8);
  }
  return 0;
}
