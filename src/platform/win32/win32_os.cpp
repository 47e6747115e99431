// The machine's own drives on Windows: each os::Os call handed to the Win32
// call of the same name, its result and GetLastError() passed back. Our
// request layouts and codes are the SDK's (tests/platform/
// win32_layout_test.cpp checks every field), so request buffers go through
// untouched. What this relies on, where Windows differs from what the
// callers assume:
// - A 32-bit program on 64-bit Windows (WOW64) sends the 32-bit layouts of
//   the requests that carry a pointer (SCSI_PASS_THROUGH_DIRECT,
//   ATA_PASS_THROUGH_DIRECT, ATA_PASS_THROUGH_EX's DataBufferOffset); the
//   storage port drivers recognise a 32-bit caller and thunk them. The NVMe
//   miniport request, the protocol command, the firmware, property, volume
//   and USB requests carry no pointer and are the same in both. SetupAPI's
//   32-bit DLL wants its records packed (setupapi.h packs them so).
// - Handles are pointers; a real handle never lies in the range of the
//   process handles (kProcessHandleBase: a process holds at most 2^24 handles
//   of 4 apart), and this backend keeps the set of handles it opened anyway:
//   a value it did not hand out never reaches Windows.
// - DeviceIoControl, ReadFile and WriteFile need a count to write to when no
//   OVERLAPPED is given, so one is always passed, and the count is passed
//   back on failure too: ERROR_MORE_DATA comes with data.
// - The version is whatever GetVersionExA tells this program: the real one
//   when its manifest declares the Windows it runs on, 6.2 otherwise (what
//   os::Os documents as the default). The callers only tell NT 5 from 6+.
// - Windows itself refuses raw writes into a mounted volume's sectors
//   (ERROR_ACCESS_DENIED), which the Linux backend has to check by hand.
// - Calls come from one thread, as everywhere behind os::Os: the last error
//   is this object's, copied from the thread's right after each call.
// - 64-bit Windows keeps DISKPART only in its native system32, which a 32-bit
//   program reaches as "Sysnative" (NativeCommandLine).
#include "platform/win32/win32_os.h"

#include <memory>

#include "platform/win32/win32_backend.h"
// Last: its macros would rewrite the os:: declarations above.
#include "platform/win32/win32_sdk.h"

namespace os {

using win32::AsSdk;

std::unique_ptr<Os> MakeWin32Os(std::string& error) {
  error.clear();
  return std::make_unique<Win32Os>();
}

Win32Os::~Win32Os() {
  for (uintptr_t h : handles_) ::CloseHandle(HandleFromValue(h));
  for (uintptr_t s : sets_) ::SetupDiDestroyDeviceInfoList(HandleFromValue(s));
}

bool Win32Os::Failed() {
  SetLastError(static_cast<DWORD>(::GetLastError()));
  return false;
}

bool Win32Os::Owned(HANDLE handle) {
  if (handles_.count(HandleValue(handle)) > 0) return true;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

bool Win32Os::OwnedSet(HDEVINFO set) {
  if (sets_.count(HandleValue(set)) > 0) return true;
  SetLastError(ERROR_INVALID_HANDLE);
  return false;
}

// --- System facts ------------------------------------------------------------

bool Win32Os::GetVersionExA(OSVERSIONINFOA* info) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (::GetVersionExA(AsSdk<::OSVERSIONINFOA>(info)) == FALSE) return Failed();
  return true;
}

DWORD Win32Os::GetLogicalDrives() {
  const ::DWORD mask = ::GetLogicalDrives();
  if (mask == 0) Failed();
  return static_cast<DWORD>(mask);
}

UINT Win32Os::GetSystemDirectoryA(char* buffer, UINT size) {
  const ::UINT length = ::GetSystemDirectoryA(buffer, size);
  if (length == 0) Failed();
  return static_cast<UINT>(length);
}

// --- Programs ----------------------------------------------------------------

std::string Win32Os::NativeCommandLine(const std::string& commandLine) {
  constexpr char kTool[] = "DISKPART";
  constexpr size_t kToolLength = sizeof kTool - 1;
  if (commandLine.size() < kToolLength ||
      ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, commandLine.data(),
                       static_cast<int>(kToolLength), kTool,
                       static_cast<int>(kToolLength)) != CSTR_EQUAL ||
      (commandLine.size() > kToolLength && commandLine[kToolLength] != ' ')) {
    return commandLine;
  }
  char folder[MAX_PATH] = {};
  BOOL wow64 = FALSE;
  std::string path;
  if (::IsWow64Process(::GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE) {
    const ::UINT n = ::GetWindowsDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return commandLine;
    path = std::string(folder, n) + "\\Sysnative";
  } else {
    const ::UINT n = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return commandLine;
    path = std::string(folder, n);
  }
  return path + "\\diskpart.exe" + commandLine.substr(kToolLength);
}

UINT Win32Os::WinExec(const std::string& commandLine, UINT showCommand) {
  const std::string native = NativeCommandLine(commandLine);
  if (native == commandLine) return HostOs::WinExec(commandLine, showCommand);
  const ::UINT started = ::WinExec(native.c_str(), showCommand);
  if (started <= 31) Failed();
  return static_cast<UINT>(started);
}

bool Win32Os::CreateProcessA(const std::string& commandLine, UINT showCommand,
                             PROCESS_INFORMATION* info) {
  return HostOs::CreateProcessA(NativeCommandLine(commandLine), showCommand, info);
}

// --- Handles and transfers ---------------------------------------------------

HANDLE Win32Os::CreateFileA(const std::string& fileName, DWORD desiredAccess, DWORD shareMode,
                            SECURITY_ATTRIBUTES* securityAttributes, DWORD creationDisposition,
                            DWORD flagsAndAttributes, HANDLE templateFile) {
  if (templateFile != nullptr && !Owned(templateFile)) return INVALID_HANDLE_VALUE;
  const ::HANDLE h = ::CreateFileA(fileName.c_str(), desiredAccess, shareMode,
                                   AsSdk<::SECURITY_ATTRIBUTES>(securityAttributes),
                                   creationDisposition, flagsAndAttributes, templateFile);
  if (h == INVALID_HANDLE_VALUE) {
    Failed();
    return INVALID_HANDLE_VALUE;
  }
  handles_.insert(HandleValue(h));
  return h;
}

bool Win32Os::CloseHandle(HANDLE handle) {
  if (handles_.erase(HandleValue(handle)) == 0) return HostOs::CloseHandle(handle);
  if (::CloseHandle(handle) == FALSE) return Failed();
  return true;
}

bool Win32Os::DeviceIoControl(HANDLE device, DWORD ioControlCode, void* inBuffer,
                              DWORD inBufferSize, void* outBuffer, DWORD outBufferSize,
                              DWORD* bytesReturned) {
  if (bytesReturned != nullptr) *bytesReturned = 0;
  if (!Owned(device)) return false;
  ::DWORD returned = 0;
  const BOOL ok = ::DeviceIoControl(device, ioControlCode, inBuffer, inBufferSize, outBuffer,
                                    outBufferSize, &returned, nullptr);
  if (bytesReturned != nullptr) *bytesReturned = static_cast<DWORD>(returned);
  if (ok == FALSE) return Failed();
  return true;
}

bool Win32Os::ReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  if (!Owned(file)) return false;
  ::DWORD done = 0;
  const BOOL ok = ::ReadFile(file, buffer, bytesToRead, &done, nullptr);
  if (bytesRead != nullptr) *bytesRead = static_cast<DWORD>(done);
  if (ok == FALSE) return Failed();
  return true;
}

