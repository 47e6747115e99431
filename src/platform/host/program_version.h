#pragma once
// The running program's own version resource (Windows: the VERSIONINFO that
// windres linked in). Platforms without one answer nothing, and callers fall
// back to the build's version.
#include <optional>
#include <string>

namespace host {

struct ProgramVersion {
  int major = 0;
  int minor = 0;
  int build = 0;
  int revision = 0;
  std::string internalName;
};

std::optional<ProgramVersion> ReadOwnVersionResource();

}  // namespace host
