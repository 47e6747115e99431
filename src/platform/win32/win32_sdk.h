#pragma once
// The Windows SDK for the backend's own sources, and the conversions at the
// boundary. Included only by src/platform/win32/*.cpp, and after every os::
// header: windows.h defines macros (ERROR_*, IOCTL_*, CTL_CODE, GENERIC_READ,
// INVALID_HANDLE_VALUE, ...) that would rewrite our declarations of the same
// names. After it a source names those values through the SDK's macros (the
// layout test checks that they equal ours) and calls the API qualified
// (::DeviceIoControl), so that it is not taken for the os::Os member of the
// same name.
#ifndef _WIN32
#error "the Win32 backend is built for Windows only"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the headers below build on its types.
#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>

#include <type_traits>

#include "platform/os.h"

namespace os::win32 {

// Our handle is the SDK's pointer type, so a handle passes unchanged; the
// backend still hands Windows only the handles it opened itself.
static_assert(std::is_same_v<os::HANDLE, ::HANDLE>);
// The SDK's DWORD and ULONG are unsigned long, ours uint32_t: the same width
// but distinct types, so out-parameters go through a local of the SDK's type.
static_assert(sizeof(os::DWORD) == sizeof(::DWORD) && sizeof(os::ULONG) == sizeof(::ULONG));
static_assert(sizeof(os::DEVINST) == sizeof(::DEVINST) && sizeof(os::UINT) == sizeof(::UINT));

// A record of ours seen as the SDK's record of the same layout; the sizes are
// checked here, every field offset by tests/platform/win32_layout_test.cpp.
template <typename Sdk, typename Ours>
Sdk* AsSdk(Ours* record) {
  static_assert(sizeof(Sdk) == sizeof(Ours), "not the SDK's layout");
  return reinterpret_cast<Sdk*>(record);  // NOLINT: same layout, checked above
}
template <typename Sdk, typename Ours>
const Sdk* AsSdk(const Ours* record) {
  static_assert(sizeof(Sdk) == sizeof(Ours), "not the SDK's layout");
  return reinterpret_cast<const Sdk*>(record);  // NOLINT: same layout, checked above
}

}  // namespace os::win32
