#include "config/settings/controller_profile.h"

namespace app {

const ControllerProfile* ProfileTable::Find(const std::string& name) const {
  for (int i = 0; i < ProfileCount; ++i) {
    if (Profiles[static_cast<size_t>(i)].Name == name) return &Profiles[static_cast<size_t>(i)];
  }
  return nullptr;
}

}  // namespace app
