#include "package/package_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "common/winpath.h"

namespace firmware {
namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_regular_file(common::ToNativePath(path), ec);
}

bool FolderExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_directory(common::ToNativePath(path), ec);
}

std::optional<uint64_t> FileSize(const std::string& path) {
  if (!FileExists(path)) return std::nullopt;
  std::error_code ec;
  const auto size = fs::file_size(common::ToNativePath(path), ec);
  if (ec) return std::nullopt;
  return static_cast<uint64_t>(size);
}

std::vector<uint8_t> ReadFileRange(const std::string& path, int64_t offset, size_t length) {
  std::vector<uint8_t> out;
  if (offset < 0 || !FileExists(path)) return out;
  std::ifstream in(common::ToNativePath(path), std::ios::binary);
  if (!in) return out;
  in.seekg(offset);
  if (!in) return out;
  out.resize(length);
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(length));
  out.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return out;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, size_t maxBytes) {
  if (!FileExists(path)) return std::nullopt;
  const std::string native = common::ToNativePath(path);
  std::error_code ec;
  const auto size = fs::file_size(native, ec);
  if (ec || size > maxBytes) return std::nullopt;
  std::ifstream in(native, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> data(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (static_cast<size_t>(in.gcount()) != data.size()) return std::nullopt;
  return data;
}

std::optional<common::IniFile> LoadIniFile(const std::string& path) {
  // Settings, SetCID and version files are small; a file far larger is no such file.
  constexpr size_t kMaxIniBytes = 16 * 1024 * 1024;
  const auto data = ReadWholeFile(path, kMaxIniBytes);
  if (!data) return std::nullopt;
  return common::IniFile::FromText(
      std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

}  // namespace firmware
