#include "lab/edge/lab_os.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/text.h"
#include "lab/edge/disk_handler.h"
#include "lab/edge/disk_transfer.h"
#include "lab/edge/nvme_inbox_handler.h"
#include "lab/edge/pass_through.h"
#include "lab/edge/scsi_port_handler.h"
#include "lab/edge/usb_host_controller_handler.h"
#include "lab/edge/usb_hub_handler.h"
#include "lab/edge/volume_handler.h"
#include "lab/edge/zero_data_request.h"
#include "platform/allocated_ranges.h"
#include "platform/zero_data.h"

namespace lab {
namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && common::EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// Decimal digits only, as the device names carry them.
std::optional<uint32_t> DecimalNumber(std::string_view s) {
  if (s.empty() || s.size() > 5) return std::nullopt;
  uint32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint32_t>(c - '0');
  }
  return v;
}

}  // namespace

// Built in the order they use each other.
struct LabOs::Handlers {
  explicit Handlers(const edge::EdgeContext& ctx)
      : passThrough(ctx),
        nvme(ctx),
        port(ctx, passThrough),
        disk(passThrough, nvme, port),
        volume(ctx, disk),
        transfer(ctx) {}
  edge::PassThrough passThrough;
  edge::NvmeInboxHandler nvme;
  edge::ScsiPortHandler port;
  edge::DiskHandler disk;
  edge::VolumeHandler volume;
  edge::UsbHostControllerHandler hostController;
  edge::UsbHubHandler hub;
  edge::DiskTransfer transfer;
};

LabOs::~LabOs() = default;

std::unique_ptr<LabOs> LabOs::Create(LabConfig config, const std::string& stateDir,
                                     const DriveFactory& factory, std::string& error) {
  std::unique_ptr<LabOs> los(new LabOs());
  los->machine_ = LabMachine::Build(std::move(config), stateDir, factory, los->Clock(), error);
  if (!los->machine_) return nullptr;
  los->context_.reset(new edge::EdgeContext{*los->machine_, los->Clock(), los->handles_});
  los->handlers_ = std::make_unique<Handlers>(*los->context_);
  return los;
}

LabOs::OpenHandle* LabOs::Find(os::HANDLE handle) {
  const auto it = handles_.find(os::HandleValue(handle));
  return it == handles_.end() ? nullptr : &it->second;
}

os::HANDLE LabOs::NewHandle(OpenHandle h) {
  const uintptr_t value = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(value, h);
  return os::HandleFromValue(value);
}

edge::HandleHandler* LabOs::HandlerFor(HandleKind kind) {
  switch (kind) {
    case HandleKind::kDisk:
      return &handlers_->disk;
    case HandleKind::kVolume:
      return &handlers_->volume;
    case HandleKind::kPort:
      return &handlers_->port;
    case HandleKind::kHostController:
      return &handlers_->hostController;
    case HandleKind::kHub:
      return &handlers_->hub;
    case HandleKind::kToken:
    case HandleKind::kDeviceSet:
      break;
  }
  return nullptr;
}

bool LabOs::Finish(const Reply& reply) {
  if (!reply.ok) SetLastError(reply.error);
  return reply.ok;
}

// --- System facts ------------------------------------------------------------

