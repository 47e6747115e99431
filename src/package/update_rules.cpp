#include "package/update_rules.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "config/settings/settings_reader.h"
#include "common/text.h"
#include "package/package_files.h"
#include "package/version_text.h"

namespace firmware {
namespace {

constexpr size_t kRuleBufferChars = 16;

// strncmp over the texts up to their first NUL.
bool SameFirst(std::string_view a, std::string_view b, int length) {
  const size_t n = static_cast<size_t>(std::max(length, 0));
  return CompareVersionBytes(a.substr(0, std::min(n, a.size())),
                             b.substr(0, std::min(n, b.size()))) == 0;
}

bool AllowedBySettingKey(const UpdateRuleContext& ctx, std::string_view key,
                         std::string_view offeredMasked) {
  const auto settings = LoadIniFile(app::SettingFilePath(ctx.exeDir));
  if (!settings) return false;
  if (settings->ReadInteger(app::kUpdateFWSection, key, 0) != 0) return true;
  return settings->ReadString(app::kUpdateFWSection, key, "0") == offeredMasked;
}

bool AllowedByDatabase(const UpdateRuleContext& ctx, std::string_view currentMasked,
                       std::string_view offeredMasked, int length) {
  const auto db = LoadIniFile(ctx.versionDatabasePath);
  if (!db) return false;
  const std::string section = "UPDATE_" + std::string(currentMasked);
  // Every step needs a key that exists, so the walk ends within the file's size.
  for (int n = 1;; ++n) {
    const std::string value =
        common::Trim(db->ReadString(section, common::Format("FWSupportVer_%d", n), "0"));
    if (value == "0") return false;
    if (SameFirst(value, offeredMasked, length)) return true;
  }
}

}  // namespace

std::string MaskVersion(std::string_view version, int length, std::string_view mask) {
  const size_t len = static_cast<size_t>(std::clamp(length, 0, static_cast<int>(kRuleBufferChars)));
  std::array<char, kRuleBufferChars + 1> buf{};
  version = version.substr(0, version.find('\0'));
  std::copy_n(version.begin(), std::min(len, version.size()), buf.begin());
  if (!mask.empty()) {
    for (size_t i = 0; i < len; ++i) {
      if (i >= mask.size() || mask[i] != '1') buf[i] = '*';
    }
  }
  return common::Trim(std::string_view(buf.data(), std::strlen(buf.data())));
}

bool IsUpdateAllowed(const UpdateRuleContext& ctx, std::string_view offered,
                     std::string_view current, int length, std::string_view mask,
                     std::optional<std::string_view> keyPrefix) {
  const std::string offeredMasked = MaskVersion(offered, length, mask);
  const std::string currentMasked = MaskVersion(current, length, mask);
  if (ctx.autoGenFlu && keyPrefix) {
    return AllowedBySettingKey(ctx, std::string(*keyPrefix) + std::string(current), offeredMasked);
  }
  if (SameFirst(offeredMasked, currentMasked, length)) return true;
  return AllowedByDatabase(ctx, currentMasked, offeredMasked, length);
}

std::optional<std::string> AvailableBeforeRefusal(const app::AppOptions& options,
                                                  std::string_view current) {
  if (options.AvailableBefore.empty() || !OrderedBefore(options.AvailableBefore, current)) {
    return std::nullopt;
  }
  return kNotBeforePrefix + options.AvailableBefore;
}

std::optional<std::string> CustomerTypeRefusal(int32_t customerType, std::string_view current) {
  if (customerType != 1 || OrderedBefore(current, kCustomerUpToDateVersion)) return std::nullopt;
  return std::string(kDriveUpToDate);
}

std::optional<std::string> CustomerType2Refusal(int32_t customerType, std::string_view keyPrefix,
                                                const ParameterBlock& block) {
  if (customerType != 2 || keyPrefix.find("IMN38") == std::string_view::npos) return std::nullopt;
  const uint8_t cap0 = block.Byte(ParameterBlock::kCapacityCode);
  const uint8_t cap1 = block.Byte(ParameterBlock::kCapacityCode + 1);
  if (!((cap0 == 4 || cap0 == 2) && cap1 == 1)) return std::string("Device is not 512GB or 256GB");
  if (block.Byte(ParameterBlock::kPlaneMode) != 4) return std::string("Plane mode is not 4");
  if (block.Byte(ParameterBlock::kValidTlcPagesPerCe) != 0xF0 ||
      block.Byte(ParameterBlock::kValidTlcPagesPerCe + 1) != 0x2F) {
    return std::string("ValidTlcPgPerCE is not equal to 0x2FF0");
  }
  return std::nullopt;
}

std::string GenFluErrorResult(int32_t customerType, int code) {
  if (customerType == 1 && code == kGenFluNoNewIsp) return kNoUpdateAvailable;
  return common::Format("Gen flu file error:(0x%X)", static_cast<unsigned>(code));
}

LegacyConversion LegacyConversionFor(const app::ControllerProfile& profile,
                                     std::string_view current) {
  if (profile.ISPVerChk_BefP0925A_Only10JMS && CompareVersionBytes(current, "P0925A") <= 0) {
    return LegacyConversion::kBeforeP0925A;
  }
  if (profile.ISPVerChk_BefQ0427A_Only10JMS_L06B && CompareVersionBytes(current, "Q0427A") <= 0) {
    return LegacyConversion::kBeforeQ0427A;
  }
  return LegacyConversion::kNone;
}

bool ReportedVersionMatches(std::string_view reported, std::string_view expected) {
  reported = reported.substr(0, reported.find('\0'));
  return common::Trim(reported.substr(0, std::min<size_t>(reported.size(), 8))) ==
         common::Trim(expected.substr(0, expected.find('\0')));
}

}  // namespace firmware
