#include "common/whole_file.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/file_sync.h"
#include "common/text.h"
#include "common/winpath.h"

namespace common {
namespace {
namespace fs = std::filesystem;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Writes, flushes and closes; a close that fails (deferred write error) counts.
bool WriteAndClose(FilePtr file, std::span<const uint8_t> data) {
  if (!data.empty() && std::fwrite(data.data(), 1, data.size(), file.get()) != data.size()) {
    return false;
  }
  if (!SyncToDisk(file.get())) return false;
  return std::fclose(file.release()) == 0;
}

}  // namespace

bool WriteFileWhole(const std::string& path, std::span<const uint8_t> data) {
  if (path.empty()) return false;
  const fs::path target = common::ToNativePath(path);
  std::error_code ec;
  if (fs::is_directory(target, ec)) return false;
  static std::atomic<unsigned> serial{0};
  const fs::path temp =
      target.parent_path() / common::Format(".%s.%d.%u.tmp", target.filename().string().c_str(),
                                            ThisProcessId(), serial++);
  FilePtr file(std::fopen(temp.string().c_str(), "wb"));
  if (!file) return false;
  if (!WriteAndClose(std::move(file), data)) {
    fs::remove(temp, ec);
    return false;
  }
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace common
