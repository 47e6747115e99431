#pragma once
// A decorator of os::Os that forwards every call to the real backend and
// writes the call and its answer to a recording as it goes (docs/recordings.md).
#include <memory>
#include <optional>
#include <string>

#include "platform/os.h"
#include "record/anonymizer.h"
#include "record/json_value.h"
#include "record/recording_writer.h"

namespace record {

struct RecordOptions {
  bool wholeData = false;  // --record-data
  bool anonymize = false;  // --record-anonymize
};

class RecordingOs : public os::Os {
 public:
  RecordingOs(std::unique_ptr<os::Os> inner, std::unique_ptr<RecordingWriter> writer,
              RecordOptions options, std::unique_ptr<Anonymizer> anonymizer);
  ~RecordingOs() override;

  os::Os& Inner() { return *inner_; }

  os::SYSTEMTIME GetLocalTime() override;
  uint64_t GetTickCount64() override;
  void Sleep(os::DWORD milliseconds) override;
  void OutputDebugStringA(const std::string& text) override;
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
  // Writes one call: its name, the handle it is about (if any), what was
  // asked and what came back, with the error the backend left.
  void Write(const char* call, std::optional<os::HANDLE> handle, Json ask, Json answer);
  // The backend's own trace lines, passed on to this object's sink and kept.
  void DrainInnerTrace();
  void WriteTrace(const std::string& text, bool backend);
  // A reply buffer as recorded: identities replaced first when anonymizing.
  Json Reply(std::span<const uint8_t> bytes, bool bounded);
  std::string Text(std::string text);

  std::unique_ptr<os::Os> inner_;
  std::unique_ptr<RecordingWriter> writer_;
  RecordOptions options_;
  std::unique_ptr<Anonymizer> anonymizer_;
  uint64_t sequence_ = 0;
};

}  // namespace record
