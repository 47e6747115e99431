#include "lab/bridges/nvme_scsi_translation.h"

#include <algorithm>

#include "common/bytes.h"
#include "lab/bridges/nvme_access.h"
#include "lab/bridges/scsi_reply.h"

namespace lab {
namespace {

constexpr uint32_t kCnsNamespace = 0;
constexpr uint32_t kCnsController = 1;

}  // namespace

std::optional<ScsiResult> NvmeScsiTranslation::Execute(const ScsiCommand& c) {
  if (c.cdb.empty()) return std::nullopt;
  const std::span<const uint8_t> cdb(c.cdb);
  switch (cdb[0]) {
    case scsi::kTestUnitReady:
    case scsi::kStartStopUnit:
      return scsi::Good();
    case scsi::kInquiry:
      return Inquiry(c);
    case scsi::kReadCapacity10:
      return ReadCapacity(c, false);
    case scsi::kServiceActionIn16:
      if (cdb.size() >= 16 && (cdb[1] & 0x1F) == scsi::kReadCapacity16Action)
        return ReadCapacity(c, true);
      return std::nullopt;
    case scsi::kRead10:
    case scsi::kWrite10:
      if (cdb.size() < 10) return std::nullopt;
      return ReadWrite(c, cdb[0] == scsi::kWrite10, common::ReadBe32(cdb, 2),
                       common::ReadBe16(cdb, 7));
    case scsi::kRead16:
    case scsi::kWrite16:
      if (cdb.size() < 16) return std::nullopt;
      return ReadWrite(c, cdb[0] == scsi::kWrite16, common::ReadBe64(cdb, 2),
                       common::ReadBe32(cdb, 10));
    case scsi::kSynchronizeCache10: {
      NvmeSubmission flush;
      flush.admin = false;
      flush.opcode = kNvmeIoFlush;
      flush.nsid = nsid_;
      const NvmeCompletion r = controller_.ExecuteNvme(flush);
      if (!r.delivered) return scsi::NotDelivered(r.timedOut);
      return scsi::Good();
    }
    default:
      return std::nullopt;
  }
}

ScsiResult NvmeScsiTranslation::Inquiry(const ScsiCommand& c) {
  if (c.cdb.size() < 6 || (c.cdb[1] & 0x01)) {
    return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  }
  bool delivered = true;
  const auto id = NvmeIdentify(controller_, kCnsController, 0, &delivered);
  if (!delivered) return scsi::NotDelivered(false);
  const NvmeControllerText text = DecodeNvmeIdentify(id);
  const std::vector<uint8_t> data =
      BuildInquiry(inquiry_, fallbackVendor_, text.model.substr(0, 16), text.firmware.substr(0, 4));
  const size_t allocation = std::min<size_t>(scsi::InquiryAllocationLength(c.cdb), c.data.size());
  return scsi::Good(scsi::CopyOut(c.data.first(allocation), data));
}

const NvmeControllerText* NvmeScsiTranslation::ControllerText(bool& delivered) {
  delivered = true;
  if (!controllerText_) {
    const auto id = NvmeIdentify(controller_, kCnsController, 0, &delivered);
    if (!id.empty()) controllerText_ = DecodeNvmeIdentify(id);
  }
  return controllerText_ ? &*controllerText_ : nullptr;
}

const NvmeNamespaceGeometry* NvmeScsiTranslation::Geometry(bool& delivered) {
  delivered = true;
  if (!geometry_) {
    const auto ns = NvmeIdentify(controller_, kCnsNamespace, nsid_, &delivered);
    if (!ns.empty()) geometry_ = DecodeNvmeNamespace(ns);
  }
  return geometry_ ? &*geometry_ : nullptr;
}

ScsiResult NvmeScsiTranslation::ReadCapacity(const ScsiCommand& c, bool sixteen) {
  bool delivered = true;
  const NvmeNamespaceGeometry* geometry = Geometry(delivered);
  if (!delivered) return scsi::NotDelivered(false);
  if (geometry == nullptr) return scsi::CheckCondition(scsi::kKeyNotReady, scsi::kAscNotReady);
  const NvmeNamespaceGeometry& g = *geometry;
  const uint64_t last = g.blocks == 0 ? 0 : g.blocks - 1;
  if (!sixteen) {
    std::vector<uint8_t> d(8, 0);
    common::WriteBe32(d, 0, last > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(last));
    common::WriteBe32(d, 4, g.blockBytes);
    return scsi::Good(scsi::CopyOut(c.data, d));
  }
  std::vector<uint8_t> d(32, 0);
  common::WriteBe64(d, 0, last);
  common::WriteBe32(d, 8, g.blockBytes);
  const size_t allocation = std::min<size_t>(common::ReadBe32(c.cdb, 10), c.data.size());
  return scsi::Good(scsi::CopyOut(c.data.first(allocation), d));
}

ScsiResult NvmeScsiTranslation::ReadWrite(const ScsiCommand& c, bool write, uint64_t lba,
                                          uint32_t count) {
  if (count == 0) return scsi::Good();
  bool delivered = true;
  const NvmeNamespaceGeometry* geometry = Geometry(delivered);
  if (!delivered) return scsi::NotDelivered(false);
  if (geometry == nullptr) return scsi::CheckCondition(scsi::kKeyNotReady, scsi::kAscNotReady);
  const NvmeNamespaceGeometry g = *geometry;
  const uint64_t bytes = uint64_t{count} * g.blockBytes;
  if (c.data.size() < bytes) {
    return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidFieldInCdb);
  }
  if (lba > g.blocks || count > g.blocks - lba) {
    return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscLbaOutOfRange);
  }
  return scsi::FromTransfer(
      NvmeTransfer(controller_, write, lba, count, g.blockBytes, c.data.first(bytes), nsid_), write,
      static_cast<uint32_t>(bytes));
}

ScsiResult NvmeScsiDisk::ExecuteScsi(const ScsiCommand& c) {
  if (auto r = translation_.Execute(c)) return *r;
  return scsi::CheckCondition(scsi::kKeyIllegalRequest, scsi::kAscInvalidOpcode);
}

}  // namespace lab
