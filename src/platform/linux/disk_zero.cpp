#include "platform/linux/disk_zero.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/linux/direct_io.h"

namespace os::linuxos {

int WriteZeros(int fd, uint64_t offset, uint64_t length) {
  constexpr size_t kSlice = size_t{1} << 20;
  // Aligned, so that a disk opened with O_DIRECT takes it.
  AlignedBuffer zeros(static_cast<size_t>(std::min<uint64_t>(kSlice, length)));
  if (!zeros.valid()) return ENOMEM;
  std::memset(zeros.data(), 0, zeros.size());
  while (length > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(length, zeros.size()));
    const ssize_t w = ::pwrite(fd, zeros.data(), n, static_cast<off_t>(offset));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return w < 0 ? errno : EIO;
    offset += static_cast<uint64_t>(w);
    length -= static_cast<uint64_t>(w);
  }
  // Zeros count as written once they are on the disk.
  return ::fdatasync(fd) != 0 ? errno : 0;
}

int ZeroRange(int fd, uint64_t offset, uint64_t length) {
  if (length == 0) return 0;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  if (S_ISBLK(st.st_mode)) {
    uint64_t range[2] = {offset, length};
    if (::ioctl(fd, BLKZEROOUT, range) == 0) return 0;
    if (errno != EOPNOTSUPP && errno != ENOTTY && errno != EINVAL) return errno;
    return WriteZeros(fd, offset, length);
  }
  if (!S_ISREG(st.st_mode)) return ENOTTY;
  // A file past whose end the range reaches keeps its length: a disk does not grow.
  if (offset >= static_cast<uint64_t>(st.st_size)) return EINVAL;
  length = std::min<uint64_t>(length, static_cast<uint64_t>(st.st_size) - offset);
  if (::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                  static_cast<off_t>(length)) == 0) {
    return 0;
  }
  return WriteZeros(fd, offset, length);
}

}  // namespace os::linuxos
