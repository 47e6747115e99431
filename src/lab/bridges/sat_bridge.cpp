#include "lab/bridges/sat_bridge.h"

#include <algorithm>

#include "common/bytes.h"
#include "lab/bridges/ata_access.h"
#include "lab/bridges/scsi_reply.h"

namespace lab {
namespace {

// ATA PASS-THROUGH protocol field values (CDB byte 1, bits 4..1).
enum SatProtocol : uint8_t {
  kNonData = 3,
  kPioIn = 4,
  kPioOut = 5,
  kDma = 6,
  kUdmaIn = 10,
  kUdmaOut = 11,
  kReturnResponse = 15,
};

// CDB byte 2 bits.
constexpr uint8_t kCkCond = 0x20;
constexpr uint8_t kTDirIn = 0x08;
constexpr uint8_t kBytBlok = 0x04;
constexpr uint8_t kTLengthMask = 0x03;

}  // namespace

ScsiResult SatBridge::ExecuteScsi(const ScsiCommand& c) {
  if (c.cdb.empty()) return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidOpcode);
  const std::span<const uint8_t> cdb(c.cdb);
  switch (cdb[0]) {
    case scsi::kTestUnitReady:
    case scsi::kStartStopUnit:
      return scsi::Good();
    case scsi::kRequestSense: {
      std::vector<uint8_t> none(scsi::kFixedSenseLength, 0);
      none[0] = 0x70;
      none[7] = scsi::kFixedSenseLength - 8;
      const size_t allocation = std::min<size_t>(c.data.size(), common::Read8(cdb, 4));
      return scsi::Good(scsi::CopyOut(c.data.first(allocation), none));
    }
    case scsi::kInquiry:
      return Inquiry(c);
    case scsi::kReadCapacity10:
      return ReadCapacity(c, false);
    case scsi::kServiceActionIn16:
      if (cdb.size() >= 16 && (cdb[1] & 0x1F) == scsi::kReadCapacity16Action)
        return ReadCapacity(c, true);
      break;
    case scsi::kRead10:
    case scsi::kWrite10:
      if (cdb.size() < 10) break;
      return ReadWrite(c, cdb[0] == scsi::kWrite10, common::ReadBe32(cdb, 2),
                       common::ReadBe16(cdb, 7));
    case scsi::kRead16:
    case scsi::kWrite16:
      if (cdb.size() < 16) break;
      return ReadWrite(c, cdb[0] == scsi::kWrite16, common::ReadBe64(cdb, 2),
                       common::ReadBe32(cdb, 10));
    case scsi::kSynchronizeCache10: {
      AtaCommand flush;
      flush.extended = true;
      flush.current.device = 0x40;
      flush.current.command = kAtaFlushCacheExt;
      const AtaResult r = drive_->ExecuteAta(flush);
      if (!r.delivered) return scsi::NotDelivered(r.timedOut);
      return scsi::Good();
    }
    case scsi::kModeSense6:
    case scsi::kModeSense10:
      return ModeSense(c, cdb[0] == scsi::kModeSense10);
    case scsi::kAtaPassThrough16:
    case scsi::kAtaPassThrough12:
      if (options_.passThrough) return PassThrough(c);
      break;
    default:
      break;
  }
  return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidOpcode);
}

ScsiResult SatBridge::Inquiry(const ScsiCommand& c) {
  if (c.cdb.size() < 6)
    return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  if (c.cdb[1] & 0x01) {  // vital product data pages are not offered
    return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  }
  bool delivered = true;
  const AtaIdentityText* text = Identity(delivered);
  if (!delivered) return scsi::NotDelivered(false);
  const AtaIdentityText none;
  if (text == nullptr) text = &none;
  const std::vector<uint8_t> data =
      BuildInquiry(options_.inquiry, "ATA", text->model.substr(0, 16), text->firmware.substr(0, 4));
  const size_t allocation = std::min<size_t>(scsi::InquiryAllocationLength(c.cdb), c.data.size());
  return scsi::Good(scsi::CopyOut(c.data.first(allocation), data));
}

const AtaIdentityText* SatBridge::Identity(bool& delivered) {
  delivered = true;
  if (!identity_) {
    const std::vector<uint8_t> id = AtaIdentify(*drive_, &delivered);
    if (!id.empty()) identity_ = DecodeAtaIdentify(id);
  }
  return identity_ ? &*identity_ : nullptr;
}

ScsiResult SatBridge::ReadCapacity(const ScsiCommand& c, bool sixteen) {
  bool delivered = true;
  const AtaIdentityText* id = Identity(delivered);
  if (!delivered) return scsi::NotDelivered(false);
  if (id == nullptr) return scsi::CheckCondition(scsi::kKeyNotReady, scsi::kAscNotReady);
  const uint64_t sectors = id->sectors;
  const uint64_t last = sectors == 0 ? 0 : sectors - 1;
  if (!sixteen) {
    std::vector<uint8_t> d(8, 0);
    common::WriteBe32(d, 0, last > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(last));
    common::WriteBe32(d, 4, kAtaSectorBytes);
    return scsi::Good(scsi::CopyOut(c.data, d));
  }
  std::vector<uint8_t> d(32, 0);
  common::WriteBe64(d, 0, last);
  common::WriteBe32(d, 8, kAtaSectorBytes);
  const size_t allocation = std::min<size_t>(common::ReadBe32(c.cdb, 10), c.data.size());
  return scsi::Good(scsi::CopyOut(c.data.first(allocation), d));
}

