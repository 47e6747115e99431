#pragma once
// The real machine on Linux: the Windows-shaped storage requests of the
// tool translated to the kernel's interfaces. SCSI pass-through goes to
// SG_IO, ATA pass-through to SAT ATA PASS-THROUGH(16) over SG_IO, NVMe
// requests to the NVMe admin and I/O pass-through ioctls, and the SetupAPI
// and configuration-manager look-ups are answered from sysfs. The volumes in
// use (mounted file systems, swap) get drive letters, the system volume C:;
// they cannot be locked and raw writes into them are refused.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/host_os.h"
#include "platform/linux/disk_usage.h"
#include "platform/linux/kernel_calls.h"
#include "platform/linux/sysfs_disks.h"

namespace os {

class LinuxOs : public HostOs {
 public:
  explicit LinuxOs(std::string sysRoot = "/sys", std::string devRoot = "/dev",
                   std::string procRoot = "/proc");
  // With the system calls on device nodes made through `kernel` (tests
  // stand in for the kernel this way).
  LinuxOs(std::string sysRoot, std::string devRoot, std::shared_ptr<linuxos::KernelCalls> kernel,
          std::string procRoot = "/proc");
  ~LinuxOs() override;

  DWORD GetLogicalDrives() override;

  // "DISKPART /s <script>" runs the script's commands on the machine's disks
  // here (see linux_diskpart.h); any other program is started as it is.
  UINT WinExec(const std::string& commandLine, UINT showCommand) override;
  bool CreateProcessA(const std::string& commandLine, UINT showCommand,
                      PROCESS_INFORMATION* info) override;
  // What the last partitioning script did, one line per command.
  const std::vector<std::string>& DiskpartLog() const { return diskpartLog_; }
  UINT GetSystemDirectoryA(char* buffer, UINT size) override;
  // What the mount table says uses the volume's areas on the disk:
  // "/dev/sdc1 is mounted on /home", "/dev/sdb2 is active swap", a member of
  // an md/dm device naming that device.
  std::string VolumeUseText(char letter, int diskNumber) override;

  HANDLE CreateFileA(const std::string& fileName, DWORD desiredAccess, DWORD shareMode,
                     SECURITY_ATTRIBUTES* securityAttributes, DWORD creationDisposition,
                     DWORD flagsAndAttributes, HANDLE templateFile) override;
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

  // The disks by drive number (index), each where the kernel shows it now:
  // a number keeps to the disk it was given to (its stable identity) and a
  // disk that is gone keeps its number with no node (an empty name).
  const std::vector<linuxos::SysfsDisk>& Disks();
  // What of those disks the running system uses, read afresh when the mount
  // or swap table changed.
  const linuxos::DiskUsage& Usage();

 private:
  struct Open;
  Open* Find(HANDLE h);
  HANDLE Add(std::unique_ptr<Open> open);
  bool Fail(DWORD error);
  bool ScsiPassThrough(Open& o, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);
  bool AtaPassThrough(Open& o, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);
  // ERROR_SUCCESS with the reply, or why the command did not come back.
  DWORD RunSg(Open& o, const linuxos::SgCommand& command, std::span<uint8_t> sense,
              linuxos::SgReply* reply);
  // Before the first ATA pass-through on a SATA disk.
  void AskForDescriptorSenseOnce(Open& o);
  bool ScsiOnNamespace(Open& o, SCSI_PASS_THROUGH_DIRECT& sptd, const linuxos::SgCommand& command,
                       void* out, DWORD outSize, DWORD* returned);
  // `activateNow`: a firmware activation request that asks for the image to
  // run at once (a Firmware Commit with action 3 asks for it by itself).
  bool NvmeIoctl(Open& o, bool admin, linuxos::NvmePassthru& command, int* status,
                 bool activateNow = false);
  // After a Firmware Commit whose `status` asks for a reset: when the image
  // was asked to run now and no controller the reset takes down serves the
  // system disk or a disk in use, the controller or NVM subsystem reset it
  // names and the wait for the controllers; otherwise nothing (the image runs
  // after the next reset). 0 or an errno.
  int ActivateAfterCommit(int controller, int status, bool activateNow);
  bool QueryProperty(Open& o, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned);
  bool StorageNvme(Open& o, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                   DWORD* returned);
  const linuxos::SysfsDisk* DiskOfDevInst(DEVINST devInst);
  bool ZeroData(Open& o, void* in, DWORD inSize);
  // The exit code of the partitioning script of `commandLine`, or -1 when
  // the command line does not start the partitioning tool.
  int RunDiskpart(const std::string& commandLine);
  // Volumes (linux_volumes.cpp): the node behind "\\.\X:", the volume
  // requests, and the test that keeps raw writes out of volumes in use.
  bool VolumeNode(const std::string& name, Open& open, std::string* path);
  bool VolumeRequest(Open& o, DWORD code, void* out, DWORD outSize, DWORD* returned);
  bool WriteRefused(Open& o, uint64_t offset, uint64_t length);
  // CAP_SYS_RAWIO and read-write access to every disk node (linux_access.cpp).
  bool DiskAccessHeld();

  std::string sysRoot_;
  std::string devRoot_;
  std::map<uintptr_t, std::unique_ptr<Open>> handles_;
  uintptr_t nextHandle_ = 0x1000;
  std::vector<linuxos::SysfsDisk> disks_;
  bool numbered_ = false;  // disks_ holds the numbers given out
  std::string procRoot_;
  linuxos::DiskUsage usage_;
  std::string usageKey_;  // the tables usage_ was read from
  bool usageRead_ = false;
  std::vector<std::string> diskpartLog_;
  std::shared_ptr<linuxos::KernelCalls> kernel_;
  // SATA disks already asked for descriptor-format sense (by drive number).
  std::set<int> descriptorSenseAsked_;
  // The Control mode pages to put back at the end, by disk node ("sda"): the
  // disks whose D_SENSE the tool switched on.
  std::map<std::string, std::vector<uint8_t>> controlPagesToRestore_;
  void RestoreControlPages();
};

}  // namespace os
