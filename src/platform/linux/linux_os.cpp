#include "platform/linux/linux_os.h"

#include <fcntl.h>
#include <linux/nvme_ioctl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/bytes.h"
#include "common/text.h"
#include "platform/ata_pass_through.h"
#include "platform/linux/disk_zero.h"
#include "platform/linux/linux_open.h"
#include "platform/linux/nvme_translation.h"
#include "platform/linux/sg_translation.h"
#include "platform/nvme_command.h"
#include "platform/nvme_pass_through.h"
#include "platform/request_buffer.h"
#include "platform/scsi_pass_through.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"
#include "platform/volume.h"
#include "platform/zero_data.h"

namespace os {

using linuxos::SysfsDisk;

static_assert(sizeof(linuxos::NvmePassthru) == sizeof(nvme_passthru_cmd));
static_assert(offsetof(nvme_passthru_cmd, result) == 68);

namespace {

constexpr char kPhysicalPrefix[] = "\\\\.\\PHYSICALDRIVE";
constexpr char kScsiPrefix[] = "\\\\.\\Scsi";
constexpr uint8_t kSgDriverSense = 0x08;

DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOTTY:
      return ERROR_INVALID_FUNCTION;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ETIMEDOUT:
      return ERROR_SEM_TIMEOUT;
    case EBUSY:
      return ERROR_NOT_READY;
    default:
      return ERROR_IO_DEVICE;
  }
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

LinuxOs::LinuxOs(std::string sysRoot, std::string devRoot, std::string procRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)), procRoot_(std::move(procRoot)) {}

LinuxOs::~LinuxOs() = default;

const std::vector<SysfsDisk>& LinuxOs::Disks() {
  if (disks_.empty()) disks_ = linuxos::ListSysfsDisks(sysRoot_);
  return disks_;
}

bool LinuxOs::Fail(DWORD error) {
  SetLastError(error);
  return false;
}

LinuxOs::Open* LinuxOs::Find(HANDLE h) {
  auto it = handles_.find(HandleValue(h));
  return it == handles_.end() ? nullptr : it->second.get();
}

HANDLE LinuxOs::Add(std::unique_ptr<Open> open) {
  const uintptr_t v = nextHandle_;
  nextHandle_ += 4;
  handles_[v] = std::move(open);
  SetLastError(ERROR_SUCCESS);
  return HandleFromValue(v);
}

