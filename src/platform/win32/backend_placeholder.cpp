// TEMPORARY: stands in for the Win32 backend until it is built, so that the
// Windows programs link. The machine's own drives are refused; --lab works.
// Deleted when the backend's own sources arrive.
#include "platform/win32/win32_os.h"

namespace os {

std::unique_ptr<Os> MakeWin32Os(std::string& error) {
  error = "the Windows backend is not built";
  return nullptr;
}

}  // namespace os
