#pragma once
// An os::Os in front of another (a lab machine) that hands every call on and
// keeps, in order, what a flow asked of it: the devices it opened and with
// which access, its raw reads and writes (with the access of their handle), the processes it saw end, and the ATA
// pass-through requests it sent (command, time-out, data out). Tests check
// what the tool asked for rather than opening handles of their own.
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/ata_pass_through.h"
#include "platform/os.h"

namespace testsupport {

class RecordingOs : public os::Os {
 public:
  enum class Kind { kOpen, kRead, kWrite, kProcessEnded, kAta };
  struct Event {
    Kind kind = Kind::kOpen;
    std::string path = {};   // kOpen, kRead, kWrite: the device
    os::DWORD access = 0;    // kOpen, kRead, kWrite: what its handle was opened with
    uint8_t command = 0;     // kAta: the command register
    uint32_t timeout = 0;    // kAta: TimeOutValue, seconds
    std::vector<uint8_t> data = {};  // kAta: what went out with it
  };

  explicit RecordingOs(os::Os& inner) : inner_(inner) {}
  const std::vector<Event>& Events() const { return events_; }
  std::vector<Event> Of(Kind kind) const {
    std::vector<Event> out;
    for (const Event& e : events_)
      if (e.kind == kind) out.push_back(e);
    return out;
  }

  os::SYSTEMTIME GetLocalTime() override { return inner_.GetLocalTime(); }
  uint64_t GetTickCount64() override { return inner_.GetTickCount64(); }
  void Sleep(os::DWORD ms) override { inner_.Sleep(ms); }
  void OutputDebugStringA(const std::string& text) override { inner_.OutputDebugStringA(text); }
  os::UINT WinExec(const std::string& line, os::UINT show) override {
    return Keep(inner_.WinExec(line, show));
  }
  bool CreateProcessA(const std::string& line, os::UINT show,
                      os::PROCESS_INFORMATION* info) override {
    return Keep(inner_.CreateProcessA(line, show, info));
  }
  os::DWORD WaitForSingleObject(os::HANDLE h, os::DWORD ms) override {
    const os::DWORD r = Keep(inner_.WaitForSingleObject(h, ms));
    if (r == os::WAIT_OBJECT_0) events_.push_back({Kind::kProcessEnded, {}});
    return r;
  }
  bool GetExitCodeProcess(os::HANDLE p, os::DWORD* code) override {
    return Keep(inner_.GetExitCodeProcess(p, code));
  }
  bool FileExists(const std::string& path) override { return Keep(inner_.FileExists(path)); }
  bool DeleteFileA(const std::string& path) override { return Keep(inner_.DeleteFileA(path)); }
  bool GetVersionExA(os::OSVERSIONINFOA* info) override { return Keep(inner_.GetVersionExA(info)); }
  os::DWORD GetLogicalDrives() override { return Keep(inner_.GetLogicalDrives()); }
  os::UINT GetSystemDirectoryA(char* b, os::UINT n) override {
    return Keep(inner_.GetSystemDirectoryA(b, n));
  }
  std::string VolumeUseText(char letter, int disk) override {
    return Keep(inner_.VolumeUseText(letter, disk));
  }

  os::HANDLE CreateFileA(const std::string& name, os::DWORD access, os::DWORD share,
                         os::SECURITY_ATTRIBUTES* sa, os::DWORD disposition, os::DWORD flags,
                         os::HANDLE tmpl) override {
    const os::HANDLE h =
        Keep(inner_.CreateFileA(name, access, share, sa, disposition, flags, tmpl));
    if (h != os::INVALID_HANDLE_VALUE) opened_[h] = {name, access};
    events_.push_back({Kind::kOpen, name, access});
    return h;
  }
  bool CloseHandle(os::HANDLE h) override {
    opened_.erase(h);
    return Keep(inner_.CloseHandle(h));
  }
  bool DeviceIoControl(os::HANDLE h, os::DWORD code, void* in, os::DWORD inSize, void* out,
                       os::DWORD outSize, os::DWORD* returned) override {
    if (code == os::IOCTL_ATA_PASS_THROUGH_DIRECT && in != nullptr &&
        inSize >= sizeof(os::ATA_PASS_THROUGH_DIRECT)) {
      os::ATA_PASS_THROUGH_DIRECT apt;
      std::memcpy(&apt, in, sizeof apt);
      Event e{Kind::kAta, Opened(h).first};
      e.command = apt.CurrentTaskFile[os::kTaskFileCommand];
      e.timeout = apt.TimeOutValue;
      if ((apt.AtaFlags & os::ATA_FLAGS_DATA_OUT) && apt.DataBuffer != nullptr) {
        const auto* p = static_cast<const uint8_t*>(apt.DataBuffer);
        e.data.assign(p, p + apt.DataTransferLength);
      }
      events_.push_back(std::move(e));
    }
    return Keep(inner_.DeviceIoControl(h, code, in, inSize, out, outSize, returned));
  }
  bool ReadFile(os::HANDLE h, void* b, os::DWORD n, os::DWORD* done) override {
    events_.push_back({Kind::kRead, Opened(h).first, Opened(h).second});
    return Keep(inner_.ReadFile(h, b, n, done));
  }
  bool WriteFile(os::HANDLE h, const void* b, os::DWORD n, os::DWORD* done) override {
    events_.push_back({Kind::kWrite, Opened(h).first, Opened(h).second});
    return Keep(inner_.WriteFile(h, b, n, done));
  }
  os::DWORD SetFilePointer(os::HANDLE h, os::LONG low, os::LONG* high, os::DWORD method) override {
    return Keep(inner_.SetFilePointer(h, low, high, method));
  }