HANDLE LinuxOs::CreateFileA(const std::string& name, DWORD access, DWORD, SECURITY_ATTRIBUTES*,
                            DWORD, DWORD, HANDLE) {
  auto open = std::make_unique<Open>();
  std::string path;
  if (StartsWith(name, kPhysicalPrefix) || StartsWith(name, kInterfacePrefix)) {
    const size_t prefix = StartsWith(name, kPhysicalPrefix) ? std::strlen(kPhysicalPrefix)
                                                            : std::strlen(kInterfacePrefix);
    const std::string digits = name.substr(prefix);
    if (digits.empty() || digits.size() > 4 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    const int n = std::stoi(digits);
    if (n >= static_cast<int>(Disks().size())) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    open->disk = n;
    path = devRoot_ + "/" + disks_[static_cast<size_t>(n)].name;
  } else if (linuxos::DriveLetterOf(name) != 0) {
    if (!VolumeNode(name, *open, &path)) return INVALID_HANDLE_VALUE;
  } else if (StartsWith(name, kScsiPrefix)) {
    unsigned port = 0;
    char colon = 0;
    // A second controller of a namespace already listed is not a drive of its own.
    if (std::sscanf(name.c_str() + std::strlen(kScsiPrefix), "%u%c", &port, &colon) != 2 ||
        colon != ':' || port < linuxos::kNvmePortBase || port > 255 ||
        linuxos::IsSecondaryNvmePort(Disks(), port)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    open->kind = Open::kNvmeController;
    path = common::Format("%s/nvme%u", devRoot_.c_str(), port - linuxos::kNvmePortBase);
  } else {
    // Drive letters, USB host controllers and hubs do not exist here.
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const int flags = (access & GENERIC_WRITE) ? O_RDWR : O_RDONLY;
  open->fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (open->fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  return Add(std::move(open));
}

bool LinuxOs::CloseHandle(HANDLE h) {
  if (IsProcessHandleValue(h)) return HostOs::CloseHandle(h);
  if (handles_.erase(HandleValue(h)) == 0) return Fail(ERROR_INVALID_HANDLE);
  return true;
}

bool LinuxOs::ReadFile(HANDLE h, void* buffer, DWORD size, DWORD* read) {
  if (read != nullptr) *read = 0;
  Open* o = Find(h);
  if (o == nullptr || o->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  const ssize_t n = ::read(o->fd, buffer, size);
  if (n < 0) return Fail(ErrorFromErrno(errno));
  if (read != nullptr) *read = static_cast<DWORD>(n);
  return true;
}

bool LinuxOs::WriteFile(HANDLE h, const void* buffer, DWORD size, DWORD* written) {
  if (written != nullptr) *written = 0;
  Open* o = Find(h);
  if (o == nullptr || o->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  const off_t at = ::lseek(o->fd, 0, SEEK_CUR);
  if (WriteRefused(*o, at < 0 ? 0 : static_cast<uint64_t>(at), size)) return false;
  const ssize_t n = ::write(o->fd, buffer, size);
  if (n < 0) return Fail(ErrorFromErrno(errno));
  if (written != nullptr) *written = static_cast<DWORD>(n);
  return true;
}

DWORD LinuxOs::SetFilePointer(HANDLE h, LONG low, LONG* high, DWORD method) {
  Open* o = Find(h);
  if (o == nullptr || o->fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t distance =
      high != nullptr
          ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*high)) << 32) |
                                 static_cast<uint32_t>(low))
          : low;
  const int whence = method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : SEEK_SET;
  const off_t at = ::lseek(o->fd, static_cast<off_t>(distance), whence);
  if (at < 0) {
    SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (high != nullptr) *high = static_cast<LONG>(static_cast<uint64_t>(at) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(static_cast<uint64_t>(at));
}

// --- Device requests --------------------------------------------------------

namespace {

struct SgOutcome {
  uint8_t status = 0;
  uint8_t senseLength = 0;
};

bool RunSg(int fd, const linuxos::SgCommand& c, uint8_t* sense, uint8_t senseSize,
           SgOutcome* outcome, DWORD* error) {
  sg_io_hdr_t h{};
  h.interface_id = 'S';
  h.cmd_len = c.cdbLength;
  uint8_t cdb[16];
  std::memcpy(cdb, c.cdb.data(), sizeof cdb);
  h.cmdp = cdb;
  h.dxfer_direction = c.direction;
  h.dxferp = c.data;
  h.dxfer_len = c.length;
  h.sbp = sense;
  h.mx_sb_len = senseSize;
  h.timeout = c.timeoutMs;
  if (::ioctl(fd, SG_IO, &h) < 0) {
    *error = ErrorFromErrno(errno);
    return false;
  }
  if (h.host_status != 0 || (h.driver_status & ~kSgDriverSense) != 0) {
    *error = (h.driver_status & 0x06) ? ERROR_SEM_TIMEOUT : ERROR_IO_DEVICE;
    return false;
  }
  outcome->status = h.status;
  outcome->senseLength = h.sb_len_wr;
  return true;
}

}  // namespace

bool LinuxOs::ScsiPassThrough(Open& o, void* in, DWORD inSize, void* out, DWORD outSize,
                              DWORD* returned) {
  SCSI_PASS_THROUGH_DIRECT sptd{};
  if (!LoadRequest(in, inSize, &sptd) || out == nullptr || outSize < sizeof sptd)
    return Fail(ERROR_INVALID_PARAMETER);
  const uint8_t senseSize = sptd.SenseInfoLength;
  if (senseSize > 0 &&
      (sptd.SenseInfoOffset > outSize || senseSize > outSize - sptd.SenseInfoOffset))
    return Fail(ERROR_INVALID_PARAMETER);
  uint8_t sense[255] = {};
  SgOutcome r;
  DWORD error = 0;
  if (!RunSg(o.fd, linuxos::SgFromScsiPassThrough(sptd), sense, senseSize, &r, &error))
    return Fail(error);
  sptd.ScsiStatus = r.status;
  sptd.SenseInfoLength = r.senseLength;
  std::memcpy(static_cast<uint8_t*>(out) + sptd.SenseInfoOffset, sense, r.senseLength);
  std::memcpy(out, &sptd, sizeof sptd);
  if (returned != nullptr) *returned = outSize;
  return true;
}

bool LinuxOs::AtaPassThrough(Open& o, void* in, DWORD inSize, void* out, DWORD outSize,
                             DWORD* returned) {
  ATA_PASS_THROUGH_DIRECT block{};
  if (!LoadRequest(in, inSize, &block) || out == nullptr || outSize < sizeof block)
    return Fail(ERROR_INVALID_PARAMETER);
  uint8_t sense[64] = {};
  SgOutcome r;
  DWORD error = 0;
  if (!RunSg(o.fd, linuxos::SgFromAtaPassThrough(block), sense, sizeof sense, &r, &error))
    return Fail(error);
  constexpr uint8_t kCheckCondition = 2;
  if (r.status == kCheckCondition) {
    if (!linuxos::TaskFileFromSense(std::span<const uint8_t>(sense, r.senseLength), block))
      return Fail(ERROR_IO_DEVICE);
  } else if (r.status != 0) {
    return Fail(ERROR_IO_DEVICE);
  } else {
    // GOOD without registers: report a clean, ready status.
    block.CurrentTaskFile[kTaskFileFeatures] = 0;
    block.CurrentTaskFile[kTaskFileCommand] = 0x50;
  }
  std::memcpy(out, &block, sizeof block);
  if (returned != nullptr) *returned = sizeof block;
  return true;
}

bool LinuxOs::NvmeIoctl(Open& o, bool admin, void* command, int* status) {
  const int rc = ::ioctl(o.fd, admin ? NVME_IOCTL_ADMIN_CMD : NVME_IOCTL_IO_CMD, command);
  if (rc < 0) return Fail(ErrorFromErrno(errno));
  *status = rc;
  return true;
}

bool LinuxOs::QueryProperty(Open& o, void* in, DWORD inSize, void* out, DWORD outSize,
                            DWORD* returned) {
  // Property id and query type; the additional parameters depend on them.
  if (in == nullptr || inSize < 8) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD propertyId = common::ReadLe32(BytesOf(static_cast<const void*>(in), inSize), 0);
  if (propertyId == StorageDeviceProperty) {
    if (o.disk < 0) return Fail(ERROR_INVALID_FUNCTION);
    STORAGE_DEVICE_DESCRIPTOR d{};
    d.Version = sizeof d;
    d.Size = sizeof d;
    d.BusType = disks_[static_cast<size_t>(o.disk)].busType;
    if (!StoreReply(out, outSize, d)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (returned != nullptr) *returned = sizeof d;
    return true;
  }
  return StorageNvme(o, IOCTL_STORAGE_QUERY_PROPERTY, in, inSize, out, outSize, returned);
}

bool LinuxOs::StorageNvme(Open& o, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                          DWORD* returned) {
  // These requests use one buffer for both directions.
  if (in == nullptr || in != out || inSize != outSize) return Fail(ERROR_INVALID_PARAMETER);
  std::span<uint8_t> b = BytesOf(in, inSize);
  linuxos::NvmeJob job;
  switch (code) {
    case IOCTL_STORAGE_QUERY_PROPERTY:
      job = linuxos::JobFromPropertyQuery(b);
      break;
    case IOCTL_STORAGE_PROTOCOL_COMMAND:
      job = linuxos::JobFromProtocolCommand(b);
      break;
    case IOCTL_STORAGE_FIRMWARE_DOWNLOAD:
      job = linuxos::JobFromFirmwareDownload(b);
      break;
    case IOCTL_STORAGE_FIRMWARE_ACTIVATE:
      job = linuxos::JobForFirmwareActivate(b);
      break;
    default:
      break;
  }
  if (!job.valid) return Fail(ERROR_INVALID_PARAMETER);
  nvme_passthru_cmd cmd{};
  std::memcpy(&cmd, &job.cmd, sizeof cmd);
  int status = 0;
  if (!NvmeIoctl(o, job.admin, &cmd, &status)) return false;
  if (returned != nullptr) *returned = outSize;
  switch (code) {
    case IOCTL_STORAGE_PROTOCOL_COMMAND:
      linuxos::CompleteProtocolCommand(b, status, cmd.result);
      return true;
    case IOCTL_STORAGE_QUERY_PROPERTY:
      if (status != 0) return Fail(ERROR_IO_DEVICE);
      linuxos::CompletePropertyQuery(b);
      return true;
    default:
      return status == 0 ? true : Fail(ERROR_IO_DEVICE);
  }
}

bool LinuxOs::DeviceIoControl(HANDLE h, DWORD code, void* in, DWORD inSize, void* out,
                              DWORD outSize, DWORD* returned) {
  if (returned != nullptr) *returned = 0;
  Open* o = Find(h);
  if (o == nullptr || o->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  if (o->kind == Open::kNvmeController) {
    if (code != IOCTL_SCSI_MINIPORT || in == nullptr || in != out)
      return Fail(ERROR_INVALID_FUNCTION);
    std::span<uint8_t> record = BytesOf(in, std::max(inSize, outSize));
    linuxos::NvmeJob job = linuxos::JobFromMiniportRecord(record, inSize);
    // Only the public NVMe pass-through is understood; vendor control
    // requests need the vendor's own driver.
    if (!job.valid) return Fail(ERROR_NOT_SUPPORTED);
    nvme_passthru_cmd cmd{};
    std::memcpy(&cmd, &job.cmd, sizeof cmd);
    int status = 0;
    if (!NvmeIoctl(*o, job.admin, &cmd, &status)) return false;
    linuxos::CompleteMiniportRecord(record, status, cmd.result);
    if (returned != nullptr) *returned = outSize;
    return true;
  }
  if (o->disk < 0 || static_cast<size_t>(o->disk) >= disks_.size())
    return Fail(ERROR_INVALID_HANDLE);
  const SysfsDisk& disk = disks_[static_cast<size_t>(o->disk)];
  if (o->letter != 0 && linuxos::IsVolumeRequest(code))
    return VolumeRequest(*o, code, out, outSize, returned);
  switch (code) {
    case IOCTL_STORAGE_QUERY_PROPERTY:
      return QueryProperty(*o, in, inSize, out, outSize, returned);
    case IOCTL_SCSI_GET_ADDRESS: {
      if (disk.host > 255) return Fail(ERROR_INVALID_FUNCTION);
      SCSI_ADDRESS a{sizeof(SCSI_ADDRESS), static_cast<UCHAR>(disk.host),
                     static_cast<UCHAR>(disk.channel), static_cast<UCHAR>(disk.target),
                     static_cast<UCHAR>(disk.lun)};
      if (!StoreReply(out, outSize, a)) return Fail(ERROR_INSUFFICIENT_BUFFER);
      if (returned != nullptr) *returned = sizeof a;
      return true;
    }
    case IOCTL_STORAGE_GET_DEVICE_NUMBER: {
      STORAGE_DEVICE_NUMBER n{FILE_DEVICE_DISK, static_cast<ULONG>(o->disk), 0};
      if (!StoreReply(out, outSize, n)) return Fail(ERROR_INSUFFICIENT_BUFFER);
      if (returned != nullptr) *returned = sizeof n;
      return true;
    }
    case FSCTL_SET_ZERO_DATA:
      return ZeroData(*o, in, inSize);
    case IOCTL_SCSI_PASS_THROUGH_DIRECT:
      return ScsiPassThrough(*o, in, inSize, out, outSize, returned);
    case IOCTL_ATA_PASS_THROUGH_DIRECT:
      return AtaPassThrough(*o, in, inSize, out, outSize, returned);
    case IOCTL_STORAGE_PROTOCOL_COMMAND:
    case IOCTL_STORAGE_FIRMWARE_DOWNLOAD:
    case IOCTL_STORAGE_FIRMWARE_ACTIVATE:
      if (disk.nvmeController < 0) return Fail(ERROR_INVALID_FUNCTION);
      return StorageNvme(*o, code, in, inSize, out, outSize, returned);
    case IOCTL_STORAGE_FIRMWARE_GET_INFO: {
      if (disk.nvmeController < 0) return Fail(ERROR_INVALID_FUNCTION);
      // The slot facts come from Identify Controller.
      std::vector<uint8_t> identify(linuxos::kIdentifyControllerSize, 0);
      linuxos::NvmePassthru c;
      c.opcode = kNvmeAdminIdentify;
      c.cdw10 = kNvmeCnsController;
      c.addr = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(identify.data()));
      c.dataLen = linuxos::kIdentifyControllerSize;
      nvme_passthru_cmd cmd{};
      std::memcpy(&cmd, &c, sizeof cmd);
      int status = 0;
      if (!NvmeIoctl(*o, true, &cmd, &status) || status != 0) return Fail(ERROR_IO_DEVICE);
      if (!linuxos::FirmwareInfoFromIdentify(identify, BytesOf(out, outSize)))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
      if (returned != nullptr) *returned = outSize;
      return true;
    }
    default:
      // Volume requests and the USB hub requests have no counterpart here.
      return Fail(ERROR_INVALID_FUNCTION);
  }
}

// --- Privileges -----------------------------------------------------------

bool LinuxOs::OpenProcessToken(HANDLE, DWORD, HANDLE* token) {
  auto open = std::make_unique<Open>();
  open->kind = Open::kToken;
  const HANDLE h = Add(std::move(open));
  if (token != nullptr) *token = h;
  return true;
}

bool LinuxOs::LookupPrivilegeValueA(const char*, const char* name, LUID* luid) {
  if (name == nullptr || luid == nullptr) return Fail(ERROR_NO_SUCH_PRIVILEGE);
  *luid = LUID{10, 0};
  SetLastError(ERROR_SUCCESS);
  return true;
}

bool LinuxOs::AdjustTokenPrivileges(HANDLE token, bool, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*,
                                    DWORD*) {
  Open* o = Find(token);
  if (o == nullptr || o->kind != Open::kToken) return Fail(ERROR_INVALID_HANDLE);
  // Pass-through needs CAP_SYS_RAWIO and the disk nodes open for writing
  // (root, or the disk group): without them the privilege is held in name only.
  SetLastError(DiskAccessHeld() ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
  return true;
}

}  // namespace os
