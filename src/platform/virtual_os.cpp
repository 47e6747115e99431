#include "platform/virtual_os.h"

namespace os {

UINT VirtualOs::WinExec(const std::string& commandLine, UINT /*showCommand*/) {
  const std::string program = commandLine.substr(0, commandLine.find(' '));
  if (!FileExists(program)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return ERROR_FILE_NOT_FOUND;
  }
  started_.push_back(commandLine);
  return 33;
}

}  // namespace os