  os::HANDLE GetCurrentProcess() override { return inner_.GetCurrentProcess(); }
  bool OpenProcessToken(os::HANDLE p, os::DWORD access, os::HANDLE* token) override {
    return Keep(inner_.OpenProcessToken(p, access, token));
  }
  bool LookupPrivilegeValueA(const char* system, const char* name, os::LUID* luid) override {
    return Keep(inner_.LookupPrivilegeValueA(system, name, luid));
  }
  bool AdjustTokenPrivileges(os::HANDLE token, bool all, os::TOKEN_PRIVILEGES* state,
                             os::DWORD len, os::TOKEN_PRIVILEGES* previous,
                             os::DWORD* returned) override {
    return Keep(inner_.AdjustTokenPrivileges(token, all, state, len, previous, returned));
  }
  os::HDEVINFO SetupDiGetClassDevsA(const os::GUID* g, const char* e, os::DWORD f) override {
    return Keep(inner_.SetupDiGetClassDevsA(g, e, f));
  }
  bool SetupDiDestroyDeviceInfoList(os::HDEVINFO set) override {
    return Keep(inner_.SetupDiDestroyDeviceInfoList(set));
  }
  bool SetupDiEnumDeviceInfo(os::HDEVINFO set, os::DWORD i, os::SP_DEVINFO_DATA* d) override {
    return Keep(inner_.SetupDiEnumDeviceInfo(set, i, d));
  }
  bool SetupDiEnumDeviceInterfaces(os::HDEVINFO set, os::SP_DEVINFO_DATA* dev, const os::GUID* g,
                                   os::DWORD i, os::SP_DEVICE_INTERFACE_DATA* d) override {
    return Keep(inner_.SetupDiEnumDeviceInterfaces(set, dev, g, i, d));
  }
  bool SetupDiGetDeviceInterfaceDetailA(os::HDEVINFO set, os::SP_DEVICE_INTERFACE_DATA* d,
                                        os::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                        os::DWORD size, os::DWORD* required,
                                        os::SP_DEVINFO_DATA* dev) override {
    return Keep(inner_.SetupDiGetDeviceInterfaceDetailA(set, d, detail, size, required, dev));
  }
  bool SetupDiGetDeviceInstanceIdA(os::HDEVINFO set, os::SP_DEVINFO_DATA* dev, char* b,
                                   os::DWORD n, os::DWORD* required) override {
    return Keep(inner_.SetupDiGetDeviceInstanceIdA(set, dev, b, n, required));
  }
  bool SetupDiGetDeviceRegistryPropertyA(os::HDEVINFO set, os::SP_DEVINFO_DATA* dev,
                                         os::DWORD property, os::DWORD* type, os::BYTE* b,
                                         os::DWORD n, os::DWORD* required) override {
    return Keep(inner_.SetupDiGetDeviceRegistryPropertyA(set, dev, property, type, b, n, required));
  }
  os::CONFIGRET CM_Get_Parent(os::DEVINST* parent, os::DEVINST dev, os::ULONG flags) override {
    return Keep(inner_.CM_Get_Parent(parent, dev, flags));
  }
  os::CONFIGRET CM_Get_DevNode_Registry_PropertyA(os::DEVINST dev, os::ULONG property,
                                                  os::ULONG* type, void* b, os::ULONG* n,
                                                  os::ULONG flags) override {
    return Keep(inner_.CM_Get_DevNode_Registry_PropertyA(dev, property, type, b, n, flags));
  }

 private:
  // Every call reports its error as the machine behind set it.
  template <typename T>
  T Keep(T result) {
    SetLastError(inner_.GetLastError());
    return result;
  }
  std::pair<std::string, os::DWORD> Opened(os::HANDLE h) const {
    const auto it = opened_.find(h);
    return it == opened_.end() ? std::pair<std::string, os::DWORD>{} : it->second;
  }

  os::Os& inner_;
  std::vector<Event> events_;
  std::map<os::HANDLE, std::pair<std::string, os::DWORD>> opened_;
};

}  // namespace testsupport
