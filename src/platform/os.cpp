#include "platform/os.h"

#include <cstring>

namespace os {

bool Os::GetVersionExA(OSVERSIONINFOA* info) {
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 2;
  info->dwBuildNumber = 9200;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
  return true;
}

UINT Os::GetSystemDirectoryA(char* buffer, UINT size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  SetLastError(ERROR_NOT_SUPPORTED);
  return 0;
}

std::string Os::VolumeUseText(char letter, int /*diskNumber*/) {
  return std::string("volume ") + letter + ": cannot be locked";
}

HANDLE Os::CreateFileA(const std::string& /*fileName*/, DWORD /*desiredAccess*/,
                       DWORD /*shareMode*/, SECURITY_ATTRIBUTES* /*securityAttributes*/,
                       DWORD /*creationDisposition*/, DWORD /*flagsAndAttributes*/,
                       HANDLE /*templateFile*/) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

bool Os::CreateProcessA(const std::string& /*commandLine*/, UINT /*showCommand*/,
                        PROCESS_INFORMATION* /*info*/) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return false;
}

DWORD Os::WaitForSingleObject(HANDLE /*handle*/, DWORD /*milliseconds*/) {
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

bool Os::GetExitCodeProcess(HANDLE /*process*/, DWORD* /*exitCode*/) {
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool Os::CloseHandle(HANDLE /*handle*/) {
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool Os::DeviceIoControl(HANDLE /*device*/, DWORD /*ioControlCode*/, void* /*inBuffer*/,
                         DWORD /*inBufferSize*/, void* /*outBuffer*/, DWORD /*outBufferSize*/,
                         DWORD* bytesReturned) {
  if (bytesReturned != nullptr) *bytesReturned = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool Os::ReadFile(HANDLE /*file*/, void* /*buffer*/, DWORD /*bytesToRead*/, DWORD* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool Os::WriteFile(HANDLE /*file*/, const void* /*buffer*/, DWORD /*bytesToWrite*/,
                   DWORD* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

DWORD Os::SetFilePointer(HANDLE /*file*/, LONG /*distanceLow*/, LONG* /*distanceHigh*/,
                         DWORD /*moveMethod*/) {
  SetLastError(ERROR_INVALID_HANDLE);
  return INVALID_SET_FILE_POINTER;
}

bool Os::OpenProcessToken(HANDLE /*process*/, DWORD /*desiredAccess*/, HANDLE* token) {
  if (token != nullptr) *token = INVALID_HANDLE_VALUE;
  SetLastError(ERROR_ACCESS_DENIED);
  return false;
}

bool Os::LookupPrivilegeValueA(const char* /*systemName*/, const char* /*name*/, LUID* /*luid*/) {
  SetLastError(ERROR_NO_SUCH_PRIVILEGE);
  return false;
}

bool Os::AdjustTokenPrivileges(HANDLE /*token*/, bool /*disableAllPrivileges*/,
                               TOKEN_PRIVILEGES* /*newState*/, DWORD /*bufferLength*/,
                               TOKEN_PRIVILEGES* /*previousState*/, DWORD* /*returnLength*/) {
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

HDEVINFO Os::SetupDiGetClassDevsA(const GUID* /*classGuid*/, const char* /*enumerator*/,
                                  DWORD /*flags*/) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return INVALID_HANDLE_VALUE;
}

bool Os::SetupDiDestroyDeviceInfoList(HDEVINFO /*set*/) {
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool Os::SetupDiEnumDeviceInfo(HDEVINFO /*set*/, DWORD /*index*/, SP_DEVINFO_DATA* /*data*/) {
  SetLastError(ERROR_NO_MORE_ITEMS);
  return false;
}

bool Os::SetupDiEnumDeviceInterfaces(HDEVINFO /*set*/, SP_DEVINFO_DATA* /*devInfo*/,
                                     const GUID* /*interfaceClass*/, DWORD /*index*/,
                                     SP_DEVICE_INTERFACE_DATA* /*data*/) {
  SetLastError(ERROR_NO_MORE_ITEMS);
  return false;
}

bool Os::SetupDiGetDeviceInterfaceDetailA(HDEVINFO /*set*/, SP_DEVICE_INTERFACE_DATA* /*data*/,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_A* /*detail*/,
                                          DWORD /*detailSize*/, DWORD* requiredSize,
                                          SP_DEVINFO_DATA* /*devInfo*/) {
  if (requiredSize != nullptr) *requiredSize = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool Os::SetupDiGetDeviceInstanceIdA(HDEVINFO /*set*/, SP_DEVINFO_DATA* /*devInfo*/, char* buffer,
                                     DWORD bufferSize, DWORD* requiredSize) {
  if (buffer != nullptr && bufferSize > 0) buffer[0] = '\0';
  if (requiredSize != nullptr) *requiredSize = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool Os::SetupDiGetDeviceRegistryPropertyA(HDEVINFO /*set*/, SP_DEVINFO_DATA* /*devInfo*/,
                                           DWORD /*property*/, DWORD* /*regDataType*/,
                                           BYTE* /*buffer*/, DWORD /*bufferSize*/,
                                           DWORD* requiredSize) {
  if (requiredSize != nullptr) *requiredSize = 0;
  SetLastError(ERROR_INVALID_DATA);
  return false;
}

CONFIGRET Os::CM_Get_Parent(DEVINST* parent, DEVINST /*devInst*/, ULONG /*flags*/) {
  if (parent != nullptr) *parent = 0;
  return CR_NO_SUCH_DEVNODE;
}

CONFIGRET Os::CM_Get_DevNode_Registry_PropertyA(DEVINST /*devInst*/, ULONG /*property*/,
                                                ULONG* /*regDataType*/, void* /*buffer*/,
                                                ULONG* length, ULONG /*flags*/) {
  if (length != nullptr) *length = 0;
  return CR_NO_SUCH_VALUE;
}

}  // namespace os
