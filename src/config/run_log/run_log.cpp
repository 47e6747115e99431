#include "config/run_log/run_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "common/text.h"
#include "common/winpath.h"

namespace app {
namespace {

void ReportWriteFailure(os::Os& os, const std::string& fileName, const std::string& why) {
  const std::string msg = common::Format("[VKM_DEBUG] Cannot write the run log \"%s\": %s",
                                         fileName.c_str(), why.c_str());
  os.OutputDebugStringA(msg);
  std::fprintf(stderr, "%s\n", msg.c_str());
}

}  // namespace

void RunLog::Append(std::string line) {
  lines_.push_back(std::move(line));
  if (file_) WriteToFile(lines_.back());
}

std::string RunLog::Serialize() const {
  std::string out;
  for (const std::string& l : lines_) {
    out += l;
    out += "\r\n";
  }
  return out;
}

bool RunLog::SaveToFile(const std::string& fileName, os::Os& os) const {
  const std::string native = common::ToNativePath(fileName);
  bool ok = !fileName.empty();
  if (ok) {
    std::ofstream out(native, std::ios::binary | std::ios::trunc);
    const std::string data = Serialize();
    ok = out && out.write(data.data(), static_cast<std::streamsize>(data.size())) && out.flush();
  }
  if (!ok) ReportWriteFailure(os, fileName, std::strerror(errno));
  return ok;
}

bool RunLog::WriteAsItGrows(const std::string& fileName, os::Os& os) {
  file_.reset();
  fileName_ = fileName;
  os_ = &os;
  std::string error = "no file name";
  if (!fileName.empty()) file_ = RunLogFile::Create(common::ToNativePath(fileName), error);
  if (!file_) {
    ReportWriteFailure(os, fileName, error);
    return false;
  }
  for (const std::string& l : lines_) {
    if (!WriteToFile(l)) return false;
  }
  return true;
}

bool RunLog::WriteToFile(const std::string& entry) {
  std::string error;
  if (file_->WriteEntry(entry, error)) return true;
  // Written whole at close instead, when it can be by then.
  file_.reset();
  ReportWriteFailure(*os_, fileName_, error);
  return false;
}

}  // namespace app
