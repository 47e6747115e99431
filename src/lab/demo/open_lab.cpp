#include "lab/demo/open_lab.h"

#include <filesystem>

#include "common/text.h"
#include "lab/machine/state_files.h"

namespace lab {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxLabIniBytes = 1u << 20;

}  // namespace

std::unique_ptr<LabOs> OpenLab(const std::string& dirOrDemo, std::string& error) {
  return OpenLab(dirOrDemo, DefaultDriveFactory(), error);
}

std::unique_ptr<LabOs> OpenLab(const std::string& dirOrDemo, const DriveFactory& factory,
                               std::string& error) {
  std::string folder = dirOrDemo;
  if (common::EqualsNoCase(dirOrDemo, "demo")) {
    folder = DemoLabFolder();
    if (!EnsureDemoLab(folder, error)) return nullptr;
  }
  if (folder.empty()) {
    error = "no lab folder given";
    return nullptr;
  }
  fs::path iniPath = fs::path(folder) / "lab.ini";
  // A path to the lab.ini itself names its folder.
  if (std::error_code ec; fs::is_regular_file(folder, ec)) {
    iniPath = folder;
    // Built whole and moved in: g++ 12 at -O3 flags assigning a literal to a
    // string that was just reassigned (-Wrestrict).
    std::string parent = fs::path(folder).parent_path().string();
    folder = parent.empty() ? std::string(".") : std::move(parent);
  }
  const auto text = ReadSmallFile(iniPath.string(), kMaxLabIniBytes);
  if (!text) {
    error = "no readable lab.ini (of at most 1 MiB) in " + folder;
    return nullptr;
  }
  std::unique_ptr<LabOs> os =
      LabOs::Create(ParseLabConfig(*text), (fs::path(folder) / "state").string(), factory, error);
  if (!os) error = iniPath.string() + ": " + error;
  return os;
}

}  // namespace lab
