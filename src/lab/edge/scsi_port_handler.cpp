// Requests on a SCSI port handle: the maker's NVMe miniport answers "NvmeMini"
// pass-through and "VkmCtrl " control requests; every port forwards SCSI
// pass-through to the disk its address names.
#include "lab/edge/scsi_port_handler.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "lab/bridges/nvme_access.h"
#include "platform/nvme_pass_through.h"
#include "platform/request_buffer.h"
#include "platform/scsi_pass_through.h"

namespace lab::edge {
namespace {

constexpr char kControlSignature[] = "VkmCtrl ";
constexpr os::DWORD kControlUnlock = 0xE0001C14u;
constexpr os::DWORD kControlLocation = 0xE0001C00u;
constexpr os::DWORD kControlPciIds = 0xE0001C28u;
constexpr size_t kHeader = os::kNvmePassThroughHeaderSize;
constexpr size_t kCommand = offsetof(os::NVME_PASS_THROUGH_IOCTL, NVMeCmd);
constexpr size_t kCompletion = offsetof(os::NVME_PASS_THROUGH_IOCTL, CplEntry);
constexpr size_t kDirection = offsetof(os::NVME_PASS_THROUGH_IOCTL, Direction);
constexpr size_t kQueue = offsetof(os::NVME_PASS_THROUGH_IOCTL, QueueId);
constexpr size_t kDataLength = offsetof(os::NVME_PASS_THROUGH_IOCTL, DataBufferLen);
constexpr size_t kReturnLength = offsetof(os::NVME_PASS_THROUGH_IOCTL, ReturnBufferLen);
constexpr size_t kReturnCode = offsetof(os::SRB_IO_CONTROL, ReturnCode);

// "PCI bus 3, device 0, function 1" -> 0x030001, the way the driver reports it.
uint32_t LocationCode(const std::string& text) {
  uint32_t n[3] = {0, 0, 0};
  int which = -1;
  bool inNumber = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (!inNumber) {
        if (++which == 3) break;
        inNumber = true;
      }
      n[which] = n[which] * 10 + static_cast<uint32_t>(c - '0');
      if (n[which] > 0xFFFF) return 0;
    } else {
      inNumber = false;
    }
  }
  return (n[0] & 0xFF) << 16 | (n[1] << 3 & 0xF8) | (n[2] & 0x07);
}

}  // namespace

Reply ScsiPortHandler::Control(const Request& r) {
  ScsiPort& port = *r.target.port;
  if (r.code == os::IOCTL_SCSI_MINIPORT) return Miniport(r, port);
  if (r.code == os::IOCTL_SCSI_PASS_THROUGH_DIRECT) {
    os::SCSI_PASS_THROUGH_DIRECT sptd{};
    if (!os::LoadRequest(r.in, r.inSize, &sptd)) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
    for (LabDisk* d : port.disks) {
      if (d->PathId() == sptd.PathId && d->TargetId() == sptd.TargetId && d->Lun() == sptd.Lun)
        return passThrough_.Scsi(r, *d);
    }
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  return Reply::Fail(os::ERROR_INVALID_FUNCTION);
}

Reply ScsiPortHandler::Miniport(const Request& r, ScsiPort& port) {
  if (port.driver != PortDriver::kMakerMiniport || port.disks.empty()) {
    return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  }
  os::SRB_IO_CONTROL srb{};
  if (!os::LoadRequest(r.in, r.inSize, &srb) || srb.HeaderLength < sizeof srb ||
      uint64_t{srb.HeaderLength} + srb.Length > std::max(r.inSize, r.outSize)) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  // The port driver works on one system buffer as large as the larger of the
  // two: the input is copied into it and it is copied back out.
  std::vector<uint8_t> buf(std::max(r.inSize, r.outSize), 0);
  std::memcpy(buf.data(), r.in, r.inSize);
  if (port.silent) return ctx_.Unanswered(true, srb.Timeout);
  if (buf.size() < kHeader) return Reply::Fail(os::ERROR_INVALID_PARAMETER);

  LabDisk& disk = *port.disks.front();
  NvmeController& nvme = *disk.Nvme();
  const uint32_t dataLength = common::ReadLe32(buf, kDataLength);
  if (dataLength > buf.size() - kHeader) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  const std::span<uint8_t> data = std::span<uint8_t>(buf).subspan(kHeader, dataLength);
  const bool control = std::memcmp(srb.Signature, kControlSignature, 8) == 0;
  const bool passThrough = std::memcmp(srb.Signature, os::NVME_SIG_STR, 8) == 0 &&
                           srb.ControlCode == os::NVME_PASS_THROUGH_SRB_IO_CODE;

  if (control) {
    // The miniport keeps its own state and knows where its controller sits;
    // everything else is the controller firmware's to answer.
    switch (srb.ControlCode) {
      case kControlUnlock:
        port.locked = false;
        nvme.HandleControlRequest(srb.ControlCode, data);
        break;
      case kControlLocation:
        common::WriteLe32(data, 0, LocationCode(port.pciLocation));
        break;
      default:
        if (nvme.HandleControlRequest(srb.ControlCode, data)) break;
        if (srb.ControlCode != kControlPciIds) return Reply::Fail(os::ERROR_NOT_SUPPORTED);
        common::WriteLe32(data, 0, uint32_t{port.pciDevice} << 16 | port.pciVendor);
        break;
    }
  } else if (passThrough) {
    if (port.locked) return Reply::Fail(os::ERROR_IO_DEVICE);
    NvmeSubmission s;
    s.opcode = static_cast<uint8_t>(common::ReadLe32(buf, kCommand));
    s.nsid = common::ReadLe32(buf, kCommand + 4 * os::kNvmeNsid);
    for (size_t i = 0; i < s.cdw.size(); ++i)
      s.cdw[i] = common::ReadLe32(buf, kCommand + 4 * (os::kNvmeCdw10 + i));
    s.admin = common::ReadLe32(buf, kQueue) == 0;
    switch (common::ReadLe32(buf, kDirection)) {
      case os::NVME_FROM_HOST_TO_DEV:
        s.direction = DataDirection::kOut;
        break;
      case os::NVME_FROM_DEV_TO_HOST:
        s.direction = DataDirection::kIn;
        break;
      default:
        s.direction = DataDirection::kNone;
        break;
    }
    if (s.direction != DataDirection::kNone) s.data = data;
    const NvmeCompletion c = nvme.ExecuteNvme(s);
    if (!c.delivered) return ctx_.Unanswered(c.timedOut, srb.Timeout);
    common::WriteLe32(buf, kCompletion, c.dw0);
    common::WriteLe32(buf, kCompletion + 4, 0);
    common::WriteLe32(buf, kCompletion + 8, 0);
    common::WriteLe32(buf, kCompletion + 12, NvmeCompletionDw3(c));
  } else {
    return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  }
  common::WriteLe32(buf, kReturnCode, 0);
  const size_t back = std::min<size_t>(r.outSize, buf.size());
  if (r.out != nullptr) std::memcpy(r.out, buf.data(), back);
  const uint32_t returnLength = common::ReadLe32(buf, kReturnLength);
  return Reply::Done(
      static_cast<os::DWORD>(std::min<size_t>(back, returnLength ? returnLength : back)));
}

}  // namespace lab::edge
