// Device information sets and device nodes on Windows: SetupAPI and the
// configuration manager called as they are. The records are the SDK's
// (packed in 32-bit builds, as setupapi.h declares them); counts and types
// the SDK returns as unsigned long go through locals of its own type.
#include "platform/win32/win32_backend.h"
// Last: its macros would rewrite the os:: declarations above.
#include "platform/win32/win32_sdk.h"

namespace os {

using win32::AsSdk;

HDEVINFO Win32Os::SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator, DWORD flags) {
  const HDEVINFO set = ::SetupDiGetClassDevsA(AsSdk<::GUID>(classGuid), enumerator, nullptr, flags);
  if (set == INVALID_HANDLE_VALUE) {
    Failed();
    return INVALID_HANDLE_VALUE;
  }
  sets_.insert(HandleValue(set));
  return set;
}

bool Win32Os::SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  if (!OwnedSet(set)) return false;
  sets_.erase(HandleValue(set));
  if (::SetupDiDestroyDeviceInfoList(set) == FALSE) return Failed();
  return true;
}

bool Win32Os::SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data) {
  if (!OwnedSet(set)) return false;
  if (::SetupDiEnumDeviceInfo(set, index, AsSdk<::SP_DEVINFO_DATA>(data)) == FALSE) {
    return Failed();
  }
  return true;
}

bool Win32Os::SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* devInfo,
                                          const GUID* interfaceClass, DWORD index,
                                          SP_DEVICE_INTERFACE_DATA* data) {
  if (!OwnedSet(set)) return false;
  if (::SetupDiEnumDeviceInterfaces(set, AsSdk<::SP_DEVINFO_DATA>(devInfo),
                                    AsSdk<::GUID>(interfaceClass), index,
                                    AsSdk<::SP_DEVICE_INTERFACE_DATA>(data)) == FALSE) {
    return Failed();
  }
  return true;
}

bool Win32Os::SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                               SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                               DWORD detailSize, DWORD* requiredSize,
                                               SP_DEVINFO_DATA* devInfo) {
  if (requiredSize != nullptr) *requiredSize = 0;
  if (!OwnedSet(set)) return false;
  ::DWORD required = 0;
  const BOOL ok =
      ::SetupDiGetDeviceInterfaceDetailA(set, AsSdk<::SP_DEVICE_INTERFACE_DATA>(data),
                                         AsSdk<::SP_DEVICE_INTERFACE_DETAIL_DATA_A>(detail),
                                         detailSize, &required, AsSdk<::SP_DEVINFO_DATA>(devInfo));
  // The size needed comes with ERROR_INSUFFICIENT_BUFFER.
  if (requiredSize != nullptr) *requiredSize = static_cast<DWORD>(required);
  if (ok == FALSE) return Failed();
  return true;
}

bool Win32Os::SetupDiGetDeviceInstanceIdA(HDEVINFO set, SP_DEVINFO_DATA* devInfo, char* buffer,
                                          DWORD bufferSize, DWORD* requiredSize) {
  if (requiredSize != nullptr) *requiredSize = 0;
  if (!OwnedSet(set)) return false;
  ::DWORD required = 0;
  const BOOL ok = ::SetupDiGetDeviceInstanceIdA(set, AsSdk<::SP_DEVINFO_DATA>(devInfo), buffer,
                                                bufferSize, &required);
  if (requiredSize != nullptr) *requiredSize = static_cast<DWORD>(required);
  if (ok == FALSE) return Failed();
  return true;
}

bool Win32Os::SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, SP_DEVINFO_DATA* devInfo,
                                                DWORD property, DWORD* regDataType, BYTE* buffer,
                                                DWORD bufferSize, DWORD* requiredSize) {
  if (requiredSize != nullptr) *requiredSize = 0;
  if (!OwnedSet(set)) return false;
  ::DWORD type = 0;
  ::DWORD required = 0;
  const BOOL ok = ::SetupDiGetDeviceRegistryPropertyA(
      set, AsSdk<::SP_DEVINFO_DATA>(devInfo), property, &type, buffer, bufferSize, &required);
  if (regDataType != nullptr) *regDataType = static_cast<DWORD>(type);
  if (requiredSize != nullptr) *requiredSize = static_cast<DWORD>(required);
  if (ok == FALSE) return Failed();
  return true;
}

CONFIGRET Win32Os::CM_Get_Parent(DEVINST* parent, DEVINST devInst, ULONG flags) {
  if (parent == nullptr) return CR_INVALID_POINTER;
  ::DEVINST found = 0;
  const ::CONFIGRET result = ::CM_Get_Parent(&found, devInst, flags);
  *parent = static_cast<DEVINST>(found);
  return static_cast<CONFIGRET>(result);
}

CONFIGRET Win32Os::CM_Get_DevNode_Registry_PropertyA(DEVINST devInst, ULONG property,
                                                     ULONG* regDataType, void* buffer,
                                                     ULONG* length, ULONG flags) {
  if (length == nullptr) return CR_INVALID_POINTER;
  ::ULONG type = 0;
  ::ULONG size = *length;
  const ::CONFIGRET result =
      ::CM_Get_DevNode_Registry_PropertyA(devInst, property, &type, buffer, &size, flags);
  if (regDataType != nullptr) *regDataType = static_cast<ULONG>(type);
  // The size needed comes with CR_BUFFER_SMALL.
  *length = static_cast<ULONG>(size);
  return static_cast<CONFIGRET>(result);
}

}  // namespace os
