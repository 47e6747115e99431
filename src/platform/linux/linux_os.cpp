#include "platform/linux/linux_os.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/bytes.h"
#include "common/text.h"
#include "platform/ata_pass_through.h"
#include "platform/linux/ata_reply.h"
#include "platform/linux/block_scsi.h"
#include "platform/linux/controller_reset.h"
#include "platform/linux/descriptor_sense.h"
#include "platform/linux/direct_io.h"
#include "platform/linux/disk_zero.h"
#include "platform/linux/linux_open.h"
#include "platform/linux/nvme_status.h"
#include "platform/linux/nvme_translation.h"
#include "platform/linux/reset_policy.h"
#include "platform/linux/sg_translation.h"
#include "platform/linux/transfer_split.h"
#include "platform/nvme_command.h"
#include "platform/nvme_pass_through.h"
#include "platform/request_buffer.h"
#include "platform/sat_cdb.h"
#include "platform/scsi_pass_through.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"
#include "platform/volume.h"
#include "platform/zero_data.h"

namespace os {

using linuxos::SysfsDisk;

namespace {

constexpr char kPhysicalPrefix[] = "\\\\.\\PHYSICALDRIVE";
constexpr char kScsiPrefix[] = "\\\\.\\Scsi";
constexpr uint8_t kOpAtaPassThrough12 = 0xA1;

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

// A failed NVMe command on a request that carries no completion: the
// statuses a caller can act on get their own errors.
DWORD ErrorFromNvmeStatus(int status) {
  using namespace linuxos;
  if (NvmeStatusCodeType(status) == kNvmeSctGeneric) {
    constexpr uint8_t kInvalidOpcode = 0x01, kInvalidField = 0x02, kNamespaceNotReady = 0x82;
    switch (NvmeStatusCode(status)) {
      case kInvalidOpcode:
        return ERROR_NOT_SUPPORTED;
      case kInvalidField:
        return ERROR_INVALID_PARAMETER;
      case kNamespaceNotReady:
        return ERROR_NOT_READY;
      default:
        break;
    }
  }
  if (NvmeStatusCodeType(status) == kNvmeSctCommandSpecific) {
    // Firmware: invalid slot (06h), invalid image (07h), prohibited (13h).
    constexpr uint8_t kInvalidSlot = 0x06, kInvalidImage = 0x07, kProhibited = 0x13;
    const uint8_t sc = NvmeStatusCode(status);
    if (sc == kInvalidSlot || sc == kInvalidImage) return ERROR_INVALID_DATA;
    if (sc == kProhibited) return ERROR_ACCESS_DENIED;
  }
  return ERROR_IO_DEVICE;
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

LinuxOs::LinuxOs(std::string sysRoot, std::string devRoot, std::string procRoot)
    : LinuxOs(std::move(sysRoot), std::move(devRoot), std::make_shared<linuxos::KernelCalls>(),
              std::move(procRoot)) {}

LinuxOs::LinuxOs(std::string sysRoot, std::string devRoot,
                 std::shared_ptr<linuxos::KernelCalls> kernel, std::string procRoot)
    : sysRoot_(std::move(sysRoot)),
      devRoot_(std::move(devRoot)),
      procRoot_(std::move(procRoot)),
      kernel_(std::move(kernel)) {}

LinuxOs::~LinuxOs() { RestoreControlPages(); }

void LinuxOs::RestoreControlPages() {
  for (const auto& [name, restore] : controlPagesToRestore_) {
    const linuxos::OpenedNode node = kernel_->Open(devRoot_ + "/" + name, O_RDWR, false);
    const bool restored = node.fd >= 0 && linuxos::PutBackControlPage(*kernel_, node.fd, restore);
    if (node.fd >= 0) ::close(node.fd);
    if (!restored) OutputDebugStringA("[LINUX] " + name + ": descriptor sense left on");
  }
  controlPagesToRestore_.clear();
}

const std::vector<SysfsDisk>& LinuxOs::Disks() {
  if (!numbered_) {
    disks_ = linuxos::ListSysfsDisks(sysRoot_);
    numbered_ = true;
    return disks_;
  }
  // A number stays with the disk it was given to, wherever the kernel shows
  // that disk now: node names are handed out again on every replug, so the
  // node of a number is looked up afresh at each use and never kept.
  const std::vector<SysfsDisk> now = linuxos::ListSysfsDisks(sysRoot_);
  for (SysfsDisk& numbered : disks_) {
    if (numbered.name.empty()) continue;  // gone before
    const std::string identity = linuxos::StableIdentity(numbered);
    const auto at = std::find_if(now.begin(), now.end(), [&](const SysfsDisk& d) {
      return linuxos::StableIdentity(d) == identity;
    });
    if (at != now.end()) {
      numbered = *at;
    } else {
      // Its number opens nothing, and no other disk answers under its node.
      numbered.name.clear();
      numbered.devicePath.clear();
    }
  }
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
  if (linuxos::IsUsbNodeName(name)) {
    const DWORD error = linuxos::OpenUsbNode(sysRoot_, name, &open->usb);
    if (error != ERROR_SUCCESS) {
      SetLastError(error);
      return INVALID_HANDLE_VALUE;
    }
    open->kind = Open::kUsbNode;
    return Add(std::move(open));
  }
  std::string path;
  unsigned port = 0;
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
    if (n >= static_cast<int>(Disks().size()) || disks_[static_cast<size_t>(n)].name.empty()) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    open->disk = n;
    path = devRoot_ + "/" + disks_[static_cast<size_t>(n)].name;
  } else if (linuxos::DriveLetterOf(name) != 0) {
    if (!VolumeNode(name, *open, &path)) return INVALID_HANDLE_VALUE;
  } else if (StartsWith(name, kScsiPrefix)) {
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
    // Nothing else exists here.
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const int flags = (access & GENERIC_WRITE) ? O_RDWR : O_RDONLY;
  // Disks bypass the page cache: a write is done when the disk has it, and
  // a read after a pass-through write sees the media.
  const linuxos::OpenedNode node = kernel_->Open(path, flags, open->kind == Open::kDisk);
  if (node.fd < 0) {
    SetLastError(ErrorFromErrno(-node.fd));
    return INVALID_HANDLE_VALUE;
  }
  open->fd = node.fd;
  open->direct = node.direct;
  if (open->kind == Open::kDisk) {
    const SysfsDisk& disk = disks_[static_cast<size_t>(open->disk)];
    open->controller = disk.nvmeController;
    open->nvmeNamespace = disk.nvmeController >= 0 || disk.busType == BusTypeNvme;
    if (open->nvmeNamespace) open->nsid = linuxos::NamespaceOfNode(*kernel_, node.fd, disk.nsid);
    open->maxTransfer = linuxos::MaxTransferBytes(*kernel_, sysRoot_, disk.name);
  } else {
    open->controller = static_cast<int>(port - linuxos::kNvmePortBase);
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
  const off_t at = ::lseek(o->fd, 0, SEEK_CUR);
  if (at < 0) return Fail(ErrorFromErrno(errno));
  size_t moved = 0;
  const int e = linuxos::ReadAt({kernel_.get(), o->fd, o->direct}, buffer, size,
                                static_cast<uint64_t>(at), &moved);
  ::lseek(o->fd, at + static_cast<off_t>(moved), SEEK_SET);
  if (e != 0) return Fail(ErrorFromErrno(e));
  if (read != nullptr) *read = static_cast<DWORD>(moved);
  return true;
}

bool LinuxOs::WriteFile(HANDLE h, const void* buffer, DWORD size, DWORD* written) {
  if (written != nullptr) *written = 0;
  Open* o = Find(h);
  if (o == nullptr || o->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  const off_t at = ::lseek(o->fd, 0, SEEK_CUR);
  if (at < 0) return Fail(ErrorFromErrno(errno));
  if (WriteRefused(*o, static_cast<uint64_t>(at), size)) return false;
  size_t moved = 0;
  // Done only once the disk has the data (synced when the page cache is in
  // the way): a failed write is never reported as written.
  const int e = linuxos::WriteAt({kernel_.get(), o->fd, o->direct}, buffer, size,
                                 static_cast<uint64_t>(at), &moved);
  ::lseek(o->fd, at + static_cast<off_t>(moved), SEEK_SET);
  if (e != 0) return Fail(ErrorFromErrno(e));
  if (written != nullptr) *written = static_cast<DWORD>(moved);
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

DWORD LinuxOs::RunSg(Open& o, const linuxos::SgCommand& c, std::span<uint8_t> sense,
                     linuxos::SgReply* reply) {
  const int e = kernel_->SgIo(o.fd, c, sense, reply);
  if (e != 0) return ErrorFromErrno(e);
  const DWORD error = linuxos::ErrorFromSgStatus(reply->hostStatus, reply->driverStatus);
  if (error == ERROR_SEM_TIMEOUT)
    OutputDebugStringA(
        common::Format("[LINUX] SG_IO %02X timed out after %u ms", c.cdb[0], c.timeoutMs));
  return error;
}

void LinuxOs::AskForDescriptorSenseOnce(Open& o) {
  // libata writes error sense of kernels before 6.11 in a fixed format
  // with the registers out of place; descriptor sense has them right.
  const SysfsDisk& disk = disks_[static_cast<size_t>(o.disk)];
  const bool libata = disk.busType == BusTypeSata || disk.busType == BusTypeAta;
  if (!libata || !descriptorSenseAsked_.insert(o.disk).second) return;
  linuxos::DescriptorSenseAsked asked = linuxos::AskForDescriptorSense(*kernel_, o.fd);
  if (!asked.on) OutputDebugStringA("[LINUX] " + disk.name + ": descriptor sense not taken");
  if (!asked.restore.empty()) controlPagesToRestore_[disk.name] = std::move(asked.restore);
}

bool LinuxOs::ScsiOnNamespace(Open& o, SCSI_PASS_THROUGH_DIRECT& sptd, const linuxos::SgCommand& c,
                              void* out, DWORD outSize, DWORD* returned) {
  const linuxos::BlockScsiReply r =
      linuxos::AnswerFromBlockDevice({kernel_.get(), o.fd, o.direct}, c);
  // The namespace node takes no other SCSI command.
  if (!r.handled) return Fail(ERROR_INVALID_FUNCTION);
  const uint8_t senseRoom = sptd.SenseInfoLength;
  sptd.ScsiStatus = r.status;
  sptd.DataTransferLength = r.transferred;
  sptd.SenseInfoLength = std::min<uint8_t>(senseRoom, r.senseLength);
  std::memcpy(static_cast<uint8_t*>(out) + sptd.SenseInfoOffset, r.sense.data(),
              sptd.SenseInfoLength);
  std::memcpy(out, &sptd, sizeof sptd);
  if (returned != nullptr) *returned = outSize;
  return true;
}

bool LinuxOs::ScsiPassThrough(Open& o, void* in, DWORD inSize, void* out, DWORD outSize,
                              DWORD* returned) {
  SCSI_PASS_THROUGH_DIRECT sptd{};
  if (!LoadRequest(in, inSize, &sptd) || out == nullptr || outSize < sizeof sptd)
    return Fail(ERROR_INVALID_PARAMETER);
  const uint8_t senseSize = sptd.SenseInfoLength;
  if (senseSize > 0 &&
      (sptd.SenseInfoOffset > outSize || senseSize > outSize - sptd.SenseInfoOffset))
    return Fail(ERROR_INVALID_PARAMETER);
  const linuxos::SgCommand c = linuxos::SgFromScsiPassThrough(sptd);
  if (o.nvmeNamespace) return ScsiOnNamespace(o, sptd, c, out, outSize, returned);
  if (c.cdbLength > 0 && (c.cdb[0] == sat::kOpAtaPassThrough16 || c.cdb[0] == kOpAtaPassThrough12))
    AskForDescriptorSenseOnce(o);
  uint8_t sense[255] = {};
  const std::span<uint8_t> room(sense, senseSize);
  linuxos::SgReply r;
  uint32_t transferred = 0;
  if (o.maxTransfer != 0 && c.length > o.maxTransfer) {
    const linuxos::SplitOutcome split =
        linuxos::RunSplit(c, o.maxTransfer, room,
                          [&](const linuxos::SgCommand& piece, std::span<uint8_t> s,
                              linuxos::SgReply* reply) { return RunSg(o, piece, s, reply); });
    if (split.error == ERROR_INVALID_PARAMETER && split.transferred == 0) {
      OutputDebugStringA(common::Format(
          "[LINUX] SCSI %02X of %u bytes refused: %s takes at most %u bytes per command", c.cdb[0],
          c.length, disks_[static_cast<size_t>(o.disk)].name.c_str(), o.maxTransfer));
    }
    if (split.error != ERROR_SUCCESS) return Fail(split.error);
    r = split.reply;
    transferred = split.transferred;
  } else {
    const DWORD error = RunSg(o, c, room, &r);
    if (error != ERROR_SUCCESS) return Fail(error);
    transferred = c.length - static_cast<uint32_t>(
                                 std::clamp<int32_t>(r.resid, 0, static_cast<int32_t>(c.length)));
  }
  sptd.ScsiStatus = r.status;
  sptd.DataTransferLength = transferred;
  sptd.SenseInfoLength = std::min(r.senseLength, senseSize);
  std::memcpy(static_cast<uint8_t*>(out) + sptd.SenseInfoOffset, sense, sptd.SenseInfoLength);
  std::memcpy(out, &sptd, sizeof sptd);
  if (returned != nullptr) *returned = outSize;
  return true;
}

bool LinuxOs::AtaPassThrough(Open& o, void* in, DWORD inSize, void* out, DWORD outSize,
                             DWORD* returned) {
  ATA_PASS_THROUGH_DIRECT block{};
  if (!LoadRequest(in, inSize, &block) || out == nullptr || outSize < sizeof block)
    return Fail(ERROR_INVALID_PARAMETER);
  const SysfsDisk& disk = disks_[static_cast<size_t>(o.disk)];
  if (o.nvmeNamespace) return Fail(ERROR_INVALID_FUNCTION);
  AskForDescriptorSenseOnce(o);
  const linuxos::SgCommand c = linuxos::SgFromAtaPassThrough(block);
  if (o.maxTransfer != 0 && c.length > o.maxTransfer) {
    OutputDebugStringA(common::Format(
        "[LINUX] ATA %02X of %u bytes refused: %s takes at most %u bytes per command",
        block.CurrentTaskFile[kTaskFileCommand], c.length, disk.name.c_str(), o.maxTransfer));
    return Fail(ERROR_INVALID_PARAMETER);
  }
  uint8_t sense[64] = {};
  linuxos::SgReply r;
  const DWORD error = RunSg(o, c, sense, &r);
  if (error != ERROR_SUCCESS) return Fail(error);
  DWORD refused = ERROR_SUCCESS;
  if (!linuxos::JudgeAtaReply(r.status, std::span<const uint8_t>(sense, r.senseLength), block,
                              &refused))
    return Fail(refused);
  std::memcpy(out, &block, sizeof block);
  if (returned != nullptr) *returned = sizeof block;
  return true;
}

bool LinuxOs::NvmeIoctl(Open& o, bool admin, linuxos::NvmePassthru& command, int* status,
                        bool activateNow) {
  const int rc = kernel_->NvmePassthrough(o.fd, admin, command);
  if (rc < 0) {
    OutputDebugStringA(common::Format("[LINUX] NVMe %02X: %s", command.opcode, std::strerror(-rc)));
    return Fail(-rc == EINTR ? ERROR_SEM_TIMEOUT : ErrorFromErrno(-rc));
  }
  *status = rc;
  if (rc > 0) {
    OutputDebugStringA(common::Format("[LINUX] NVMe %02X: ", command.opcode) +
                       linuxos::DescribeNvmeStatus(rc, command.result));
  }
  if (admin && command.opcode == kNvmeAdminFirmwareCommit && linuxos::IsCommitResetStatus(rc)) {
    constexpr uint32_t kCommitActionShift = 3, kCommitActionMask = 0x7, kActivateNow = 3;
    const bool now =
        activateNow || ((command.cdw10 >> kCommitActionShift) & kCommitActionMask) == kActivateNow;
    const int e = ActivateAfterCommit(o.controller, rc, now);
    if (e != 0) return Fail(e == ETIMEDOUT ? ERROR_SEM_TIMEOUT : ErrorFromErrno(e));
  }
  return true;
}

int LinuxOs::ActivateAfterCommit(int controller, int status, bool activateNow) {
  linuxos::ControllerPaths paths;  // none known: no reset can be made
  if (controller >= 0) {
    const std::string name = common::Format("nvme%d", controller);
    paths = {devRoot_ + "/" + name, sysRoot_ + "/class/nvme/" + name + "/state",
             linuxos::SubsystemSiblingStates(sysRoot_, name)};
  }
  if (linuxos::NvmeStatusCode(status) != linuxos::kNvmeScNeedsConventionalReset) {
    std::string refusal;
    if (!activateNow) {
      refusal = "the image was committed for the next reset";
    } else {
      const bool subsystem = linuxos::NvmeStatusCode(status) == linuxos::kNvmeScNeedsSubsystemReset;
      refusal = linuxos::ResetRefusal(
          Disks(), Usage(), controller,
          subsystem ? linuxos::ControllersOfStates(paths.siblingStates) : std::vector<int>{});
    }
    if (!refusal.empty()) {
      // Stored: the image runs after the next reset, which this system does
      // not make under the disks that must stay.
      OutputDebugStringA(common::Format(
          "[LINUX] nvme%d: no reset after the firmware commit (%s): the new firmware runs "
          "after the next reset or reboot",
          controller, refusal.c_str()));
      return 0;
    }
  }
  const linuxos::ActivationResult r =
      linuxos::ActivateCommittedImage(*kernel_, *this, paths, status);
  // The request reports the commit's own status either way; where no reset
  // could be made, the identify data read next still show the old firmware,
  // which the update flow takes as "reboot needed".
  OutputDebugStringA(common::Format("[LINUX] nvme%d: ", controller) +
                     linuxos::DescribeActivation(r));
  return r.error;
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
  if (job.admin && job.cmd.opcode == kNvmeAdminFormatNvm &&
      !linuxos::FormatAimedAtNode(job.cmd, o.nsid)) {
    OutputDebugStringA(
        common::Format("[LINUX] Format NVM of namespace %08X refused: the handle is namespace %u",
                       job.cmd.nsid, o.nsid));
    return Fail(ERROR_INVALID_PARAMETER);
  }
  int status = 0;
  if (!NvmeIoctl(o, job.admin, job.cmd, &status, job.activateNow)) return false;
  if (returned != nullptr) *returned = outSize;
  switch (code) {
    case IOCTL_STORAGE_PROTOCOL_COMMAND:
      // The status and DW0 go back to the caller as the completion.
      linuxos::CompleteProtocolCommand(b, status, job.cmd.result);
      return true;
    case IOCTL_STORAGE_QUERY_PROPERTY:
      if (status != 0) return Fail(ERROR_IO_DEVICE);
      linuxos::CompletePropertyQuery(b);
      return true;
    case IOCTL_STORAGE_FIRMWARE_ACTIVATE:
      // Stored: activated by the reset NvmeIoctl has made, or waiting for a
      // reboot when no reset could run it.
      if (linuxos::IsCommitResetStatus(status)) return true;
      return status == 0 ? true : Fail(ErrorFromNvmeStatus(status));
    default:
      return status == 0 ? true : Fail(ErrorFromNvmeStatus(status));
  }
}

bool LinuxOs::DeviceIoControl(HANDLE h, DWORD code, void* in, DWORD inSize, void* out,
                              DWORD outSize, DWORD* returned) {
  if (returned != nullptr) *returned = 0;
  Open* o = Find(h);
  if (o != nullptr && o->kind == Open::kUsbNode) {
    const DWORD error =
        linuxos::UsbNodeRequest(sysRoot_, o->usb, code, in, inSize, out, outSize, returned);
    return error == ERROR_SUCCESS ? true : Fail(error);
  }
  if (o == nullptr || o->fd < 0) return Fail(ERROR_INVALID_HANDLE);
  if (o->kind == Open::kNvmeController) {
    if (code != IOCTL_SCSI_MINIPORT || in == nullptr || in != out)
      return Fail(ERROR_INVALID_FUNCTION);
    std::span<uint8_t> record = BytesOf(in, std::max(inSize, outSize));
    linuxos::NvmeJob job = linuxos::JobFromMiniportRecord(record, inSize);
    // Only the public NVMe pass-through is understood; vendor control
    // requests need the vendor's own driver.
    if (!job.valid) return Fail(ERROR_NOT_SUPPORTED);
    int status = 0;
    if (!NvmeIoctl(*o, job.admin, job.cmd, &status)) return false;
    linuxos::CompleteMiniportRecord(record, status, job.cmd.result);
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
      // An NVMe namespace is a LUN of its controller, as the inbox driver
      // presents it: LUN = namespace id - 1.
      uint32_t lun = disk.lun;
      if (o->nvmeNamespace) {
        if (o->nsid == 0 || o->nsid > 256) return Fail(ERROR_INVALID_FUNCTION);
        lun = o->nsid - 1;
      }
      SCSI_ADDRESS a{sizeof(SCSI_ADDRESS), static_cast<UCHAR>(disk.host),
                     static_cast<UCHAR>(disk.channel), static_cast<UCHAR>(disk.target),
                     static_cast<UCHAR>(lun)};
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
      c.timeoutMs = linuxos::kNvmeDefaultTimeoutMs;
      int status = 0;
      if (!NvmeIoctl(*o, true, c, &status)) return false;
      if (status != 0) return Fail(ErrorFromNvmeStatus(status));
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
