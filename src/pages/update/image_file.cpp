#include "pages/update/image_file.h"

#include "package/package_files.h"
#include "pages/update/update_flow.h"

namespace update {

ImageFile ReadImageFile(const std::string& path) {
  ImageFile out;
  const auto size = firmware::FileSize(path);
  if (!size) return out;
  if (*size == 0) {
    out.status = ImageFile::Status::kEmpty;
    return out;
  }
  if (*size > kMaxImageBytes) {
    out.status = ImageFile::Status::kTooLarge;
    return out;
  }
  auto bytes = firmware::ReadWholeFile(path, kMaxImageBytes);
  if (!bytes || bytes->size() != *size) {
    out.status = ImageFile::Status::kUnreadable;
    return out;
  }
  out.bytes = std::move(*bytes);
  out.status = out.bytes.empty() ? ImageFile::Status::kEmpty : ImageFile::Status::kOk;
  return out;
}

}  // namespace update
