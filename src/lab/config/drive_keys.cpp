#include "lab/config/drive_keys.h"

#include "common/text.h"

namespace lab {

std::optional<DownloadFormat> DownloadFormatFromName(std::string_view name) {
  const std::string_view n = common::TrimView(name);
  if (common::EqualsNoCase(n, "auto")) return DownloadFormat::kAuto;
  if (common::EqualsNoCase(n, "plain")) return DownloadFormat::kPlain;
  if (common::EqualsNoCase(n, "update")) return DownloadFormat::kUpdateFile;
  return std::nullopt;
}

std::optional<ActivationReset> ActivationResetFromName(std::string_view name) {
  const std::string_view n = common::TrimView(name);
  if (common::EqualsNoCase(n, "none")) return ActivationReset::kNone;
  if (common::EqualsNoCase(n, "conventional")) return ActivationReset::kConventional;
  if (common::EqualsNoCase(n, "subsystem")) return ActivationReset::kSubsystem;
  if (common::EqualsNoCase(n, "controller")) return ActivationReset::kController;
  return std::nullopt;
}

std::string_view VkModeName(VkMode mode) {
  switch (mode) {
    case VkMode::kIsp:
      return "ISP";
    case VkMode::kMpIsp:
      return "MPISP";
    case VkMode::kRomDe:
      return "ROMDE";
    case VkMode::kNormal:
      break;
  }
  return "Normal";
}

std::optional<VkMode> VkModeFromName(std::string_view name) {
  for (VkMode m : {VkMode::kNormal, VkMode::kIsp, VkMode::kMpIsp, VkMode::kRomDe}) {
    if (common::EqualsNoCase(common::TrimView(name), VkModeName(m))) return m;
  }
  return std::nullopt;
}

}  // namespace lab