ScsiResult SatBridge::ReadWrite(const ScsiCommand& c, bool write, uint64_t lba, uint32_t count) {
  if (count == 0) return scsi::Good();
  const uint64_t bytes = uint64_t{count} * kAtaSectorBytes;
  if (c.data.size() < bytes) {
    return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  }
  bool delivered = true;
  const AtaIdentityText* id = Identity(delivered);
  if (!delivered) return scsi::NotDelivered(false);
  if (id == nullptr) return scsi::CheckCondition(scsi::kKeyNotReady, scsi::kAscNotReady);
  const uint64_t sectors = id->sectors;
  if (lba > sectors || count > sectors - lba) {
    return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscLbaOutOfRange);
  }
  const TransferOutcome o =
      AtaTransfer(*drive_, write, lba, count, c.data.first(bytes), c.timeoutSeconds);
  return scsi::FromTransfer(o, write, static_cast<uint32_t>(bytes));
}

ScsiResult SatBridge::ModeSense(const ScsiCommand& c, bool ten) {
  // An empty mode parameter header: no block descriptors, no pages.
  std::vector<uint8_t> d(ten ? 8 : 4, 0);
  if (ten) {
    common::WriteBe16(d, 0, 6);
  } else {
    d[0] = 3;
  }
  return scsi::Good(scsi::CopyOut(c.data, d));
}

ScsiResult SatBridge::PassThrough(const ScsiCommand& c) {
  const bool sixteen = c.cdb[0] == scsi::kAtaPassThrough16;
  if (c.cdb.size() < (sixteen ? 16u : 12u)) {
    return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  }
  const std::span<const uint8_t> cdb(c.cdb);
  const uint8_t protocol = (cdb[1] >> 1) & 0x0F;
  const bool extend = sixteen && (cdb[1] & 0x01);
  const uint8_t flags = cdb[2];

  AtaCommand a;
  a.extended = extend;
  if (sixteen) {
    a.current = {cdb[4], cdb[6], cdb[8], cdb[10], cdb[12], cdb[13], cdb[14]};
    if (extend) a.previous = {cdb[3], cdb[5], cdb[7], cdb[9], cdb[11], 0, 0};
  } else {
    a.current = {cdb[3], cdb[4], cdb[5], cdb[6], cdb[7], cdb[8], cdb[9]};
  }
  a.timeoutSeconds = c.timeoutSeconds;

  switch (protocol) {
    case kNonData:
      a.direction = DataDirection::kNone;
      break;
    case kPioIn:
    case kUdmaIn:
      a.direction = DataDirection::kIn;
      break;
    case kPioOut:
    case kUdmaOut:
      a.direction = DataDirection::kOut;
      break;
    case kDma:
      a.direction = (flags & kTDirIn) ? DataDirection::kIn : DataDirection::kOut;
      break;
    default:
      return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  }
  a.dma = protocol == kDma || protocol == kUdmaIn || protocol == kUdmaOut;

  // The transfer length the CDB names: the features or count field, in 512-byte
  // blocks or bytes; a zero count means 256 (65536 with extend) as in ATA.
  size_t length = 0;
  if (a.direction != DataDirection::kNone) {
    const uint8_t tLength = flags & kTLengthMask;
    uint32_t units = 0;
    if (tLength == 1) {
      units =
          extend ? (uint32_t{a.previous.features} << 8 | a.current.features) : a.current.features;
    } else if (tLength == 2) {
      units = extend ? (uint32_t{a.previous.sectorCount} << 8 | a.current.sectorCount)
                     : a.current.sectorCount;
      if (units == 0) units = extend ? 65536 : 256;
    } else if (tLength == 3) {
      units = static_cast<uint32_t>(c.data.size());
    }
    length = (tLength != 3 && (flags & kBytBlok)) ? size_t{units} * kAtaSectorBytes : units;
    // A host buffer shorter than the CDB says ends the transfer early.
    length = std::min(length, c.data.size());
    if (tLength == 0) {
      return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
    }
  }
  a.data = c.data.first(length);

  const AtaResult r = drive_->ExecuteAta(a);
  if (!r.delivered) return scsi::NotDelivered(r.timedOut);
  // A drive that leaves the count at 0 moved the whole buffer.
  const uint32_t moved =
      r.bytesTransferred == 0
          ? static_cast<uint32_t>(length)
          : std::min<uint32_t>(r.bytesTransferred, static_cast<uint32_t>(length));
  if (r.current.command & kAtaStatusErr) {
    return scsi::AtaStatusReturn(scsi::kKeyAbortedCommand, scsi::kAscAtaInformationAvailable, r,
                                 extend, moved);
  }
  if (flags & kCkCond) {
    return scsi::AtaStatusReturn(scsi::kKeyRecoveredError, scsi::kAscAtaInformationAvailable, r,
                                 extend, moved);
  }
  return scsi::Good(moved);
}

}  // namespace lab
