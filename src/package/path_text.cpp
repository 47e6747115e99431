#include "package/path_text.h"

#include "common/text.h"

namespace firmware {

std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  const std::string lowText = common::ToLower(text);
  const std::string lowFrom = common::ToLower(from);
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t hit = lowText.find(lowFrom, pos);
    if (hit == std::string::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

bool LeavesFolder(std::string_view text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = text.size();
    if (common::TrimView(text.substr(start, end - start)) == "..") return true;
    start = end + 1;
  }
  return false;
}

bool IsSafeFolderLevel(std::string_view text) {
  if (text.find_first_of("\\/:") != std::string_view::npos) return false;
  const std::string_view t = common::TrimView(text);
  return t != "." && t != "..";
}

bool IsSafeRelativeFolder(std::string_view text) {
  if (text.empty()) return false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view level = text.substr(start, end - start);
    if (level.empty() || !IsSafeFolderLevel(level)) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace firmware
