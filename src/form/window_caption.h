#pragma once
// The window caption ("SSD Tools V2.5.17_A1") and the controller list of the
// status bar, both composed once at start-up.
#include <optional>
#include <string>

#include "config/settings/controller_profile.h"

namespace app {

inline constexpr const char* kDefaultToolTitle = "SSD Tools";

// What the executable's version resource gives: the file version's numbers and
// the InternalName string (empty when it cannot be read).
struct VersionResource {
  int major = 0;
  int minor = 0;
  int build = 0;
  int revision = 0;  // kept in the resource, not shown
  std::string internalName;
};

// The program's version resource (Windows), else this build's own version
// standing in for it.
VersionResource BuildVersionResource();

// title + " V" + major.minor.build + "_" + internal name; an empty configured
// title means the tool's name. Without a version resource the caption stays as
// it was (`current`).
std::string BuildWindowCaption(const std::string& configuredTitle,
                               const std::optional<VersionResource>& version,
                               const std::string& current);

// "VK46" followed by the families of the loaded profiles, in table order.
std::string BuildControllerFamilies(const ProfileTable& profiles);
// "Controller:%s, ASPI:%d".
std::string ControllerListLabel(const ProfileTable& profiles);

}  // namespace app
