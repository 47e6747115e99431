#include "config/run_log/run_log_file.h"

namespace app {

std::unique_ptr<RunLogFile> RunLogFile::Create(const std::string& nativePath, std::string& error) {
  auto file = host::File::Open(nativePath, host::OpenMode::kWriteTruncate, true, error);
  if (!file) return nullptr;
  return std::unique_ptr<RunLogFile>(new RunLogFile(std::move(file)));
}

RunLogFile::~RunLogFile() = default;

bool RunLogFile::WriteEntry(std::string_view entry, std::string& error) {
  // One write per entry, so a reader never sees an entry without its line end
  // unless the disk itself gave out in between.
  std::string bytes(entry);
  bytes += "\r\n";
  if (!file_->WriteAll(bytes.data(), bytes.size())) {
    error = host::LastErrorText();
    return false;
  }
  return true;
}

}  // namespace app
