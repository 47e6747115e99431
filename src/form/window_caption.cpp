#include "form/window_caption.h"

#include "config/run_log/run_log_lines.h"
#include "build_version.h"
#include "common/text.h"
#include "platform/host/program_version.h"

namespace app {

VersionResource BuildVersionResource() {
  // The program's own resource where it has one (Windows), so the caption
  // shows what the file's properties show.
  if (const auto own = host::ReadOwnVersionResource()) {
    return VersionResource{own->major, own->minor, own->build, own->revision, own->internalName};
  }
  return VersionResource{buildinfo::kVersionMajor, buildinfo::kVersionMinor,
                         buildinfo::kVersionBuild, buildinfo::kVersionPrivate,
                         buildinfo::kInternalName};
}

std::string BuildWindowCaption(const std::string& configuredTitle,
                               const std::optional<VersionResource>& version,
                               const std::string& current) {
  if (!version) return current;
  const std::string title = configuredTitle.empty() ? kDefaultToolTitle : configuredTitle;
  return common::Format("%s V%d.%d.%d_%s", title.c_str(), version->major, version->minor,
                        version->build, version->internalName.c_str());
}

std::string BuildControllerFamilies(const ProfileTable& profiles) {
  static constexpr const char* kBase = "VK46";
  std::string text = kBase;
  for (int i = 0; i < profiles.ProfileCount; ++i) {
    const std::string& name = profiles.Profiles[static_cast<size_t>(i)].Name;
    if (name == "VK4610XT") {
      text += "10XT";
    } else if (name == "VK4620XT" || name == "VK4620XT2") {
      if (text != kBase) text += "/";
      text += name == "VK4620XT" ? "20XT" : "20XT2";
    }
  }
  return text;
}

std::string ControllerListLabel(const ProfileTable& profiles) {
  return common::Format("Controller:%s, ASPI:%d", BuildControllerFamilies(profiles).c_str(),
                        kAspiNumber);
}

}  // namespace app
