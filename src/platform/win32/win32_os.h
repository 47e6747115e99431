#pragma once
// The machine's own drives on Windows: every os::Os call handed to the real
// Win32 API. Declared without windows.h, whose macros collide with our names;
// only the backend's own sources include it.
#include <memory>
#include <string>

#include "platform/os.h"

namespace os {

// The backend for the machine's own drives; nullptr with `error` set when it
// cannot start.
std::unique_ptr<Os> MakeWin32Os(std::string& error);

}  // namespace os
