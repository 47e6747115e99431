// The demo lab's folder: where it lives, and how it is made and renewed. The
// demo replaces its own drive state when the demo changes, so it must never
// take a folder that is not its own for one: it keeps a marker file in every
// folder it made, takes over only new or empty folders (or one an older demo
// left), and deletes only the files its lab writes.
#include <cstdlib>
#include <filesystem>

#include "common/text.h"
#include "lab/demo/open_lab.h"
#include "lab/machine/state_files.h"
#include "platform/host/host_file.h"
#include "platform/host/host_process.h"

namespace lab {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxLabIniBytes = 1u << 20;
constexpr const char* kMarkerName = ".ssdtools-demo-lab";
constexpr const char* kMarkerText =
    "This folder holds the SSD Tools demo lab (ssdtools --lab demo). Its lab.ini and the drive "
    "files in state/ are replaced when the demo changes.\n";
// The first line of every demo's lab.ini up to its version number.
constexpr std::string_view kDemoIniStart = "; SSD Tools demo lab, version ";

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

bool EndsWithNoCase(const std::string& s, std::string_view end) {
  return s.size() >= end.size() &&
         common::EqualsNoCase(std::string_view(s).substr(s.size() - end.size()), end);
}

bool IsOrdinaryFile(const fs::path& p) {
  std::error_code ec;
  return fs::symlink_status(p, ec).type() == fs::file_type::regular;
}

// A folder an older demo made before it kept a marker: a demo lab.ini and
// nothing but what the demo itself writes.
bool IsUnmarkedOlderDemo(const fs::path& folder) {
  const auto ini = ReadSmallFile((folder / "lab.ini").string(), kMaxLabIniBytes, Links::kRefuse);
  if (!ini || ini->rfind(kDemoIniStart, 0) != 0) return false;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    if (name != "lab.ini" && name != "state" && !IsTemporaryName(name)) return false;
  }
  return !ec;
}

bool IsEmptyFolder(const fs::path& folder) {
  std::error_code ec;
  return fs::is_empty(folder, ec) && !ec;
}

// The files a lab writes into its state folder; nothing else there is touched.
bool IsLabStateFile(const std::string& name) {
  return EndsWithNoCase(name, ".img") || EndsWithNoCase(name, ".state") || IsTemporaryName(name);
}

void RemoveOwnState(const fs::path& folder) {
  const fs::path state = folder / "state";
  std::error_code ec;
  if (fs::symlink_status(state, ec).type() != fs::file_type::directory) return;
  for (const fs::directory_entry& e : fs::directory_iterator(state, ec)) {
    const std::string name = e.path().filename().string();
    // A link is removed itself, never what it points to.
    if (IsLabStateFile(name) && !e.is_directory()) host::RemoveFile(e.path().string());
  }
  host::RemoveEmptyFolder(state.string());  // only when nothing else was left in it
}

// Why the existing folder cannot be the demo lab's, or "".
std::string UnsafeFolder(const fs::path& folder) { return host::FolderNotPrivate(folder.string()); }

bool CreatePrivateFolder(const fs::path& folder, std::string& error) {
  std::error_code ec;
  if (folder.has_parent_path()) fs::create_directories(folder.parent_path(), ec);
  std::string why;
  if (ec || !host::CreatePrivateFolder(folder.string(), why)) {
    error =
        "cannot create the demo lab folder " + folder.string() + ": " + (ec ? ec.message() : why);
    return false;
  }
  return true;
}

}  // namespace

std::string DemoLabFolder() {
  if (const char* own = std::getenv("SSDTOOLS_DEMO_LAB"); own != nullptr && *own != '\0') {
    return own;
  }
  if (const std::string state = host::UserStateFolder(); !state.empty()) {
    return (fs::path(state) / "ssdtools" / "demo-lab").string();
  }
  // Never a shared temporary folder: others could plant files there.
  return "";
}

bool EnsureDemoLab(const std::string& folderName, std::string& error) {
  if (folderName.empty()) {
    error =
        "the demo lab needs a folder of its own and HOME is not set: set HOME, XDG_STATE_HOME "
        "or SSDTOOLS_DEMO_LAB (LOCALAPPDATA on Windows)";
    return false;
  }
  const fs::path folder(folderName);
  const fs::path ini = folder / "lab.ini";
  const fs::path marker = folder / kMarkerName;
  const std::string wanted = DemoLabIni();
  std::error_code ec;
  if (!fs::exists(folder, ec)) {
    if (!CreatePrivateFolder(folder, error)) return false;
  } else {
    if (const std::string why = UnsafeFolder(folder); !why.empty()) {
      error = "the demo lab cannot use " + folderName + ": " + why;
      return false;
    }
    if (!IsOrdinaryFile(marker) && !IsEmptyFolder(folder) && !IsUnmarkedOlderDemo(folder)) {
      error = "the demo lab cannot use " + folderName +
              ": the folder holds files that are not the demo lab's; give SSDTOOLS_DEMO_LAB a "
              "new or empty folder";
      return false;
    }
  }
  if (!IsOrdinaryFile(marker) && !WriteFileAtomically(marker.string(), kMarkerText)) {
    error = "cannot write the demo lab into " + folderName;
    return false;
  }
  const auto have = ReadSmallFile(ini.string(), kMaxLabIniBytes, Links::kRefuse);
  if (have && FirstLine(*have) == FirstLine(wanted)) return true;
  RemoveOwnState(folder);  // drive state of an older demo
  if (!WriteFileAtomically(ini.string(), wanted)) {
    error = "cannot write the demo lab into " + folderName;
    return false;
  }
  return true;
}

}  // namespace lab
