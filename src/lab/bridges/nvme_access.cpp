#include "lab/bridges/nvme_access.h"

#include "common/bytes.h"
#include "common/text.h"

namespace lab {
namespace {

constexpr size_t kIdSerial = 4;
constexpr size_t kIdModel = 24;
constexpr size_t kIdFirmware = 64;
constexpr size_t kNsSize = 0;
constexpr size_t kNsFlbas = 26;
constexpr size_t kNsLbaFormats = 128;
constexpr uint32_t kMaxBlocksPerCommand = 65536;

std::string Text(std::span<const uint8_t> b, size_t off, size_t len) {
  if (!common::Fits(b.size(), off, len)) return {};
  return common::Trim(common::TextFromBytes(b.subspan(off, len)));
}

}  // namespace

DataDirection NvmeOpcodeDirection(uint8_t opcode) {
  switch (opcode & 0x03) {
    case 0x01:
      return DataDirection::kOut;
    case 0x02:
      return DataDirection::kIn;
    default:
      // 0x03 (both) does not occur in the commands the lab carries.
      return DataDirection::kNone;
  }
}

std::vector<uint8_t> NvmeIdentify(NvmeController& c, uint32_t cns, uint32_t nsid, bool* delivered) {
  std::vector<uint8_t> data(kNvmeIdentifyBytes, 0);
  NvmeSubmission s;
  s.opcode = kNvmeAdminIdentify;
  s.nsid = nsid;
  s.cdw[0] = cns;
  s.direction = DataDirection::kIn;
  s.data = data;
  const NvmeCompletion r = c.ExecuteNvme(s);
  if (delivered) *delivered = r.delivered;
  if (!r.Ok()) return {};
  return data;
}

NvmeControllerText DecodeNvmeIdentify(std::span<const uint8_t> id) {
  return NvmeControllerText{Text(id, kIdModel, 40), Text(id, kIdSerial, 20),
                            Text(id, kIdFirmware, 8)};
}

NvmeNamespaceGeometry DecodeNvmeNamespace(std::span<const uint8_t> ns) {
  NvmeNamespaceGeometry g;
  g.blocks = common::ReadLe64(ns, kNsSize);
  const uint8_t format = common::Read8(ns, kNsFlbas) & 0x0F;
  const uint8_t lbads = common::Read8(ns, kNsLbaFormats + 4u * format + 2);
  // Block lengths from 512 bytes to 64 KiB; anything else is not a format.
  g.blockBytes = lbads >= 9 && lbads <= 16 ? (1u << lbads) : 512;
  return g;
}

TransferOutcome NvmeTransfer(NvmeController& c, bool write, uint64_t lba, uint32_t count,
                                 uint32_t blockBytes, std::span<uint8_t> data, uint32_t nsid) {
  size_t done = 0;
  while (count > 0) {
    const uint32_t n = count < kMaxBlocksPerCommand ? count : kMaxBlocksPerCommand;
    NvmeSubmission s;
    s.admin = false;
    s.opcode = write ? kNvmeIoWrite : kNvmeIoRead;
    s.nsid = nsid;
    s.cdw[0] = static_cast<uint32_t>(lba);
    s.cdw[1] = static_cast<uint32_t>(lba >> 32);
    s.cdw[2] = n - 1;  // zero-based block count
    s.direction = write ? DataDirection::kOut : DataDirection::kIn;
    s.data = data.subspan(done, size_t{n} * blockBytes);
    const NvmeCompletion r = c.ExecuteNvme(s);
    if (!r.delivered)
      return r.timedOut ? TransferOutcome::kTimedOut : TransferOutcome::kNotDelivered;
    if (!r.Ok()) return TransferOutcome::kDeviceError;
    done += size_t{n} * blockBytes;
    lba += n;
    count -= n;
  }
  return TransferOutcome::kOk;
}

uint32_t NvmeCompletionDw3(const NvmeCompletion& r) {
  return (uint32_t{r.statusCodeType & 0x07u} << 25) | (uint32_t{r.statusCode} << 17) | (1u << 16);
}

}  // namespace lab
