#pragma once
// Whether a drive may go from its current firmware version to the offered one,
// and the refusals the update flows apply before a download.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"
#include "package/parameter_block.h"

namespace firmware {

inline constexpr const char* kNotBeforePrefix = "Current FW Version is not before ";
inline constexpr const char* kDriveUpToDate = "Drive FW is Up To Date";
inline constexpr const char* kNoUpdateAvailable = "No Update Available";
// CustomerType 1: only drives before this version are updated.
inline constexpr const char* kCustomerUpToDateVersion = "V0414A0";
// Update-file generation error "New_ISP.bin was not built".
inline constexpr int kGenFluNoNewIsp = 17;

// Where the permission for an update is looked up.
struct UpdateRuleContext {
  std::string exeDir;
  bool autoGenFlu = false;
  // ExeDir + "\" + FWVerDB_FilePath of the drive's IC type (VersionDatabasePath).
  std::string versionDatabasePath;
};

// The version compared by the rules: `length` (at most 16) characters, every
// position i < length whose mask character is not "1" set to "*" (an empty mask
// keeps all), then trimmed of blanks.
std::string MaskVersion(std::string_view version, int length, std::string_view mask);

// The update from `current` to `offered` is allowed. With a key prefix in
// automatic mode, section UpdateFW of Setting.ini decides (key prefix + current
// version: a non-zero number allows any, else the value must be the offered
// version); otherwise the same version is allowed again, and any other needs a
// FWSupportVer_n entry in section UPDATE_<current> of the version database. A
// missing file allows nothing.
bool IsUpdateAllowed(const UpdateRuleContext& ctx, std::string_view offered,
                     std::string_view current, int length, std::string_view mask,
                     std::optional<std::string_view> keyPrefix);

// First update step: refused when AvailableBefore is set and sorts before the
// current version. The refusal text, or nothing.
std::optional<std::string> AvailableBeforeRefusal(const app::AppOptions& options,
                                                  std::string_view current);

// CustomerType 1 updates only drives before V0414A0.
std::optional<std::string> CustomerTypeRefusal(int32_t customerType, std::string_view current);

// CustomerType 2 with a key prefix naming IMN38: the capacity, plane and page
// rules on the drive's parameter block. The first failing rule's text, or nothing.
std::optional<std::string> CustomerType2Refusal(int32_t customerType, std::string_view keyPrefix,
                                                const ParameterBlock& block);

// The result text of a failed update-file generation.
std::string GenFluErrorResult(int32_t customerType, int code);

// The image conversion older bridge firmware needs before a download.
enum class LegacyConversion { kNone, kBeforeP0925A, kBeforeQ0427A };
LegacyConversion LegacyConversionFor(const app::ControllerProfile& profile,
                                     std::string_view current);

// After a commit: the version the drive reports (first 8 characters, trimmed)
// equals the expected one (trimmed).
bool ReportedVersionMatches(std::string_view reported, std::string_view expected);

}  // namespace firmware
