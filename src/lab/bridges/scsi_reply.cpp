#include "lab/bridges/scsi_reply.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"

namespace lab::scsi {
namespace {

constexpr size_t kInquiryLength = 96;
constexpr size_t kInquiryVendorOffset = 8;
constexpr size_t kInquiryProductOffset = 16;
constexpr size_t kInquiryRevisionOffset = 32;

}  // namespace

ScsiResult Good(uint32_t bytesTransferred) {
  ScsiResult r;
  r.status = kScsiStatusGood;
  r.bytesTransferred = bytesTransferred;
  return r;
}

ScsiResult CheckCondition(uint8_t key, Asc asc) {
  ScsiResult r;
  r.status = kScsiStatusCheckCondition;
  r.sense.assign(kFixedSenseLength, 0);
  r.sense[0] = 0x70;  // current error, fixed format
  r.sense[2] = key;
  r.sense[7] = kFixedSenseLength - 8;
  r.sense[12] = asc.code;
  r.sense[13] = asc.qualifier;
  return r;
}

ScsiResult AtaStatusReturn(uint8_t key, Asc asc, const AtaResult& regs, bool extend,
                           uint32_t bytesTransferred) {
  ScsiResult r;
  r.status = kScsiStatusCheckCondition;
  r.bytesTransferred = bytesTransferred;
  r.sense.assign(kAtaStatusSenseLength, 0);
  std::span<uint8_t> s(r.sense);
  s[0] = 0x72;  // current error, descriptor format
  s[1] = key;
  s[2] = asc.code;
  s[3] = asc.qualifier;
  s[7] = kAtaStatusSenseLength - 8;
  std::span<uint8_t> d = s.subspan(8);
  d[0] = kAtaStatusReturnDescriptor;
  d[1] = 0x0C;
  d[2] = extend ? 0x01 : 0x00;
  d[3] = regs.current.features;  // error
  d[5] = regs.current.sectorCount;
  d[7] = regs.current.lbaLow;
  d[9] = regs.current.lbaMid;
  d[11] = regs.current.lbaHigh;
  if (extend) {
    d[4] = regs.previous.sectorCount;
    d[6] = regs.previous.lbaLow;
    d[8] = regs.previous.lbaMid;
    d[10] = regs.previous.lbaHigh;
  }
  d[12] = regs.current.device;
  d[13] = regs.current.command;  // status
  return r;
}

ScsiResult NotDelivered(bool timedOut) {
  ScsiResult r;
  r.delivered = false;
  r.timedOut = timedOut;
  return r;
}

uint32_t CopyOut(std::span<uint8_t> to, std::span<const uint8_t> from) {
  const size_t n = std::min(to.size(), from.size());
  if (n > 0) std::memcpy(to.data(), from.data(), n);
  return static_cast<uint32_t>(n);
}

void PutPadded(std::span<uint8_t> field, const std::string& text) {
  for (size_t i = 0; i < field.size(); ++i)
    field[i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

std::vector<uint8_t> StandardInquiry(const std::string& vendor, const std::string& product,
                                     const std::string& revision, bool removable, uint8_t format) {
  std::vector<uint8_t> d(kInquiryLength, 0);
  d[0] = 0x00;  // connected direct-access block device
  d[1] = removable ? 0x80 : 0x00;
  d[2] = 0x06;  // SPC-4
  d[3] = format;
  d[4] = static_cast<uint8_t>(kInquiryLength - 5);
  std::span<uint8_t> s(d);
  PutPadded(s.subspan(kInquiryVendorOffset, 8), vendor);
  PutPadded(s.subspan(kInquiryProductOffset, 16), product);
  PutPadded(s.subspan(kInquiryRevisionOffset, 4), revision);
  return d;
}

uint32_t InquiryAllocationLength(const std::vector<uint8_t>& cdb) {
  return common::ReadBe16(cdb, 3);
}

ScsiResult FromTransfer(TransferOutcome o, bool write, uint32_t bytes) {
  switch (o) {
    case TransferOutcome::kOk:
      return Good(bytes);
    case TransferOutcome::kDeviceError:
      return CheckCondition(kKeyMediumError, write ? kAscWriteError : kAscUnrecoveredReadError);
    case TransferOutcome::kNotDelivered:
      return NotDelivered(false);
    case TransferOutcome::kTimedOut:
      return NotDelivered(true);
  }
  return CheckCondition(kKeyHardwareError, kAscInternalTargetFailure);
}

}  // namespace lab::scsi
