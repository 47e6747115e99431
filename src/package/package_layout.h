#pragma once
// Where a drive's files live in the tool folder. Every path starts at ExeDir
// (the tool folder without a trailing backslash) and is joined with backslashes;
// callers turn them into native paths when they open them. No other code builds
// a package path of its own.
#include <string>
#include <string_view>

#include "config/settings/controller_profile.h"
#include "package/ic_family.h"
#include "package/mode_sector.h"
#include "package/parameter_block.h"

namespace firmware {

inline constexpr const char* kFirmwareFolder = "Firmware";
inline constexpr const char* kTablesFolder = "Tables";
inline constexpr const char* kSetCidFileName = "SetCID.ini";
inline constexpr const char* kNewIspFileName = "New_ISP.bin";
inline constexpr const char* kMicrocodeFluFileName = "Microcode.flu";
inline constexpr const char* kOriginalCidFileName = "OriginalCID.bin";
inline constexpr const char* kNewFluCidFileName = "NewFluCID.bin";
// The version of an ISP image in automatic mode is its identity field's.
inline constexpr int32_t kAutomaticVersionOffset = 0xEFF0;

// "4610"; "4620XT2" for the XT2 variant, else "4620"; empty for no family.
std::string FamilyFolder(IcFamily family, bool xt2);
// The same from an IC version text ("4620AB", "4620XT2", ...): XT2 exactly when
// the text contains "XT2".
std::string FamilyFolderForIcVersion(IcFamily family, std::string_view icVersion);

// "ISP4610.bin" / "ISP4620.bin"; empty for no family.
std::string IspFileName(IcFamily family);
// "BootISP4610.bin" / "BootISP4620.bin"; empty for no family.
std::string BootIspFileName(IcFamily family);

// ExeDir\Firmware\IcFolder\ (with the trailing backslash).
std::string FirmwareBase(const std::string& exeDir, std::string_view icFolder);
// Base + tag + "\": the tag folder holding boot ISPs, SetCID.ini and the outputs.
std::string TagFolder(const std::string& exeDir, std::string_view icFolder, std::string_view tag);
std::string SetCidPath(const std::string& exeDir, std::string_view icFolder, std::string_view tag);
std::string NewIspPath(const std::string& exeDir, std::string_view icFolder, std::string_view tag);
std::string MicrocodeFluPath(const std::string& exeDir, std::string_view icFolder,
                             std::string_view tag);
// IcFolder + tag, no separator: the key prefix of the permission keys in Setting.ini.
std::string KeyPrefix(std::string_view icFolder, std::string_view tag);

// "ExeDir\Tables\RR%02d.bin"; empty for table number 0 (no table).
std::string RetryTablePath(const std::string& exeDir, int retryTableNumber);

// The image the scan reads the offered version from in automatic mode:
// Base + raw tag + "\" + raw retry tag + "\" + ISP file name. Empty (no image)
// for a block without a family, and for a tag or retry tag that would lead out
// of the package folder.
std::string AutomaticIspPath(const std::string& exeDir, const ParameterBlock& block,
                             const ModeSector& mode);

// ExeDir + "\" + a profile's stored file path with the "AP_ModelName" placeholder
// replaced for this drive: by the model name when ISPFilePathAdd_MNStr is set,
// else by the current version when ISPFilePathAdd_FWVerStr is set (and, when the
// folder of that path does not exist, the version level is dropped again).
// Empty when no file is configured (the stored path names no file) or when the
// drive's text would lead out of the tool folder.
std::string ResolveProfilePath(const std::string& exeDir, const std::string& storedPath,
                               const app::ControllerProfile& profile, std::string_view modelName,
                               std::string_view currentFwVer);
// The configured image of the drive's IC type (its ISP_FilePath), resolved as above.
std::string ConfiguredImagePath(const std::string& exeDir, const app::ControllerProfile& profile,
                                std::string_view modelName, std::string_view currentFwVer);
// ExeDir + "\" + FWVerDB_FilePath; empty when the profile names no database.
std::string VersionDatabasePath(const std::string& exeDir, const app::ControllerProfile& profile);

}  // namespace firmware
