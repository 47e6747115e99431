#include "config/run_log/run_log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace app {

std::unique_ptr<RunLogFile> RunLogFile::Create(const std::string& nativePath, std::string& error) {
  const int fd =
      ::open(nativePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<RunLogFile>(new RunLogFile(fd));
}

RunLogFile::~RunLogFile() { ::close(fd_); }

bool RunLogFile::WriteEntry(std::string_view entry, std::string& error) {
  // One write per entry, so a reader never sees an entry without its line end
  // unless the disk itself gave out in between.
  std::string bytes(entry);
  bytes += "\r\n";
  const char* at = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, at, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? std::strerror(errno) : "nothing was written";
      return false;
    }
    at += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace app
