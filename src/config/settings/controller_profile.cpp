#include "config/settings/controller_profile.h"

namespace app {

std::vector<std::string> ControllerProfile::DownloadFiles() const {
  std::vector<std::string> files;
  for (const std::string& path : DW_FilePath) {
    if (!path.empty()) files.push_back(path);
  }
  return files;
}

const ControllerProfile* ProfileTable::Find(const std::string& name) const {
  for (int i = 0; i < ProfileCount; ++i) {
    if (Profiles[static_cast<size_t>(i)].Name == name) return &Profiles[static_cast<size_t>(i)];
  }
  return nullptr;
}

}  // namespace app
