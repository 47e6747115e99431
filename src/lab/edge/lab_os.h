#pragma once
// The operating system of a lab machine: the os::Os device calls answered from
// emulated hardware the way Windows answers them (results and GetLastError),
// on virtual time. LabOs opens and closes handles and routes each request by
// the kind of handle it came through to that kind's handler (disk, volume,
// SCSI port, USB host controller, hub), which decodes it once into plain
// command values for the machine's disks, ports and USB tree.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lab/edge/edge_request.h"
#include "lab/machine/lab_machine.h"
#include "platform/virtual_os.h"

namespace lab {

class LabOs : public os::VirtualOs {
 public:
  // Builds the machine on this object's clock. Null with `error` set when it
  // cannot be built.
  static std::unique_ptr<LabOs> Create(LabConfig config, const std::string& stateDir,
                                       const DriveFactory& factory, std::string& error);
  ~LabOs() override;
  LabMachine& Machine() { return *machine_; }

  // "DISKPART /s <script>" runs the script against the lab's disks (RESCAN,
  // SELECT DISK n, ATTRIBUTES DISK CLEAR READONLY, CLEAN, EXIT); any other
  // program is handled as VirtualOs does.
  os::UINT WinExec(const std::string& commandLine, os::UINT showCommand) override;
  // The same, as a process that ends on the virtual clock (clone_requests.cpp).
  bool CreateProcessA(const std::string& commandLine, os::UINT showCommand,
                      os::PROCESS_INFORMATION* info) override;
  // What each diskpart command did, one line each, for tests.
  const std::vector<std::string>& DiskpartLog() const { return diskpartLog_; }

  bool GetVersionExA(os::OSVERSIONINFOA* info) override;
  os::DWORD GetLogicalDrives() override;
  os::UINT GetSystemDirectoryA(char* buffer, os::UINT size) override;
  // The volume's InUse text from lab.ini, else the default.
  std::string VolumeUseText(char letter, int diskNumber) override;

  os::HANDLE CreateFileA(const std::string& fileName, os::DWORD desiredAccess, os::DWORD shareMode,
                         os::SECURITY_ATTRIBUTES* securityAttributes, os::DWORD creationDisposition,
                         os::DWORD flagsAndAttributes, os::HANDLE templateFile) override;
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

  bool OpenProcessToken(os::HANDLE process, os::DWORD desiredAccess, os::HANDLE* token) override;
  bool LookupPrivilegeValueA(const char* systemName, const char* name, os::LUID* luid) override;
  bool AdjustTokenPrivileges(os::HANDLE token, bool disableAllPrivileges,
                             os::TOKEN_PRIVILEGES* newState, os::DWORD bufferLength,
                             os::TOKEN_PRIVILEGES* previousState, os::DWORD* returnLength) override;

  os::HDEVINFO SetupDiGetClassDevsA(const os::GUID* classGuid, const char* enumerator,
                                    os::DWORD flags) override;
  bool SetupDiDestroyDeviceInfoList(os::HDEVINFO set) override;
  bool SetupDiEnumDeviceInfo(os::HDEVINFO set, os::DWORD index, os::SP_DEVINFO_DATA* data) override;
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
  os::CONFIGRET CM_Get_Parent(os::DEVINST* parent, os::DEVINST devInst, os::ULONG flags) override;
  os::CONFIGRET CM_Get_DevNode_Registry_PropertyA(os::DEVINST devInst, os::ULONG property,
                                                  os::ULONG* regDataType, void* buffer,
                                                  os::ULONG* length, os::ULONG flags) override;

  // Open handles, for tests that check nothing leaks.
  size_t OpenHandleCount() const { return handles_.size(); }

 private:
  using OpenHandle = edge::OpenHandle;
  using HandleKind = edge::HandleKind;
  using Reply = edge::Reply;

  LabOs() = default;
  OpenHandle* Find(os::HANDLE handle);
  os::HANDLE NewHandle(OpenHandle h);
  // The handler of a handle's kind; null for tokens and device sets.
  edge::HandleHandler* HandlerFor(HandleKind kind);
  // Sets the last error from a failed reply.
  bool Finish(const Reply& reply);

  void RunDiskpartScript(const std::string& scriptPath);

  std::unique_ptr<LabMachine> machine_;
  std::vector<std::string> diskpartLog_;
  edge::HandleTable handles_;
  uintptr_t nextHandle_ = 0x1000;
  // The handlers, one per kind of handle, built with the machine.
  struct Handlers;
  std::unique_ptr<edge::EdgeContext> context_;
  std::unique_ptr<Handlers> handlers_;
};

}  // namespace lab
