#pragma once
// How Windows composes a device control code from device type, function,
// transfer method and access; every request header derives its codes here.
#include "platform/win_types.h"

namespace os {

inline constexpr DWORD METHOD_BUFFERED = 0;
inline constexpr DWORD FILE_ANY_ACCESS = 0;
inline constexpr DWORD FILE_READ_ACCESS = 1;
inline constexpr DWORD FILE_WRITE_ACCESS = 2;

inline constexpr DWORD FILE_DEVICE_CONTROLLER = 0x04;
inline constexpr DWORD FILE_DEVICE_FILE_SYSTEM = 0x09;
inline constexpr DWORD FILE_DEVICE_UNKNOWN = 0x22;
inline constexpr DWORD FILE_DEVICE_MASS_STORAGE = 0x2D;
inline constexpr DWORD IOCTL_VOLUME_BASE = 0x56;  // 'V'

constexpr DWORD CTL_CODE(DWORD deviceType, DWORD function, DWORD method, DWORD access) {
  return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

}  // namespace os
