#pragma once
// The class behind MakeWin32Os, declared without windows.h so that its tests
// and the backend's sources share one declaration. Only the drive-facing and
// system calls are its own; the clock, processes and files are HostOs's.
#include <cstdint>
#include <set>
#include <string>

#include "platform/host_os.h"

namespace os {

class Win32Os : public HostOs {
 public:
  Win32Os() = default;
  Win32Os(const Win32Os&) = delete;
  Win32Os& operator=(const Win32Os&) = delete;
  // Closes whatever the caller left open: device and token handles,
  // device information sets.
  ~Win32Os() override;

  bool GetVersionExA(OSVERSIONINFOA* info) override;
  DWORD GetLogicalDrives() override;
  UINT GetSystemDirectoryA(char* buffer, UINT size) override;

  // "DISKPART ..." starts the partitioning tool of the running Windows (see
  // NativeCommandLine); anything else is started as HostOs starts it.
  UINT WinExec(const std::string& commandLine, UINT showCommand) override;
  bool CreateProcessA(const std::string& commandLine, UINT showCommand,
                      PROCESS_INFORMATION* info) override;

  HANDLE CreateFileA(const std::string& fileName, DWORD desiredAccess, DWORD shareMode,
                     SECURITY_ATTRIBUTES* securityAttributes, DWORD creationDisposition,
                     DWORD flagsAndAttributes, HANDLE templateFile) override;
  // Device and token handles this backend opened; any other goes to HostOs
  // (process handles).
  bool CloseHandle(HANDLE handle) override;
  bool DeviceIoControl(HANDLE device, DWORD ioControlCode, void* inBuffer, DWORD inBufferSize,
                       void* outBuffer, DWORD outBufferSize, DWORD* bytesReturned) override;
  bool ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead) override;
  bool WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten) override;
  DWORD SetFilePointer(HANDLE file, LONG distanceLow, LONG* distanceHigh,
                       DWORD moveMethod) override;

  bool OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) override;
  bool LookupPrivilegeValueA(const char* systemName, const char* name, LUID* luid) override;
  bool AdjustTokenPrivileges(HANDLE token, bool disableAllPrivileges, TOKEN_PRIVILEGES* newState,
                             DWORD bufferLength, TOKEN_PRIVILEGES* previousState,
                             DWORD* returnLength) override;

  HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                DWORD flags) override;
  bool SetupDiDestroyDeviceInfoList(HDEVINFO set) override;
  bool SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data) override;
  bool SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* devInfo,
                                   const GUID* interfaceClass, DWORD index,
                                   SP_DEVICE_INTERFACE_DATA* data) override;
  bool SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                        SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                        DWORD* requiredSize, SP_DEVINFO_DATA* devInfo) override;
  bool SetupDiGetDeviceInstanceIdA(HDEVINFO set, SP_DEVINFO_DATA* devInfo, char* buffer,
                                   DWORD bufferSize, DWORD* requiredSize) override;
  bool SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, SP_DEVINFO_DATA* devInfo, DWORD property,
                                         DWORD* regDataType, BYTE* buffer, DWORD bufferSize,
                                         DWORD* requiredSize) override;
  CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST devInst, ULONG flags) override;
  CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST devInst, ULONG property, ULONG* regDataType,
                                              void* buffer, ULONG* length, ULONG flags) override;

  // The command line that starts `commandLine` on this Windows: a bare
  // "DISKPART" becomes the partitioning tool in the native system folder
  // (a 32-bit program on 64-bit Windows is redirected from system32 to
  // SysWOW64, which has none, so it goes through "Sysnative"); any other
  // command line is returned as it is.
  std::string NativeCommandLine(const std::string& commandLine);

 private:
  // True for a device or token handle this backend handed out; otherwise the
  // error is set to ERROR_INVALID_HANDLE. A value the caller made up never
  // reaches Windows, where it could name some other object of the process.
  bool Owned(HANDLE handle);
  bool OwnedSet(HDEVINFO set);
  // Copies the thread's Windows error into this object's and returns false.
  bool Failed();

  std::set<uintptr_t> handles_;  // files, devices, tokens
  std::set<uintptr_t> sets_;     // device information sets
};

}  // namespace os
