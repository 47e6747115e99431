#pragma once
// An os::Os that answers from a recording instead of a machine. Calls on a
// handle are matched in order against that handle's recorded calls, the others
// in the recording's global order; the first request that differs from the
// recorded one (a destructive one included: it is answered only when it
// matches exactly, bytes or digest) stops the run with a report of what the
// tool asked, what was recorded and where. Time is the recording's: the clock
// answers the recorded readings and Sleep waits for nothing.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>

#include "platform/os.h"
#include "record/ask_match.h"
#include "record/recording_reader.h"

namespace record {

// Told the report when the run leaves the recording. The default prints it on
// stderr and ends the process with kExitReplayDiverged; a handler that
// returns ends it all the same.
using DivergenceHandler = std::function<void(const std::string& report)>;

class ReplayOs : public os::Os {
 public:
  ReplayOs(Recording recording, std::string file, DivergenceHandler onDivergence = {});

  // The tool folder of this run, put in place of the recorded one when paths
  // are compared.
  void SetReplayHome(const std::string& home) { paths_.replayHome = home; }
  const Recording& Source() const { return recording_; }
  size_t Answered() const { return answered_; }
  // The first recorded call the run never asked, as a report; nullopt when
  // every call was replayed.
  std::optional<std::string> Unasked() const;

  os::SYSTEMTIME GetLocalTime() override;
  uint64_t GetTickCount64() override;
  void Sleep(os::DWORD milliseconds) override;
  os::UINT WinExec(const std::string& commandLine, os::UINT showCommand) override;
  bool CreateProcessA(const std::string& commandLine, os::UINT showCommand,
                      os::PROCESS_INFORMATION* info) override;
  os::DWORD WaitForSingleObject(os::HANDLE handle, os::DWORD milliseconds) override;
  bool GetExitCodeProcess(os::HANDLE process, os::DWORD* exitCode) override;
  bool FileExists(const std::string& path) override;
  bool DeleteFileA(const std::string& path) override;
  bool GetVersionExA(os::OSVERSIONINFOA* info) override;
  os::DWORD GetLogicalDrives() override;
  os::UINT GetSystemDirectoryA(char* buffer, os::UINT size) override;
  std::string VolumeUseText(char letter, int diskNumber) override;

  os::HANDLE CreateFileA(const std::string& fileName, os::DWORD desiredAccess, os::DWORD shareMode,
                         os::SECURITY_ATTRIBUTES* securityAttributes,
                         os::DWORD creationDisposition, os::DWORD flagsAndAttributes,
                         os::HANDLE templateFile) override;
  bool CloseHandle(os::HANDLE handle) override;
  bool DeviceIoControl(os::HANDLE device, os::DWORD ioControlCode, void* inBuffer,
                       os::DWORD inBufferSize, void* outBuffer, os::DWORD outBufferSize,
                       os::DWORD* bytesReturned) override;
  bool ReadFile(os::HANDLE file, void* buffer, os::DWORD bytesToRead,
                os::DWORD* bytesRead) override;
  bool WriteFile(os::HANDLE file, const void* buffer, os::DWORD bytesToWrite,
                 os::DWORD* bytesWritten) override;
  os::DWORD SetFilePointer(os::HANDLE file, os::LONG distanceLow, os::LONG* distanceHigh,
                           os::DWORD moveMethod) override;

  os::HANDLE GetCurrentProcess() override;
  bool OpenProcessToken(os::HANDLE process, os::DWORD desiredAccess, os::HANDLE* token) override;
  bool LookupPrivilegeValueA(const char* systemName, const char* name, os::LUID* luid) override;
  bool AdjustTokenPrivileges(os::HANDLE token, bool disableAllPrivileges,
                             os::TOKEN_PRIVILEGES* newState, os::DWORD bufferLength,
                             os::TOKEN_PRIVILEGES* previousState,
                             os::DWORD* returnLength) override;

  os::HDEVINFO SetupDiGetClassDevsA(const os::GUID* classGuid, const char* enumerator,
                                    os::DWORD flags) override;
  bool SetupDiDestroyDeviceInfoList(os::HDEVINFO set) override;
  bool SetupDiEnumDeviceInfo(os::HDEVINFO set, os::DWORD index,
                             os::SP_DEVINFO_DATA* data) override;
  bool SetupDiEnumDeviceInterfaces(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                   const os::GUID* interfaceClass, os::DWORD index,
                                   os::SP_DEVICE_INTERFACE_DATA* data) override;
  bool SetupDiGetDeviceInterfaceDetailA(os::HDEVINFO set, os::SP_DEVICE_INTERFACE_DATA* data,
                                        os::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                        os::DWORD detailSize, os::DWORD* requiredSize,
                                        os::SP_DEVINFO_DATA* devInfo) override;
  bool SetupDiGetDeviceInstanceIdA(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo, char* buffer,
                                   os::DWORD bufferSize, os::DWORD* requiredSize) override;
  bool SetupDiGetDeviceRegistryPropertyA(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                         os::DWORD property, os::DWORD* regDataType,
                                         os::BYTE* buffer, os::DWORD bufferSize,
                                         os::DWORD* requiredSize) override;
  os::CONFIGRET CM_Get_Parent(os::DEVINST* parent, os::DEVINST devInst,
                              os::ULONG flags) override;
  os::CONFIGRET CM_Get_DevNode_Registry_PropertyA(os::DEVINST devInst, os::ULONG property,
                                                  os::ULONG* regDataType, void* buffer,
                                                  os::ULONG* length, os::ULONG flags) override;

 private:
  // The recorded answer to this call; never returns when the call differs
  // from the next recorded one. Sets the recorded last error.
  const Json& Take(const char* call, std::optional<os::HANDLE> handle, const Json& ask);
  [[noreturn]] void Diverge(const std::string& report);
  [[noreturn]] void Malformed(const std::string& what);

  // Reading an answer; a missing or out-of-range member is a malformed
  // recording, reported like a divergence.
  uint64_t Number(const Json& answer, const char* key, uint64_t max);
  int64_t Signed(const Json& answer, const char* key);
  bool Flag(const Json& answer, const char* key);
  std::string Text(const Json& answer, const char* key);
  // Copies a recorded buffer into `out` (bounded by out.size()).
  void Fill(const Json& answer, const char* key, std::span<uint8_t> out);
  template <typename T>
  void FillRecord(const Json& answer, const char* key, T* record);
  bool Has(const Json& answer, const char* key) const;

  Recording recording_;
  std::string file_;
  DivergenceHandler onDivergence_;
  PathMapping paths_;
  std::map<uint64_t, std::deque<size_t>> byHandle_;
  std::deque<size_t> global_;
  std::deque<size_t> noCalls_;  // stays empty: a handle the recording never saw
  const RecordedCall* current_ = nullptr;
  size_t answered_ = 0;
};

}  // namespace record
