#include "lab/edge/lab_os.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/bytes.h"
#include "common/text.h"
#include "lab/bridges/scsi_reply.h"

namespace lab {
namespace {

constexpr uint64_t kVolumeStartBytes = 1u << 20;  // the one partition starts at 1 MiB

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

std::unique_ptr<LabOs> LabOs::Create(LabConfig config, const std::string& stateDir,
                                     const DriveFactory& factory, std::string& error) {
  std::unique_ptr<LabOs> los(new LabOs());
  los->machine_ = LabMachine::Build(std::move(config), stateDir, factory, los->Clock(), error);
  if (!los->machine_) return nullptr;
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

LabOs::Reply LabOs::Unanswered(bool timedOut, os::DWORD timeoutSeconds) {
  if (!timedOut) return Reply::Fail(os::ERROR_DEV_NOT_EXIST);
  // The port driver waits the whole time-out before it gives up.
  Clock().Advance(uint64_t{timeoutSeconds} * 1000);
  return Reply::Fail(os::ERROR_SEM_TIMEOUT);
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
  if (h == nullptr || h->kind == HandleKind::kToken || h->kind == HandleKind::kDeviceSet) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  if (h->volume != nullptr && !h->volume->present) {
    SetLastError(os::ERROR_DEV_NOT_EXIST);  // the volume is gone
    return false;
  }
  const Request r{os::HandleValue(device), *h, code, in, inSize, out, outSize};
  Reply reply;
  switch (h->kind) {
    case HandleKind::kDisk:
    case HandleKind::kVolume:
      reply = DiskRequest(r);
      break;
    case HandleKind::kPort:
      reply = PortRequest(r);
      break;
    case HandleKind::kHostController:
      reply = HostControllerRequest(r);
      break;
    case HandleKind::kHub:
      reply = HubRequest(r);
      break;
    default:
      reply = Reply::Fail(os::ERROR_INVALID_FUNCTION);
      break;
  }
  if (bytesReturned != nullptr) *bytesReturned = reply.bytes;
  if (!reply.ok) SetLastError(reply.error);
  return reply.ok;
}

// --- Raw transfers -------------------------------------------------------------------

bool LabOs::ReadFile(os::HANDLE file, void* buffer, os::DWORD bytesToRead, os::DWORD* bytesRead) {
  if (bytesRead != nullptr) *bytesRead = 0;
  OpenHandle* h = Find(file);
  if (h == nullptr || h->disk == nullptr) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  if (h->volume != nullptr && !h->volume->present) {
    SetLastError(os::ERROR_DEV_NOT_EXIST);
    return false;
  }
  LabDisk& disk = *h->disk;
  const uint32_t sector = disk.GetMedia().SectorSize();
  const uint64_t start = h->volume ? kVolumeStartBytes : 0;
  const uint64_t size = disk.GetMedia().SectorCount() * sector - start;
  if (h->filePointer % sector != 0 || bytesToRead % sector != 0 ||
      (bytesToRead != 0 && buffer == nullptr)) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  if (h->filePointer >= size || bytesToRead == 0) return true;  // end of the disk
  const uint64_t n64 = std::min<uint64_t>(bytesToRead, size - h->filePointer);
  const auto n = static_cast<uint32_t>(n64);
  ScsiCommand c;
  c.cdb.assign(16, 0);
  c.cdb[0] = scsi::kRead16;
  common::WriteBe64(c.cdb, 2, (start + h->filePointer) / sector);
  common::WriteBe32(c.cdb, 10, n / sector);
  c.direction = DataDirection::kIn;
  c.data = std::span<uint8_t>(static_cast<uint8_t*>(buffer), n);
  c.timeoutSeconds = 60;
  const ScsiResult res = disk.Scsi().ExecuteScsi(c);
  if (!res.delivered || res.status != kScsiStatusGood) {
    const Reply fail =
        !res.delivered ? Unanswered(res.timedOut, c.timeoutSeconds) : Reply::Fail(os::ERROR_CRC);
    SetLastError(fail.error);
    return false;
  }
  h->filePointer += n;
  if (bytesRead != nullptr) *bytesRead = n;
  return true;
}

bool LabOs::WriteFile(os::HANDLE file, const void* buffer, os::DWORD bytesToWrite,
                      os::DWORD* bytesWritten) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  OpenHandle* h = Find(file);
  if (h == nullptr || h->disk == nullptr) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  if (h->volume != nullptr && !h->volume->present) {
    SetLastError(os::ERROR_DEV_NOT_EXIST);
    return false;
  }
  // A mounted file system keeps its sectors to itself.
  if (h->volume != nullptr && h->volume->mounted && h->volume->lockedBy != os::HandleValue(file)) {
    SetLastError(os::ERROR_ACCESS_DENIED);
    return false;
  }
  LabDisk& disk = *h->disk;
  const uint32_t sector = disk.GetMedia().SectorSize();
  const uint64_t start = h->volume ? kVolumeStartBytes : 0;
  const uint64_t size = disk.GetMedia().SectorCount() * sector - start;
  if (h->filePointer % sector != 0 || bytesToWrite % sector != 0 ||
      (bytesToWrite != 0 && buffer == nullptr)) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  if (bytesToWrite == 0) return true;
  if (h->filePointer >= size || bytesToWrite > size - h->filePointer) {
    SetLastError(os::ERROR_SECTOR_NOT_FOUND);
    return false;
  }
  // Through the disk handle, the sectors of a mounted volume are out of bounds
  // until that volume is locked, dismounted or gone; the partition table
  // before it is not.
  if (h->volume == nullptr && h->filePointer + bytesToWrite > kVolumeStartBytes) {
    for (const Volume& v : machine_->Volumes()) {
      const bool onDisk = std::find(v.disks.begin(), v.disks.end(), &disk) != v.disks.end();
      if (onDisk && v.present && v.mounted && v.lockedBy == 0) {
        SetLastError(os::ERROR_ACCESS_DENIED);
        return false;
      }
    }
  }
  // The request carries its own copy of the data, as a buffered write would.
  std::vector<uint8_t> data(static_cast<const uint8_t*>(buffer),
                            static_cast<const uint8_t*>(buffer) + bytesToWrite);
  ScsiCommand c;
  c.cdb.assign(16, 0);
  c.cdb[0] = scsi::kWrite16;
  common::WriteBe64(c.cdb, 2, (start + h->filePointer) / sector);
  common::WriteBe32(c.cdb, 10, bytesToWrite / sector);
  c.direction = DataDirection::kOut;
  c.data = data;
  c.timeoutSeconds = 60;
  const ScsiResult res = disk.Scsi().ExecuteScsi(c);
  if (!res.delivered || res.status != kScsiStatusGood) {
    const Reply fail = !res.delivered ? Unanswered(res.timedOut, c.timeoutSeconds)
                                      : Reply::Fail(os::ERROR_WRITE_FAULT);
    SetLastError(fail.error);
    return false;
  }
  h->filePointer += bytesToWrite;
  if (bytesWritten != nullptr) *bytesWritten = bytesToWrite;
  return true;
}

os::DWORD LabOs::SetFilePointer(os::HANDLE file, os::LONG distanceLow, os::LONG* distanceHigh,
                                os::DWORD moveMethod) {
  OpenHandle* h = Find(file);
  if (h == nullptr || h->disk == nullptr) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return os::INVALID_SET_FILE_POINTER;
  }
  // Without a high part the distance is a signed 32-bit value.
  const int64_t distance =
      distanceHigh != nullptr
          ? static_cast<int64_t>((uint64_t{static_cast<uint32_t>(*distanceHigh)} << 32) |
                                 static_cast<uint32_t>(distanceLow))
          : int64_t{distanceLow};
  const uint64_t size = h->disk->GetMedia().SectorCount() * h->disk->GetMedia().SectorSize() -
                        (h->volume ? kVolumeStartBytes : 0);
  int64_t base = 0;
  if (moveMethod == os::FILE_CURRENT) {
    base = static_cast<int64_t>(h->filePointer);
  } else if (moveMethod == os::FILE_END) {
    base = static_cast<int64_t>(size);
  } else if (moveMethod != os::FILE_BEGIN) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return os::INVALID_SET_FILE_POINTER;
  }
  const int64_t target = base + distance;
  if (target < 0) {
    SetLastError(os::ERROR_NEGATIVE_SEEK);
    return os::INVALID_SET_FILE_POINTER;
  }
  h->filePointer = static_cast<uint64_t>(target);
  if (distanceHigh != nullptr) *distanceHigh = static_cast<os::LONG>(h->filePointer >> 32);
  // A low part that looks like the failure value is told apart by the error.
  SetLastError(os::ERROR_SUCCESS);
  return static_cast<os::DWORD>(h->filePointer);
}

}  // namespace lab
