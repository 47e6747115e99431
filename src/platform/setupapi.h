#pragma once
// Device information sets (SetupAPI) and device nodes (configuration
// manager): the values and records the disk walk uses. SetupAPI packs its
// records tightly in 32-bit builds and naturally in 64-bit ones.
#include <cstddef>

#include "platform/win_types.h"

namespace os {

using HDEVINFO = HANDLE;
using DEVINST = DWORD;
using CONFIGRET = DWORD;

// {53F56307-B6BF-11D0-94F2-00A0C91EFB8B}
inline constexpr GUID GUID_DEVINTERFACE_DISK = {
    0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

inline constexpr DWORD DIGCF_DEFAULT = 0x00000001;
inline constexpr DWORD DIGCF_PRESENT = 0x00000002;
inline constexpr DWORD DIGCF_ALLCLASSES = 0x00000004;
inline constexpr DWORD DIGCF_PROFILE = 0x00000008;
inline constexpr DWORD DIGCF_DEVICEINTERFACE = 0x00000010;

// SetupDiGetDeviceRegistryPropertyA properties.
inline constexpr DWORD SPDRP_DEVICEDESC = 0x00;
inline constexpr DWORD SPDRP_HARDWAREID = 0x01;
inline constexpr DWORD SPDRP_LOCATION_INFORMATION = 0x0D;
inline constexpr DWORD SPDRP_ADDRESS = 0x1C;

// CM_Get_DevNode_Registry_PropertyA properties (SPDRP + 1).
inline constexpr DWORD CM_DRP_DEVICEDESC = 0x01;
inline constexpr DWORD CM_DRP_HARDWAREID = 0x02;
inline constexpr DWORD CM_DRP_LOCATION_INFORMATION = 0x0E;
inline constexpr DWORD CM_DRP_ADDRESS = 0x1D;

// Registry value types.
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

// CONFIGRET values.
inline constexpr CONFIGRET CR_SUCCESS = 0x00;
inline constexpr CONFIGRET CR_INVALID_POINTER = 0x03;
inline constexpr CONFIGRET CR_INVALID_DEVNODE = 0x05;
inline constexpr CONFIGRET CR_NO_SUCH_DEVNODE = 0x0D;
inline constexpr CONFIGRET CR_FAILURE = 0x13;
inline constexpr CONFIGRET CR_BUFFER_SMALL = 0x1A;
inline constexpr CONFIGRET CR_NO_SUCH_VALUE = 0x25;

#if UINTPTR_MAX == 0xFFFFFFFFu
#pragma pack(push, 1)
#else
#pragma pack(push, 8)
#endif

struct SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DEVINST DevInst;
  ULONG_PTR Reserved;
};

struct SP_DEVICE_INTERFACE_DATA {
  DWORD cbSize;
  GUID InterfaceClassGuid;
  DWORD Flags;
  ULONG_PTR Reserved;
};

struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
  DWORD cbSize;
  char DevicePath[1];
};

#pragma pack(pop)

static_assert(offsetof(SP_DEVINFO_DATA, DevInst) == 20);
static_assert(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) == 4);

}  // namespace os
