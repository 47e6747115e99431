#include "lab/bridges/usb_nvme_bridge.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "lab/bridges/nvme_access.h"
#include "lab/bridges/scsi_reply.h"

namespace lab {
namespace {

constexpr uint8_t kBufferPacket = 0;
constexpr uint8_t kBufferData = 1;
constexpr uint8_t kBufferStatus = 2;

constexpr size_t kSubmissionBytes = 64;
constexpr size_t kPacketQueueByte = 68;
constexpr size_t kStatusFlagsByte = 4;
constexpr size_t kStatusCompletion = 8;
constexpr size_t kGpioValue = 4;
constexpr size_t kGpioString = 13;
constexpr size_t kGpioStringBytes = 30;

constexpr uint8_t kGpioReady = 4;
constexpr uint8_t kGpioSlot = 6;
constexpr uint8_t kGpioString7 = 7;

uint32_t TransferLength(const ScsiCommand& c) {
  const uint32_t cdbLength = uint32_t{c.cdb[6]} << 16 | uint32_t{c.cdb[7]} << 8 | c.cdb[8];
  return std::min<uint32_t>(cdbLength, static_cast<uint32_t>(c.data.size()));
}

}  // namespace

UsbNvmeBridge::UsbNvmeBridge(std::unique_ptr<NvmeController> controller, Options options)
    : controller_(std::move(controller)),
      options_(std::move(options)),
      translation_(*controller_, options_.inquiry, "ASMT") {}

ScsiResult UsbNvmeBridge::ExecuteScsi(const ScsiCommand& c) {
  if (!c.cdb.empty() && (c.cdb[0] == scsi::kWriteBuffer || c.cdb[0] == scsi::kReadBuffer)) {
    if (c.cdb.size() < 10 || c.cdb[1] != kTunnelMode) {
      return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
    }
    return c.cdb[0] == scsi::kWriteBuffer ? WriteBuffer(c) : ReadBuffer(c);
  }
  if (auto r = translation_.Execute(c)) return *r;
  return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidOpcode);
}

ScsiResult UsbNvmeBridge::WriteBuffer(const ScsiCommand& c) {
  const uint32_t length = TransferLength(c);
  switch (c.cdb[2]) {
    case kBufferPacket: {
      if (length <= kPacketQueueByte) {
        return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
      }
      packet_.fill(0);
      scsi::CopyOut(packet_, c.data.first(length));
      const bool allZero = std::all_of(packet_.begin(), packet_.begin() + kSubmissionBytes,
                                       [](uint8_t b) { return b == 0; });
      pending_ = allZero ? Pending::kGpio : Pending::kCommand;
      statusValid_ = false;
      return scsi::Good(length);
    }
    case kBufferData:
      if (pending_ != Pending::kCommand) {
        return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscSequenceError);
      }
      return RunCommand(c.data.first(length), length);
    default:
      return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  }
}

ScsiResult UsbNvmeBridge::ReadBuffer(const ScsiCommand& c) {
  const uint32_t length = TransferLength(c);
  std::span<uint8_t> out = c.data.first(length);
  std::fill(out.begin(), out.end(), 0);
  switch (c.cdb[2]) {
    case kBufferData:
      if (pending_ == Pending::kGpio) {
        pending_ = Pending::kNone;
        return scsi::Good(scsi::CopyOut(out, GpioAnswer()));
      }
      if (pending_ != Pending::kCommand) {
        return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscSequenceError);
      }
      return RunCommand(out, length);
    case kBufferStatus: {
      std::vector<uint8_t> status(kPacketBytes, 0);
      std::memcpy(status.data(), "NVMe", 4);
      if (statusValid_) {
        status[kStatusFlagsByte] = 0x01;
        common::WriteLe32(status, kStatusCompletion, last_.dw0);
        common::WriteLe32(status, kStatusCompletion + 12, NvmeCompletionDw3(last_));
      }
      return scsi::Good(scsi::CopyOut(out, status));
    }
    default:
      return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  }
}

ScsiResult UsbNvmeBridge::RunCommand(std::span<uint8_t> data, uint32_t transferBytes) {
  const std::span<const uint8_t> p(packet_);
  NvmeSubmission s;
  s.opcode = p[0];
  s.nsid = common::ReadLe32(p, 4);
  for (size_t i = 0; i < s.cdw.size(); ++i) s.cdw[i] = common::ReadLe32(p, 40 + 4 * i);
  s.admin = p[kPacketQueueByte] == 0;
  s.direction = NvmeOpcodeDirection(s.opcode);
  // A command without data had the host read scratch bytes: they stay zero.
  s.data = s.direction == DataDirection::kNone ? std::span<uint8_t>() : data;
  pending_ = Pending::kNone;
  const NvmeCompletion r = controller_->ExecuteNvme(s);
  if (!r.delivered) return scsi::NotDelivered(r.timedOut);
  last_ = r;
  statusValid_ = true;
  // Formatting or managing namespaces changes what the disk looks like.
  if (s.admin && (s.opcode == kNvmeAdminFormatNvm || s.opcode == kNvmeAdminNamespaceManagement ||
                  s.opcode == kNvmeAdminNamespaceAttachment)) {
    translation_.Forget();
  }
  return scsi::Good(transferBytes);
}

std::vector<uint8_t> UsbNvmeBridge::GpioAnswer() const {
  std::vector<uint8_t> a(kPacketBytes, 0);
  std::memcpy(a.data(), "GPIO", 4);
  switch (packet_[kPacketQueueByte]) {
    case kGpioReady:
      common::WriteLe32(a, kGpioValue, options_.ready);
      break;
    case kGpioSlot:
      common::WriteLe32(a, kGpioValue, options_.slot & 0x7F);
      break;
    case kGpioString7:
      std::memcpy(a.data() + kGpioString, options_.bridgeString.data(),
                  std::min(options_.bridgeString.size(), kGpioStringBytes));
      break;
    default:
      break;
  }
  return a;
}

}  // namespace lab
