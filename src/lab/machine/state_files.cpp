#include "lab/machine/state_files.h"

#include <atomic>
#include <random>

#include "platform/host/host_file.h"

namespace lab {
namespace {

constexpr std::string_view kTempMark = ".tmp-";
constexpr size_t kTempRandomChars = 6;
constexpr int kTempNameTries = 100;

std::string RandomChars() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<unsigned> serial{0};
  std::minstd_rand gen(std::random_device{}() ^ serial++);
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string s;
  for (size_t i = 0; i < kTempRandomChars; ++i) s.push_back(kChars[pick(gen)]);
  return s;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view text) {
  // The temporary is created exclusively: a file or link that someone left
  // under the name is never opened.
  std::string temp;
  std::unique_ptr<host::File> file;
  std::string error;
  for (int i = 0; i < kTempNameTries && !file; ++i) {
    temp = path + std::string(kTempMark) + RandomChars();
    file = host::File::Open(temp, host::OpenMode::kCreateExclusive, true, error);
  }
  if (!file) return false;
  const bool written = file->WriteAll(text.data(), text.size()) && file->Close();
  // The rename replaces a link at `path` itself, never what it points to.
  if (!written || !host::RenameOver(temp, path)) {
    host::RemoveFile(temp);
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
  std::string error;
  const auto file = host::File::Open(path, host::OpenMode::kRead, links == Links::kRefuse, error);
  // Only ordinary files: a folder reads as nothing, a pipe would never end.
  if (!file || !file->IsOrdinary() || file->Size() > limit) return std::nullopt;
  std::string data;
  char buf[16384];
  for (;;) {
    const int64_t n = file->Read(buf, sizeof buf);
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
