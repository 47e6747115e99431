#include "lab/machine/state_files.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lab {

bool WriteFileAtomically(const std::string& path, std::string_view text) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) std::remove(temp.c_str());
  return !ec;
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  char buf[16384];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    data.append(buf, static_cast<size_t>(in.gcount()));
    if (data.size() > limit) return std::nullopt;
  }
  return data;
}

std::string StateFileStem(std::string_view section) {
  std::string stem;
  for (char c : section) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
    stem.push_back(keep ? c : '_');
  }
  return stem;
}

}  // namespace lab
