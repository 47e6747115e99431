#include "config/run_log/run_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "common/text.h"
#include "common/winpath.h"

namespace app {

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
  if (!ok) {
    const std::string msg = common::Format("[VKM_DEBUG] Cannot write the run log \"%s\": %s",
                                           fileName.c_str(), std::strerror(errno));
    os.OutputDebugStringA(msg);
    std::fprintf(stderr, "%s\n", msg.c_str());
  }
  return ok;
}

}  // namespace app
