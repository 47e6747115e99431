#include "common/winpath.h"

#include <filesystem>
#include <system_error>

#include "common/text.h"

namespace common {
namespace fs = std::filesystem;

namespace {

std::string MatchComponent(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  const fs::path exact = folder / name;
  if (fs::exists(fs::symlink_status(exact, ec))) return name;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
  if (ec) return name;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string candidate = it->path().filename().string();
    if (EqualsNoCase(candidate, name)) return candidate;
  }
  return name;
}

}  // namespace

std::string ToNativePath(std::string_view windowsPath) {
  std::string p(windowsPath);
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  if (p.empty()) return p;
  // The root as this system has it: "/" here, a drive ("C:/") or a share
  // ("//server/") on Windows, where "C:" alone would be drive-relative.
  const fs::path whole(p);
  fs::path result = whole.root_path();
  for (const std::string& part : Split(whole.relative_path().generic_string(), '/')) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      result /= part;
      continue;
    }
    result /= MatchComponent(result, part);
  }
  return result.make_preferred().string();
}

std::string JoinWinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  std::string out(a);
  if (out.back() != '\\' && out.back() != '/') out += '\\';
  size_t skip = 0;
  while (skip < b.size() && (b[skip] == '\\' || b[skip] == '/')) ++skip;
  out.append(b.substr(skip));
  return out;
}

std::string ParentFolder(std::string_view path) {
  const size_t pos = path.find_last_of("\\/");
  if (pos == std::string_view::npos) return std::string();
  return std::string(path.substr(0, pos));
}

}  // namespace common
