// POSIX files for host_file.h.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/host/host_file.h"

namespace host {
namespace {

int Fd(intptr_t h) { return static_cast<int>(h); }

}  // namespace

PathKind KindOf(const std::string& nativePath) {
  struct stat st {};
  if (::lstat(nativePath.c_str(), &st) != 0) return PathKind::kMissing;
  if (S_ISREG(st.st_mode)) return PathKind::kFile;
  if (S_ISDIR(st.st_mode)) return PathKind::kFolder;
  if (S_ISLNK(st.st_mode)) return PathKind::kLink;
  return PathKind::kOther;
}

std::unique_ptr<File> File::Open(const std::string& nativePath, OpenMode mode, bool refuseLinks,
                                 std::string& error) {
  int flags = O_CLOEXEC | (refuseLinks ? O_NOFOLLOW : 0);
  mode_t perm = 0644;
  switch (mode) {
    case OpenMode::kRead:
      // Non-blocking: a pipe in the file's place never holds the caller up.
      flags |= O_RDONLY | O_NONBLOCK;
      break;
    case OpenMode::kReadWrite:
      flags |= O_RDWR | O_CREAT;
      break;
    case OpenMode::kWriteTruncate:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case OpenMode::kCreateExclusive:
      flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
      break;
  }
  const int fd = ::open(nativePath.c_str(), flags, perm);
  if (fd < 0) {
    error = refuseLinks && errno == ELOOP ? std::string("it is a symbolic link")
                                          : std::string(std::strerror(errno));
    return nullptr;
  }
  return std::unique_ptr<File>(new File(fd));
}

File::~File() {
  if (handle_ >= 0) ::close(Fd(handle_));
}

bool File::IsOrdinary() const {
  struct stat st {};
  return ::fstat(Fd(handle_), &st) == 0 && S_ISREG(st.st_mode);
}

uint64_t File::Size() const {
  struct stat st {};
  if (::fstat(Fd(handle_), &st) != 0) return UINT64_MAX;
  return static_cast<uint64_t>(st.st_size);
}

bool File::SetSize(uint64_t size) {
  return ::ftruncate(Fd(handle_), static_cast<off_t>(size)) == 0;
}

int64_t File::ReadAt(void* buffer, size_t length, uint64_t at) const {
  for (;;) {
    const ssize_t n = ::pread(Fd(handle_), buffer, length, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

int64_t File::WriteAt(const void* buffer, size_t length, uint64_t at) {
  for (;;) {
    const ssize_t n = ::pwrite(Fd(handle_), buffer, length, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

int64_t File::Read(void* buffer, size_t length) {
  for (;;) {
    const ssize_t n = ::read(Fd(handle_), buffer, length);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

bool File::WriteAll(const void* buffer, size_t length) {
  const auto* at = static_cast<const char*>(buffer);
  while (length > 0) {
    const ssize_t n = ::write(Fd(handle_), at, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

int64_t File::NextData(uint64_t at) const {
  const off_t data = ::lseek(Fd(handle_), static_cast<off_t>(at), SEEK_DATA);
  if (data >= 0) return data;
  return errno == ENXIO ? kNoMoreData : kNotKnown;
}

int64_t File::NextHole(uint64_t at) const {
  const off_t hole = ::lseek(Fd(handle_), static_cast<off_t>(at), SEEK_HOLE);
  return hole >= 0 ? hole : kNotKnown;
}

void File::Preallocate(uint64_t at, uint64_t length) {
  (void)::fallocate(Fd(handle_), FALLOC_FL_KEEP_SIZE, static_cast<off_t>(at),
                    static_cast<off_t>(length));
}

bool File::PunchHole(uint64_t at, uint64_t length) {
  return ::fallocate(Fd(handle_), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                     static_cast<off_t>(at), static_cast<off_t>(length)) == 0;
}

bool File::ZeroRange(uint64_t at, uint64_t length) {
  return ::fallocate(Fd(handle_), FALLOC_FL_ZERO_RANGE | FALLOC_FL_KEEP_SIZE,
                     static_cast<off_t>(at), static_cast<off_t>(length)) == 0;
}

bool File::MakeSparse() { return true; }  // every file may have holes

bool File::Flush() { return ::fsync(Fd(handle_)) == 0; }

bool File::Close() {
  const int fd = Fd(handle_);
  handle_ = -1;
  return fd >= 0 && ::close(fd) == 0;
}

bool RenameOver(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& nativePath) { return ::unlink(nativePath.c_str()) == 0; }

bool RemoveEmptyFolder(const std::string& nativePath) { return ::rmdir(nativePath.c_str()) == 0; }

bool CreatePrivateFolder(const std::string& nativePath, std::string& error) {
  if (::mkdir(nativePath.c_str(), 0700) == 0) return true;
  error = std::strerror(errno);
  return false;
}

std::string FolderNotPrivate(const std::string& nativePath) {
  struct stat st {};
  if (::stat(nativePath.c_str(), &st) != 0) return std::strerror(errno);
  if (!S_ISDIR(st.st_mode)) return "it is not a folder";
  if (st.st_uid != ::geteuid()) return "it belongs to another user";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "other users can write to it";
  return "";
}

uint64_t AllocatedBytes(const std::string& nativePath) {
  struct stat st {};
  if (::stat(nativePath.c_str(), &st) != 0) return UINT64_MAX;
  constexpr uint64_t kStatBlockBytes = 512;  // st_blocks counts 512-byte units
  return static_cast<uint64_t>(st.st_blocks) * kStatBlockBytes;
}

std::string LastErrorText() { return std::strerror(errno); }

}  // namespace host
#endif  // !_WIN32
