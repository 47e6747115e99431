#pragma once
// The operating-system boundary. Everything the product asks of Windows goes
// through one object of this interface, created at start and passed down, so
// that the real machine, a lab of emulated drives or a test double can stand
// behind it. Calls report like Windows: a result plus GetLastError().
//
// The storage calls have failing defaults (an invalid handle or false with a
// Windows error code), so a backend implements only what it can answer.
#include <cstdint>
#include <string>

#include "common/trace.h"
#include "platform/process.h"
#include "platform/security.h"
#include "platform/setupapi.h"
#include "platform/win_file.h"
#include "platform/win_types.h"

namespace os {

class Os {
 public:
  virtual ~Os() = default;

  // Clock and delays. All waiting goes through Sleep so that a lab can run on
  // virtual time.
  virtual SYSTEMTIME GetLocalTime() = 0;
  virtual uint64_t GetTickCount64() = 0;
  virtual void Sleep(DWORD milliseconds) = 0;

  // Debugger output: one trace line per call.
  virtual void OutputDebugStringA(const std::string& text) { trace_.Write(text); }
  common::TraceSink& Trace() { return trace_; }

  // Starts a program; like WinExec, a value above 31 means it was started.
  virtual UINT WinExec(const std::string& commandLine, UINT showCommand) = 0;
  // Starts a program and hands out its process handle (closed with
  // CloseHandle), for callers that must know when it has ended. Default: not
  // supported.
  virtual bool CreateProcessA(const std::string& commandLine, UINT showCommand,
                              PROCESS_INFORMATION* info);
  // Waits at most `milliseconds` (INFINITE: no bound) for a process to end:
  // WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED with the error set.
  virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
  // STILL_ACTIVE while the process runs.
  virtual bool GetExitCodeProcess(HANDLE process, DWORD* exitCode);

  // Regular files, named with product (backslash) paths.
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DeleteFileA(const std::string& path) = 0;

  DWORD GetLastError() const { return lastError_; }
  void SetLastError(DWORD code) { lastError_ = code; }

  // --- System facts -------------------------------------------------------

  // Fills the record whose size field the caller set (148). Default: an NT 6.2
  // system, what Windows reports to programs that do not declare newer ones.
  virtual bool GetVersionExA(OSVERSIONINFOA* info);
  // Bit n set: drive letter 'A' + n exists. Default: none.
  virtual DWORD GetLogicalDrives() { return 0; }
  // Copies the system folder ("C:\Windows\system32") into the buffer and
  // returns its length, or the size needed when the buffer is too small, or 0.
  virtual UINT GetSystemDirectoryA(char* buffer, UINT size);
  // What keeps volume `letter` (upper case) in use on disk `diskNumber`, in
  // words a user can act on; asked about a volume that cannot be locked.
  // Default: "volume D: cannot be locked".
  virtual std::string VolumeUseText(char letter, int diskNumber);

  // --- Handles, device requests and raw transfers --------------------------

  // Opens a device ("\\.\PHYSICALDRIVE0", "\\.\C:", "\\.\Scsi1:", "\\.\HCD0",
  // an interface or hub path). Returns INVALID_HANDLE_VALUE on failure.
  virtual HANDLE CreateFileA(const std::string& fileName, DWORD desiredAccess, DWORD shareMode,
                             SECURITY_ATTRIBUTES* securityAttributes, DWORD creationDisposition,
                             DWORD flagsAndAttributes, HANDLE templateFile);
  virtual bool CloseHandle(HANDLE handle);
  // One synchronous device control request. The request layouts and codes are
  // in the platform headers (scsi_pass_through.h, ata_pass_through.h, ...).
  virtual bool DeviceIoControl(HANDLE device, DWORD ioControlCode, void* inBuffer,
                               DWORD inBufferSize, void* outBuffer, DWORD outBufferSize,
                               DWORD* bytesReturned);
  // Raw transfers at the handle's file pointer (disk handles move whole sectors).
  virtual bool ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead);
  virtual bool WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten);
  // Moves the file pointer; distanceHigh (optional) carries the upper 32 bits
  // in and out. Returns the low 32 bits of the new position or
  // INVALID_SET_FILE_POINTER with the error set.
  virtual DWORD SetFilePointer(HANDLE file, LONG distanceLow, LONG* distanceHigh, DWORD moveMethod);

  // --- Privileges ------------------------------------------------------------

  // The pseudo handle of the running process (its value is that of
  // INVALID_HANDLE_VALUE, as on Windows).
  virtual HANDLE GetCurrentProcess() { return INVALID_HANDLE_VALUE; }
  virtual bool OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token);
  virtual bool LookupPrivilegeValueA(const char* systemName, const char* name, LUID* luid);
  // Sets the error to ERROR_NOT_ALL_ASSIGNED when it succeeded only in part.
  virtual bool AdjustTokenPrivileges(HANDLE token, bool disableAllPrivileges,
                                     TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                                     TOKEN_PRIVILEGES* previousState, DWORD* returnLength);

  // --- Device information sets (SetupAPI) ----------------------------------

  virtual HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator, DWORD flags);
  virtual bool SetupDiDestroyDeviceInfoList(HDEVINFO set);
  // Member `index` of the set; false with ERROR_NO_MORE_ITEMS past the end.
  virtual bool SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data);
  virtual bool SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA* devInfo,
                                           const GUID* interfaceClass, DWORD index,
                                           SP_DEVICE_INTERFACE_DATA* data);
  // With a null or too small detail record: false, ERROR_INSUFFICIENT_BUFFER
  // and the size needed in *requiredSize. The record's cbSize must be
  // sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) (the fixed part only).
  virtual bool SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                                SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                                DWORD detailSize, DWORD* requiredSize,
                                                SP_DEVINFO_DATA* devInfo);
  virtual bool SetupDiGetDeviceInstanceIdA(HDEVINFO set, SP_DEVINFO_DATA* devInfo, char* buffer,
                                           DWORD bufferSize, DWORD* requiredSize);
  virtual bool SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, SP_DEVINFO_DATA* devInfo,
                                                 DWORD property, DWORD* regDataType, BYTE* buffer,
                                                 DWORD bufferSize, DWORD* requiredSize);

  // --- Device nodes (configuration manager) ---------------------------------

  virtual CONFIGRET CM_Get_Parent(DEVINST* parent, DEVINST devInst, ULONG flags);
  // *length is the buffer size in and the data size out.
  virtual CONFIGRET CM_Get_DevNode_Registry_PropertyA(DEVINST devInst, ULONG property,
                                                      ULONG* regDataType, void* buffer,
                                                      ULONG* length, ULONG flags);

 private:
  common::TraceSink trace_;
  DWORD lastError_ = ERROR_SUCCESS;
};

}  // namespace os
