#include "lab/media/sparse_file_media.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lab {

std::unique_ptr<SparseFileMedia> SparseFileMedia::Open(const std::string& path, uint64_t sectors,
                                                       uint32_t sectorSize, std::string& error) {
  if (sectorSize == 0 || sectors == 0 || sectors > (uint64_t{1} << 62) / sectorSize) {
    error = "invalid media size for " + path;
    return nullptr;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot open media file " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<SparseFileMedia> media(new SparseFileMedia(fd, path, sectors, sectorSize));
  struct stat st {};
  const off_t size = static_cast<off_t>(sectors * sectorSize);
  // Setting the length makes the file sparse; a capacity changed in lab.ini
  // grows or cuts the file to match.
  if (::fstat(fd, &st) != 0 || (st.st_size != size && ::ftruncate(fd, size) != 0)) {
    error = "cannot size media file " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return media;
}

SparseFileMedia::~SparseFileMedia() { ::close(fd_); }

bool SparseFileMedia::InRange(uint64_t lba, uint32_t count) const {
  return lba <= sectors_ && count <= sectors_ - lba;
}

bool SparseFileMedia::Read(uint64_t lba, uint32_t count, uint8_t* out) {
  if (!InRange(lba, count) || (count != 0 && out == nullptr)) return false;
  for (const LbaRange& r : unreadable_)
    if (r.Overlaps(lba, count)) return false;
  size_t left = static_cast<size_t>(count) * sectorSize_;
  off_t at = static_cast<off_t>(lba * sectorSize_);
  while (left > 0) {
    const ssize_t n = ::pread(fd_, out, left, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {  // a file cut short behind our back reads as zeros
      std::memset(out, 0, left);
      break;
    }
    out += n;
    at += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool SparseFileMedia::Write(uint64_t lba, uint32_t count, const uint8_t* in) {
  if (!InRange(lba, count) || (count != 0 && in == nullptr)) return false;
  size_t left = static_cast<size_t>(count) * sectorSize_;
  off_t at = static_cast<off_t>(lba * sectorSize_);
  while (left > 0) {
    const ssize_t n = ::pwrite(fd_, in, left, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    in += n;
    at += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

bool SparseFileMedia::Zero(uint64_t lba, uint64_t count) {
  if (lba > sectors_ || count > sectors_ - lba) return false;
  if (count == 0) return true;
  const off_t at = static_cast<off_t>(lba * sectorSize_);
  const off_t length = static_cast<off_t>(count * sectorSize_);
  if (::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, at, length) == 0) return true;
  return Media::Zero(lba, count);
}

}  // namespace lab
