#include "lab/bridges/ata_access.h"

#include "common/bytes.h"
#include "common/text.h"

namespace lab {
namespace {

constexpr size_t kIdentifySerial = 20;    // words 10..19
constexpr size_t kIdentifyFirmware = 46;  // words 23..26
constexpr size_t kIdentifyModel = 54;     // words 27..46
constexpr size_t kIdentifyLba28 = 120;    // words 60..61
constexpr size_t kIdentifyWord83 = 166;
constexpr size_t kIdentifyLba48 = 200;  // words 100..103
constexpr uint16_t kWord83Lba48 = 1u << 10;
constexpr uint32_t kMaxSectorsPerCommand = 65536;

std::string SwappedText(std::span<const uint8_t> id, size_t offset, size_t length) {
  if (!common::Fits(id.size(), offset, length)) return {};
  std::vector<uint8_t> bytes(id.begin() + static_cast<ptrdiff_t>(offset),
                             id.begin() + static_cast<ptrdiff_t>(offset + length));
  common::SwapBytePairs(bytes);
  return common::TrimRight(common::TextFromBytes(bytes));
}

}  // namespace

std::vector<uint8_t> AtaIdentify(AtaDevice& device, bool* delivered) {
  std::vector<uint8_t> data(kAtaSectorBytes, 0);
  AtaCommand cmd;
  cmd.current.sectorCount = 1;
  cmd.current.device = 0xE0;
  cmd.current.command = kAtaIdentifyDevice;
  cmd.direction = DataDirection::kIn;
  cmd.data = data;
  const AtaResult r = device.ExecuteAta(cmd);
  if (delivered) *delivered = r.delivered;
  if (!r.delivered || (r.current.command & kAtaStatusErr)) return {};
  return data;
}

AtaIdentityText DecodeAtaIdentify(std::span<const uint8_t> id) {
  AtaIdentityText t;
  t.serial = common::Trim(SwappedText(id, kIdentifySerial, 20));
  t.firmware = common::Trim(SwappedText(id, kIdentifyFirmware, 8));
  t.model = common::Trim(SwappedText(id, kIdentifyModel, 40));
  if (common::ReadLe16(id, kIdentifyWord83) & kWord83Lba48) {
    t.sectors = common::ReadLe64(id, kIdentifyLba48);
  }
  if (t.sectors == 0) t.sectors = common::ReadLe32(id, kIdentifyLba28);
  return t;
}

TransferOutcome AtaTransfer(AtaDevice& device, bool write, uint64_t lba, uint32_t count,
                               std::span<uint8_t> data, uint32_t timeoutSeconds) {
  size_t done = 0;
  while (count > 0) {
    const uint32_t n = count < kMaxSectorsPerCommand ? count : kMaxSectorsPerCommand;
    AtaCommand cmd;
    cmd.extended = true;
    cmd.dma = true;
    cmd.current.sectorCount = static_cast<uint8_t>(n);
    cmd.previous.sectorCount = static_cast<uint8_t>(n >> 8);  // 65536 is sent as 0
    cmd.current.lbaLow = static_cast<uint8_t>(lba);
    cmd.current.lbaMid = static_cast<uint8_t>(lba >> 8);
    cmd.current.lbaHigh = static_cast<uint8_t>(lba >> 16);
    cmd.previous.lbaLow = static_cast<uint8_t>(lba >> 24);
    cmd.previous.lbaMid = static_cast<uint8_t>(lba >> 32);
    cmd.previous.lbaHigh = static_cast<uint8_t>(lba >> 40);
    cmd.current.device = 0x40;  // LBA addressing
    cmd.current.command = write ? kAtaWriteDmaExt : kAtaReadDmaExt;
    cmd.direction = write ? DataDirection::kOut : DataDirection::kIn;
    cmd.data = data.subspan(done, static_cast<size_t>(n) * kAtaSectorBytes);
    cmd.timeoutSeconds = timeoutSeconds;
    const AtaResult r = device.ExecuteAta(cmd);
    if (!r.delivered)
      return r.timedOut ? TransferOutcome::kTimedOut : TransferOutcome::kNotDelivered;
    if (r.current.command & kAtaStatusErr) return TransferOutcome::kDeviceError;
    done += static_cast<size_t>(n) * kAtaSectorBytes;
    lba += n;
    count -= n;
  }
  return TransferOutcome::kOk;
}

}  // namespace lab
