#include "fuzz_check.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fuzz {

namespace fs = std::filesystem;

const std::string& ProcessFolder() {
  // Never destroyed: the exit handler below still needs the name after the
  // statics are gone.
  static const std::string* dir = [] {
    std::error_code ec;
    const fs::path base =
        fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path p = base / ("ssdtools_fuzz_" + std::to_string(::getpid()));
    fs::remove_all(p, ec);
    fs::create_directories(p, ec);
    FUZZ_CHECK(!ec);
    std::atexit([] {
      std::error_code e;
      fs::remove_all(ProcessFolder(), e);
    });
    return new std::string(p.string());
  }();
  return *dir;
}

const std::string& FreshFolder() {
  static const std::string& dir = *new std::string(ProcessFolder() + "/input");
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir, ec);
  FUZZ_CHECK(!ec);
  return dir;
}

bool TryWriteFile(const std::string& path, std::string_view content) {
  if (path.find('\0') != std::string::npos) return false;
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  out.close();
  return !ec && out.good();
}

void WriteFile(const std::string& path, std::string_view content) {
  FUZZ_CHECK(TryWriteFile(path, content));
}

}  // namespace fuzz
