#include "config/run_log/log_file_name.h"

#include <array>
#include <filesystem>

#include "common/text.h"
#include "common/winpath.h"
#include "platform/host/host_process.h"

namespace app {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxNameChars = 255;

// Files the tool keeps under fixed names in its folder or in the current one.
constexpr std::array<const char*, 7> kToolFileNames = {
    "Setting.ini", "diskpart.txt",  "OriginalCID.bin", "NewFluCID.bin",
    "New_ISP.bin", "Microcode.flu", "SetCID.ini"};

bool CannotBeInAFileName(unsigned char c) {
  if (c < 0x20 || c == 0x7F) return true;
  for (char bad : std::string_view("<>\"|?*")) {
    if (c == static_cast<unsigned char>(bad)) return true;
  }
  return false;
}

// The path with every existing part resolved, for comparing two paths.
fs::path Resolved(const fs::path& p) {
  std::error_code ec;
  fs::path r = fs::weakly_canonical(fs::absolute(p, ec), ec);
  return ec ? p.lexically_normal() : r;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec) && !ec) return true;
  return Resolved(a) == Resolved(b);
}

}  // namespace

std::optional<std::string> RunLogNameProblem(const std::string& name,
                                             const std::vector<std::string>& toolFiles) {
  if (name.empty()) return "the name is empty";
  if (name.size() > kMaxNameChars) return "the name is longer than 255 characters";
  if (name.find_first_of("/\\:") != std::string::npos) {
    return "it has a folder part; the log is a plain file name in the current folder";
  }
  for (char c : name) {
    if (CannotBeInAFileName(static_cast<unsigned char>(c))) {
      return "it holds characters a file name cannot hold";
    }
  }
  if (name == "." || name == "..") return "it names a folder";
  for (const char* own : kToolFileNames) {
    if (common::EqualsNoCase(name, own)) return std::string("it is the tool's own file ") + own;
  }
  const fs::path log = common::ToNativePath(name);
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(log, ec);
  if (st.type() == fs::file_type::directory) return "it names a folder";
  if (st.type() == fs::file_type::symlink) return "it is a symbolic link";
  if (fs::exists(st) && st.type() != fs::file_type::regular) return "it is not an ordinary file";

  // Any folder may hold the log, the tool folder too (where a double click
  // starts the program); only a file the tool reads or writes itself is out.
  for (const std::string& own : toolFiles) {
    if (SameFile(log, common::ToNativePath(own))) return "it is one of the tool's own files";
  }
  if (const std::string self = host::ExecutablePath();
      !self.empty() && fs::exists(st) && SameFile(log, self)) {
    return "it is the tool's program";
  }
  return std::nullopt;
}

std::string RefusedRunLogNameMessage(const std::string& name, const std::string& why) {
  std::string shown;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    shown += u < 0x20 || u == 0x7F ? common::Format("\\x%02X", u) : std::string(1, c);
  }
  return "Setting.ini: the run log name SSDToolLogName=\"" + shown + "\" is refused: " + why +
         ". No run log file is deleted or written.";
}

}  // namespace app
