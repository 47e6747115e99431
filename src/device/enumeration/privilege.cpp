#include "device/enumeration/privilege.h"

namespace device {

bool EnablePrivilege(os::Os& os, const char* name) {
  os::HANDLE token = os::INVALID_HANDLE_VALUE;
  if (!os.OpenProcessToken(os.GetCurrentProcess(), os::TOKEN_ALL_ACCESS, &token)) return false;
  bool ok = false;
  os::TOKEN_PRIVILEGES privileges{};
  if (os.LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid)) {
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = os::SE_PRIVILEGE_ENABLED;
    // A partial success reports ERROR_NOT_ALL_ASSIGNED through the error code.
    ok = os.AdjustTokenPrivileges(token, false, &privileges, sizeof privileges, nullptr, nullptr) &&
         os.GetLastError() == os::ERROR_SUCCESS;
  }
  os.CloseHandle(token);
  return ok;
}

}  // namespace device
