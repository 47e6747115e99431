#include "lab/machine/state_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "common/unique_fd.h"

namespace lab {
namespace {

constexpr std::string_view kTempMark = ".tmp-";
constexpr size_t kTempRandomChars = 6;  // mkstemp's XXXXXX

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view text) {
  std::string temp = path + std::string(kTempMark) + std::string(kTempRandomChars, 'X');
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  // mkstemp creates the file with O_EXCL (mode 0600): a file or link that
  // someone left under the name is never opened.
  common::UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
  if (fd.Get() < 0) return false;
  temp.assign(name.data());
  const bool written = WriteAll(fd.Get(), text) && ::fchmod(fd.Get(), 0644) == 0 && fd.Close();
  // rename replaces a link at `path` itself, never what it points to.
  if (!written || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool IsTemporaryName(std::string_view fileName) {
  const size_t at = fileName.rfind(kTempMark);
  return at != std::string_view::npos && at > 0 &&
         fileName.size() == at + kTempMark.size() + kTempRandomChars;
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit, Links links) {
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (links == Links::kRefuse ? O_NOFOLLOW : 0);
  common::UniqueFd fd(::open(path.c_str(), flags));
  struct stat st {};
  // Only ordinary files: a folder reads as nothing, a pipe would never end.
  if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  if (static_cast<uint64_t>(st.st_size) > limit) return std::nullopt;
  std::string data;
  char buf[16384];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    data.append(buf, static_cast<size_t>(n));
    if (data.size() > limit) return std::nullopt;
  }
  return data;
}

std::string StateFileStem(std::string_view section) {
  std::string stem;
  for (char c : section) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
    stem.push_back(keep ? c : '_');
  }
  return stem;
}

}  // namespace lab
