#pragma once
// Process token privileges: the records and values of privilege adjustment.
#include "platform/win_types.h"

namespace os {

inline constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
inline constexpr DWORD TOKEN_QUERY = 0x0008;
inline constexpr DWORD TOKEN_ALL_ACCESS = 0x000F01FF;

inline constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;
inline constexpr char SE_LOAD_DRIVER_NAME[] = "SeLoadDriverPrivilege";

struct LUID {
  DWORD LowPart;
  LONG HighPart;
};
static_assert(sizeof(LUID) == 8);

struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
};
static_assert(sizeof(LUID_AND_ATTRIBUTES) == 12);

struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[1];
};
static_assert(sizeof(TOKEN_PRIVILEGES) == 16);

}  // namespace os
