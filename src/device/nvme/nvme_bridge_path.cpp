#include "device/nvme/nvme_bridge_path.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "common/bytes.h"
#include "device/core/open_scope.h"
#include "device/core/request_timeout.h"
#include "device/nvme/nvme_paths.h"
#include "device/scsi/scsi_commands.h"

namespace device {
namespace {

constexpr uint32_t kPacketSectors = kBridgePacketSize / 512;
constexpr int kGpioReopenTries = 5;

bool StartsWith(std::span<const uint8_t> b, const char* text) {
  const size_t n = std::strlen(text);
  return b.size() >= n && std::memcmp(b.data(), text, n) == 0;
}

std::vector<uint8_t> Packet(const StorageDevice& dev, uint8_t byte68) {
  std::vector<uint8_t> packet(kBridgePacketSize, 0);
  common::WriteLe32(packet, kBridgePacketTimeoutOffset,
                    RequestTimeoutSeconds(dev, RequestLength::kOrdinary));
  packet[kBridgePacketQueueOffset] = byte68;
  return packet;
}

}  // namespace

namespace nvme_path {

bool Bridge(StorageDevice& dev, NvmeCommandRecord& record, uint32_t dataLength, bool admin) {
  std::vector<uint8_t> packet = Packet(dev, admin ? 0 : 1);
  std::copy_n(record.Command().begin(), 64, packet.begin());
  const uint8_t opcode = record.Opcode();
  common::WriteLe32(packet, kBridgePacketTimeoutOffset,
                    RequestTimeoutSeconds(dev, NvmeRequestLength(opcode, admin)));
  std::vector<uint8_t> data;
  try {
    data.assign(dataLength, 0);
  } catch (const std::bad_alloc&) {
    if (NvmeHostToController(opcode) || NvmeControllerToHost(opcode)) return false;
  }
  if (!ScsiWriteBuffer(dev, kBufferModeVendor, kBridgeBufferCommand, kPacketSectors, packet))
    return false;
  const uint32_t sectors = dataLength / 512;
  if (NvmeHostToController(opcode)) {
    std::copy_n(record.Data().begin(), dataLength, data.begin());
    if (!ScsiWriteBuffer(dev, kBufferModeVendor, kBridgeBufferData, sectors, data)) return false;
  } else if (NvmeControllerToHost(opcode)) {
    if (!ScsiReadBuffer(dev, kBufferModeVendor, kBridgeBufferData, sectors, data)) return false;
    std::copy_n(data.begin(), dataLength, record.Data().begin());
  } else {
    std::vector<uint8_t> scratch(kBridgePacketSize, 0);
    if (!ScsiReadBuffer(dev, kBufferModeVendor, kBridgeBufferData, kPacketSectors, scratch))
      return false;
  }
  std::vector<uint8_t> status(kBridgePacketSize, 0);
  if (!ScsiReadBuffer(dev, kBufferModeVendor, kBridgeBufferStatus, kPacketSectors, status))
    return false;
  if (!StartsWith(status, "NVMe") || (status[4] & 0x01) == 0) return false;
  for (int i = 0; i < 4; ++i)
    record.SetCompletion(i, common::ReadLe32(status, 8 + 4 * static_cast<size_t>(i)));
  return true;
}

}  // namespace nvme_path

bool BridgeGpioQuery(StorageDevice& dev, uint8_t index, std::span<uint8_t> answer) {
  if (answer.size() < kBridgePacketSize) return false;
  const OpenScope open(dev, [](StorageDevice& d) {
    for (int i = 0; i < kGpioReopenTries && !d.IsOpen(); ++i) d.Reopen(false);
  });
  if (!open) return false;
  bool ok = false;
  const std::vector<uint8_t> packet = Packet(dev, index);
  std::vector<uint8_t> reply(kBridgePacketSize, 0);
  if (ScsiWriteBuffer(dev, kBufferModeVendor, kBridgeBufferCommand, kPacketSectors, packet) &&
      ScsiReadBuffer(dev, kBufferModeVendor, kBridgeBufferData, kPacketSectors, reply) &&
      StartsWith(reply, "GPIO")) {
    std::copy(reply.begin(), reply.end(), answer.begin());
    ok = true;
  }
  return ok;
}

bool BridgeGpioLocation(StorageDevice& dev, std::span<uint8_t> answer) {
  if (answer.size() < 512) return false;
  const OpenScope open(dev, false);
  if (!open) return false;
  bool ok = false;
  const std::vector<uint8_t> packet = Packet(dev, kGpioLocation);
  if (ScsiWriteBuffer(dev, kBufferModeVendor, kBridgeBufferCommand, kPacketSectors, packet)) {
    ok = ScsiReadBuffer(dev, kBufferModeVendor, kBridgeBufferData, 1, answer);
    if (ok && StartsWith(answer, "GPIO")) dev.devLocation = common::ReadLe32(answer, 4);
  }
  return ok;
}

}  // namespace device
