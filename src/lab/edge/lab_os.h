#pragma once
// The operating system of a lab machine: the os::Os device calls answered from
// emulated hardware the way Windows answers them (results and GetLastError),
// on virtual time. Each request is decoded here, once, into plain command
// values for the machine's disks, ports and USB tree.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lab/machine/lab_machine.h"
#include "platform/virtual_os.h"

namespace lab {

class LabOs : public os::VirtualOs {
 public:
  // Builds the machine on this object's clock. Null with `error` set when it
  // cannot be built.
  static std::unique_ptr<LabOs> Create(LabConfig config, const std::string& stateDir,
                                       const DriveFactory& factory, std::string& error);
  LabMachine& Machine() { return *machine_; }

  // "DISKPART /s <script>" runs the script against the lab's disks (RESCAN,
  // SELECT DISK n, ATTRIBUTES DISK CLEAR READONLY, CLEAN, EXIT); any other
  // program is handled as VirtualOs does.
  os::UINT WinExec(const std::string& commandLine, os::UINT showCommand) override;
  // What each diskpart command did, one line each, for tests.
  const std::vector<std::string>& DiskpartLog() const { return diskpartLog_; }

  bool GetVersionExA(os::OSVERSIONINFOA* info) override;
  os::DWORD GetLogicalDrives() override;
  os::UINT GetSystemDirectoryA(char* buffer, os::UINT size) override;

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
  enum class HandleKind { kDisk, kVolume, kPort, kHostController, kHub, kToken, kDeviceSet };
  struct OpenHandle {
    HandleKind kind = HandleKind::kDisk;
    LabDisk* disk = nullptr;  // a disk, or the first disk of a volume
    Volume* volume = nullptr;
    ScsiPort* port = nullptr;
    const UsbHostController* controller = nullptr;
    UsbHub* hub = nullptr;
    bool diskInterfaceSet = false;  // a device set that lists the disks
    uint64_t filePointer = 0;
  };
  // The outcome of one request: true, or false with the Windows error.
  struct Reply {
    bool ok = true;
    os::DWORD error = os::ERROR_SUCCESS;
    os::DWORD bytes = 0;
    static Reply Done(os::DWORD bytes) { return Reply{true, os::ERROR_SUCCESS, bytes}; }
    static Reply Fail(os::DWORD error) { return Reply{false, error, 0}; }
  };
  struct Request {
    uintptr_t handle;
    OpenHandle& target;
    os::DWORD code;
    void* in;
    os::DWORD inSize;
    void* out;
    os::DWORD outSize;
  };

  LabOs() = default;
  OpenHandle* Find(os::HANDLE handle);
  os::HANDLE NewHandle(OpenHandle h);
  // Waits out a request that was never answered and gives its error.
  Reply Unanswered(bool timedOut, os::DWORD timeoutSeconds);

  // Disk and volume handles (edge_disk.cpp).
  Reply DiskRequest(const Request& r);
  Reply QueryProperty(const Request& r);
  Reply DeviceDescriptor(const Request& r, LabDisk& disk);
  Reply GetAddress(const Request& r, LabDisk& disk);
  Reply DeviceNumber(const Request& r);
  Reply VolumeRequest(const Request& r);
  // Pass-through requests (edge_pass_through.cpp).
  Reply ScsiPassThrough(const Request& r, LabDisk& disk);
  Reply AtaPassThrough(const Request& r, LabDisk& disk);
  // NVMe requests of the inbox driver (edge_nvme.cpp).
  Reply ProtocolSpecificQuery(const Request& r, LabDisk& disk);
  Reply ProtocolCommand(const Request& r, LabDisk& disk);
  Reply FirmwareInfo(const Request& r, LabDisk& disk);
  Reply FirmwareDownload(const Request& r, LabDisk& disk);
  Reply FirmwareActivate(const Request& r, LabDisk& disk);
  // SCSI port handles (edge_port.cpp).
  Reply PortRequest(const Request& r);
  Reply MiniportRequest(const Request& r, ScsiPort& port);
  // USB host controller and hub handles (edge_usb.cpp).
  Reply HostControllerRequest(const Request& r);
  Reply HubRequest(const Request& r);

  void RunDiskpartScript(const std::string& scriptPath);

  std::unique_ptr<LabMachine> machine_;
  std::vector<std::string> diskpartLog_;
  std::map<uintptr_t, OpenHandle> handles_;
  uintptr_t nextHandle_ = 0x1000;
};

}  // namespace lab
