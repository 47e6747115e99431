#pragma once
// Reading a firmware image for a download: the whole file or a reason why
// not. An image that cannot be read, or holds nothing, is never downloaded.
#include <cstdint>
#include <string>
#include <vector>

namespace update {

struct ImageFile {
  enum class Status { kOk, kMissing, kUnreadable, kEmpty, kTooLarge };
  Status status = Status::kMissing;
  std::vector<uint8_t> bytes;
};

// `path` is a product path (backslashes).
ImageFile ReadImageFile(const std::string& path);

}  // namespace update
