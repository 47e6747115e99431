#pragma once
// Makes a folder the current one for the life of the object (the run log's
// name is taken against the current folder).
#include <filesystem>

namespace testsupport {

class CurrentDir {
 public:
  explicit CurrentDir(const std::filesystem::path& folder)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
  }
  CurrentDir(const CurrentDir&) = delete;
  CurrentDir& operator=(const CurrentDir&) = delete;

 private:
  std::filesystem::path previous_;
};

}  // namespace testsupport
