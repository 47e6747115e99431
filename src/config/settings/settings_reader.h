#pragma once
// Reads Setting.ini in the two passes of start-up: the first pass takes what the
// choice of bitmaps depends on, the second everything else (options, the
// controller profiles and the firmware tables).
#include <string>
#include <vector>

#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"
#include "common/ini_file.h"
#include "platform/os.h"

namespace app {

inline constexpr const char* kSettingFileName = "Setting.ini";
inline constexpr const char* kOptionSection = "Option";
inline constexpr const char* kUpdateSettingSection = "UpdateSetting";
inline constexpr const char* kUpdateFWSection = "UpdateFW";
inline constexpr const char* kNoProfile = "N/A";

// ExeDir + "\Setting.ini".
std::string SettingFilePath(const std::string& exeDir);

void ReadFirstPass(const common::IniFile& ini, AppOptions& options);

// Everything the second pass fills.
struct SecondPassTargets {
  AppOptions& options;
  ProfileTable& profiles;
  UpdateSetting& updateSetting;
  UpdateFileTable& updateFiles;
};

// Reads values only; what becomes of the run log's file is decided by the
// caller once the profiles are known (config/run_log/log_file_name.h).
void ReadSecondPass(const common::IniFile& ini, const SecondPassTargets& targets);

// Reads one profile from its section (missing section: defaults).
ControllerProfile ReadProfile(const common::IniFile& ini, const std::string& name,
                              bool enableChkFWVer);

// The stored form of a profile's file key: "<profile>\<value>", or with the
// placeholder folder: "<profile>\AP_ModelName\<value>".
std::string ProfileFilePath(const std::string& profileName, const std::string& value,
                            bool withPlaceholder);

// The files the profiles name, as ExeDir-based Windows-style paths.
std::vector<std::string> ProfileFiles(const std::string& exeDir, const ProfileTable& profiles);

// Version text lengths outside 1..8 have no meaning: they are clamped.
int32_t ClampVersionLength(int32_t length);

}  // namespace app