bool LabOs::GetVersionExA(os::OSVERSIONINFOA* info) {
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(os::OSVERSIONINFOA)) {
    SetLastError(os::ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  const MachineFacts& m = machine_->Config().machine;
  info->dwMajorVersion = m.osMajor;
  info->dwMinorVersion = m.osMinor;
  info->dwBuildNumber = m.osBuild;
  info->dwPlatformId = os::VER_PLATFORM_WIN32_NT;
  std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
  return true;
}

os::DWORD LabOs::GetLogicalDrives() {
  os::DWORD mask = 0;
  for (const Volume& v : machine_->Volumes())
    if (v.present) mask |= 1u << (v.letter - 'A');
  return mask;
}

os::UINT LabOs::GetSystemDirectoryA(char* buffer, os::UINT size) {
  const std::string& dir = machine_->Config().machine.systemDirectory;
  const auto length = static_cast<os::UINT>(dir.size());
  if (buffer == nullptr || size <= length) return length + 1;  // the size needed
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return length;
}

std::string LabOs::VolumeUseText(char letter, int diskNumber) {
  const Volume* v = machine_->VolumeByLetter(letter);
  if (v != nullptr && !v->inUse.empty()) return v->inUse;
  return os::Os::VolumeUseText(letter, diskNumber);
}

// --- Opening and closing ---------------------------------------------------------

os::HANDLE LabOs::CreateFileA(const std::string& fileName, os::DWORD desiredAccess,
                              os::DWORD /*shareMode*/, os::SECURITY_ATTRIBUTES* /*sa*/,
                              os::DWORD /*creationDisposition*/, os::DWORD /*flags*/,
                              os::HANDLE /*templateFile*/) {
  const bool deviceName =
      StartsWithNoCase(fileName, "\\\\.\\") || StartsWithNoCase(fileName, "\\\\?\\");
  if (!deviceName) {
    SetLastError(os::ERROR_FILE_NOT_FOUND);
    return os::INVALID_HANDLE_VALUE;
  }
  const std::string_view name = std::string_view(fileName).substr(4);
  // Storage devices open for reading or writing only with administrator
  // rights; a query-only open (no access) is allowed to anyone.
  const bool storageAccessDenied =
      !machine_->Config().machine.privilegesGranted && desiredAccess != 0;
  OpenHandle h;
  if (StartsWithNoCase(name, "PHYSICALDRIVE")) {
    const auto n = DecimalNumber(name.substr(13));
    h.disk = n ? machine_->DiskByNumber(*n) : nullptr;
    h.kind = HandleKind::kDisk;
    if (h.disk == nullptr) {
      SetLastError(os::ERROR_FILE_NOT_FOUND);
      return os::INVALID_HANDLE_VALUE;
    }
  } else if (name.size() == 2 && name[1] == ':') {
    h.volume = machine_->VolumeByLetter(name[0]);
    h.kind = HandleKind::kVolume;
    if (h.volume == nullptr) {
      SetLastError(os::ERROR_FILE_NOT_FOUND);
      return os::INVALID_HANDLE_VALUE;
    }
    h.disk = h.volume->disks.front();
    // Opening a dismounted volume mounts its file system again.
    if (h.volume->lockedBy == 0) h.volume->mounted = true;
  } else if (StartsWithNoCase(name, "SCSI") && name.size() > 5 && name.back() == ':') {
    const auto n = DecimalNumber(name.substr(4, name.size() - 5));
    h.port = n ? machine_->PortByNumber(*n) : nullptr;
    h.kind = HandleKind::kPort;
    if (h.port == nullptr) {
      SetLastError(os::ERROR_FILE_NOT_FOUND);
      return os::INVALID_HANDLE_VALUE;
    }
  } else if (StartsWithNoCase(name, "HCD")) {
    const auto n = DecimalNumber(name.substr(3));
    h.controller = n ? machine_->Usb().HostController(*n) : nullptr;
    h.kind = HandleKind::kHostController;
    if (h.controller == nullptr) {
      SetLastError(os::ERROR_FILE_NOT_FOUND);
      return os::INVALID_HANDLE_VALUE;
    }
    return NewHandle(h);
  } else if (UsbHub* hub = machine_->Usb().HubByPath(name)) {
    h.hub = hub;
    h.kind = HandleKind::kHub;
    return NewHandle(h);
  } else if (LabDisk* disk = machine_->DiskByInterfacePath("\\\\?\\" + std::string(name))) {
    h.disk = disk;
    h.kind = HandleKind::kDisk;
  } else {
    SetLastError(os::ERROR_FILE_NOT_FOUND);
    return os::INVALID_HANDLE_VALUE;
  }
  if (storageAccessDenied) {
    SetLastError(os::ERROR_ACCESS_DENIED);
    return os::INVALID_HANDLE_VALUE;
  }
  return NewHandle(h);
}

bool LabOs::CloseHandle(os::HANDLE handle) {
  if (os::IsProcessHandleValue(handle)) return os::VirtualOs::CloseHandle(handle);
  const auto it = handles_.find(os::HandleValue(handle));
  if (it == handles_.end() || it->second.kind == HandleKind::kDeviceSet) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  if (Volume* v = it->second.volume; v != nullptr && v->lockedBy == it->first) {
    // Closing the locking handle ends the lock; the file system mounts the
    // volume again on its next use.
    v->lockedBy = 0;
    v->mounted = true;
  }
  handles_.erase(it);
  return true;
}

// --- Requests ----------------------------------------------------------------------

bool LabOs::DeviceIoControl(os::HANDLE device, os::DWORD code, void* in, os::DWORD inSize,
                            void* out, os::DWORD outSize, os::DWORD* bytesReturned) {
  if (bytesReturned != nullptr) *bytesReturned = 0;
  OpenHandle* h = Find(device);
  edge::HandleHandler* handler = h == nullptr ? nullptr : HandlerFor(h->kind);
  if (handler == nullptr) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  if (h->volume != nullptr && !h->volume->present) {
    SetLastError(os::ERROR_DEV_NOT_EXIST);  // the volume is gone
    return false;
  }
  machine_->CountCommand(h->disk);
  const edge::Request r{os::HandleValue(device), *h, code, in, inSize, out, outSize};
  // The sparse-store requests are answered by the media behind a disk handle.
  const bool disk = h->kind == HandleKind::kDisk;
  const Reply reply = disk && code == os::FSCTL_SET_ZERO_DATA
                          ? edge::ZeroDataRequest(*context_, r)
                      : disk && code == os::FSCTL_QUERY_ALLOCATED_RANGES
                          ? edge::AllocatedRangesRequest(r)
                          : handler->Control(r);
  if (bytesReturned != nullptr) *bytesReturned = reply.bytes;
  return Finish(reply);
}

// --- Raw transfers -------------------------------------------------------------------

bool LabOs::ReadFile(os::HANDLE file, void* buffer, os::DWORD bytesToRead, os::DWORD* bytesRead) {
  if (OpenHandle* h = Find(file); h != nullptr) machine_->CountCommand(h->disk);
  const Reply reply = handlers_->transfer.Read(Find(file), buffer, bytesToRead);
  if (bytesRead != nullptr) *bytesRead = reply.bytes;
  return Finish(reply);
}

bool LabOs::WriteFile(os::HANDLE file, const void* buffer, os::DWORD bytesToWrite,
                      os::DWORD* bytesWritten) {
  if (OpenHandle* h = Find(file); h != nullptr) machine_->CountCommand(h->disk);
  const Reply reply =
      handlers_->transfer.Write(os::HandleValue(file), Find(file), buffer, bytesToWrite);
  if (bytesWritten != nullptr) *bytesWritten = reply.bytes;
  return Finish(reply);
}

os::DWORD LabOs::SetFilePointer(os::HANDLE file, os::LONG distanceLow, os::LONG* distanceHigh,
                                os::DWORD moveMethod) {
  const Reply reply = handlers_->transfer.Seek(Find(file), distanceLow, distanceHigh, moveMethod);
  if (!Finish(reply)) return os::INVALID_SET_FILE_POINTER;
  // A low part that looks like the failure value is told apart by the error.
  SetLastError(os::ERROR_SUCCESS);
  return reply.bytes;
}

}  // namespace lab
