#include "platform/linux/proc_mounts.h"

#include <fstream>
#include <sstream>

#include "common/str_to_int.h"
#include "common/text.h"

namespace os::linuxos {
namespace {

// mountinfo writes blanks, tabs, new lines and backslashes as octal escapes.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      const std::string digits = s.substr(i + 1, 3);
      if (digits.find_first_not_of("01234567") == std::string::npos) {
        out.push_back(static_cast<char>(std::stoi(digits, nullptr, 8) & 0xFF));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  std::string f;
  while (in >> f) fields.push_back(f);
  return fields;
}

bool ParseDevice(const std::string& text, uint32_t* major, uint32_t* minor) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  const int32_t ma = common::StrToIntDef(text.substr(0, colon), -1);
  const int32_t mi = common::StrToIntDef(text.substr(colon + 1), -1);
  if (ma < 0 || mi < 0) return false;
  *major = static_cast<uint32_t>(ma);
  *minor = static_cast<uint32_t>(mi);
  return true;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(const std::string& text) {
  std::vector<MountEntry> mounts;
  for (const std::string& line : common::Split(text, '\n')) {
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const std::vector<std::string> f = Fields(line);
    if (f.size() < 7) continue;
    size_t dash = 6;
    while (dash < f.size() && f[dash] != "-") ++dash;
    if (dash + 2 >= f.size()) continue;
    MountEntry m;
    if (!ParseDevice(f[2], &m.major, &m.minor)) continue;
    m.mountPoint = Unescape(f[4]);
    m.fsType = f[dash + 1];
    m.source = Unescape(f[dash + 2]);
    mounts.push_back(std::move(m));
  }
  return mounts;
}

std::vector<std::string> ParseSwapPartitions(const std::string& text) {
  std::vector<std::string> swaps;
  for (const std::string& line : common::Split(text, '\n')) {
    // Filename Type Size Used Priority (the first line is the heading)
    const std::vector<std::string> f = Fields(line);
    if (f.size() < 2 || f[1] != "partition") continue;
    swaps.push_back(Unescape(f[0]));
  }
  return swaps;
}

std::string ReadProcFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::string text(kMaxProcFileBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  return text;
}

}  // namespace os::linuxos