bool Win32Os::WriteFile(HANDLE file, const void* buffer, DWORD bytesToWrite, DWORD* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  if (!Owned(file)) return false;
  ::DWORD done = 0;
  const BOOL ok = ::WriteFile(file, buffer, bytesToWrite, &done, nullptr);
  if (bytesWritten != nullptr) *bytesWritten = static_cast<DWORD>(done);
  if (ok == FALSE) return Failed();
  return true;
}

// SetFilePointerEx, whose 64-bit position has no ambiguous return value: the
// distance is the high and low halves when the caller gives the high one,
// otherwise the signed low half, as SetFilePointer reads them.
DWORD Win32Os::SetFilePointer(HANDLE file, LONG distanceLow, LONG* distanceHigh, DWORD moveMethod) {
  if (!Owned(file)) return INVALID_SET_FILE_POINTER;
  LARGE_INTEGER distance{};
  if (distanceHigh != nullptr) {
    distance.QuadPart =
        static_cast<LONGLONG>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                              static_cast<uint32_t>(distanceLow));
  } else {
    distance.QuadPart = distanceLow;
  }
  LARGE_INTEGER position{};
  if (::SetFilePointerEx(file, distance, &position, moveMethod) == FALSE) {
    Failed();
    return INVALID_SET_FILE_POINTER;
  }
  const auto now = static_cast<uint64_t>(position.QuadPart);
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(static_cast<uint32_t>(now >> 32));
  // A position whose low half is all ones is told from a failure this way.
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(now & 0xFFFFFFFFu);
}

// --- Privileges --------------------------------------------------------------

bool Win32Os::OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) {
  if (token != nullptr) *token = INVALID_HANDLE_VALUE;
  // Only the running process's own pseudo handle: the tool asks for nothing
  // else, and HostOs's process handles are not Windows's.
  if (token == nullptr || process != ::GetCurrentProcess()) {
    SetLastError(token == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return false;
  }
  ::HANDLE h = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), desiredAccess, &h) == FALSE) return Failed();
  handles_.insert(HandleValue(h));
  *token = h;
  return true;
}

bool Win32Os::LookupPrivilegeValueA(const char* systemName, const char* name, LUID* luid) {
  if (::LookupPrivilegeValueA(systemName, name, AsSdk<::LUID>(luid)) == FALSE) return Failed();
  return true;
}

bool Win32Os::AdjustTokenPrivileges(HANDLE token, bool disableAllPrivileges,
                                    TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                                    TOKEN_PRIVILEGES* previousState, DWORD* returnLength) {
  if (returnLength != nullptr) *returnLength = 0;
  if (!Owned(token)) return false;
  ::DWORD length = 0;
  const BOOL ok = ::AdjustTokenPrivileges(
      token, disableAllPrivileges ? TRUE : FALSE, AsSdk<::TOKEN_PRIVILEGES>(newState), bufferLength,
      AsSdk<::TOKEN_PRIVILEGES>(previousState), returnLength != nullptr ? &length : nullptr);
  if (returnLength != nullptr) *returnLength = static_cast<DWORD>(length);
  // Success too sets the error: ERROR_NOT_ALL_ASSIGNED when some privilege
  // was not held, which is how the caller learns of it.
  SetLastError(static_cast<DWORD>(::GetLastError()));
  return ok != FALSE;
}

}  // namespace os
