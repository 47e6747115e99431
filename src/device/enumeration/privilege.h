#pragma once
// Enables one privilege in the process token.
#include "platform/os.h"

namespace device {

// True when the privilege was enabled (GetLastError is 0 afterwards).
bool EnablePrivilege(os::Os& os, const char* name);

}  // namespace device
