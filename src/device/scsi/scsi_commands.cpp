#include "device/scsi/scsi_commands.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "device/scsi/scsi_request.h"

namespace device {
namespace {

constexpr uint8_t kOpInquiry = 0x12;
constexpr uint8_t kOpReadCapacity10 = 0x25;
constexpr uint8_t kOpRead10 = 0x28;
constexpr uint8_t kOpWrite10 = 0x2A;
constexpr uint8_t kOpWriteBuffer = 0x3B;
constexpr uint8_t kOpReadBuffer = 0x3C;
constexpr uint8_t kOpAtaPassThrough16 = 0x85;
constexpr uint8_t kRead10Flags = 0x04;
constexpr uint8_t kOpServiceActionIn16 = 0x9E;
constexpr uint8_t kServiceActionReadCapacity16 = 0x10;
constexpr uint32_t kReadCapacity16Length = 32;
constexpr uint32_t kSector = 512;

bool Run(StorageDevice& dev, SRB_ExecSCSICmd& srb, bool force) {
  return ExecuteScsiRequest(dev, srb, force) == SS_COMP;
}

std::span<uint8_t> CdbOf(SRB_ExecSCSICmd& srb) { return {srb.CDBByte, sizeof srb.CDBByte}; }

// Transfer length of READ(10)/WRITE(10): 24 bits of count, in logical blocks.
uint64_t TransferBytes(const StorageDevice& dev, uint32_t count) {
  return uint64_t{count & 0xFFFFFF} * dev.devBlockFactor * kSector;
}

}  // namespace

bool ScsiInquiry(StorageDevice& dev, std::span<uint8_t> out) {
  if (out.size() < kInquiryLength) return false;
  uint8_t data[kInquiryLength] = {};
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_IN, 6, data, kInquiryLength);
  srb.CDBByte[0] = kOpInquiry;
  srb.CDBByte[4] = kInquiryLength;
  ExecuteScsiRequest(dev, srb, true);
  dev.Os().OutputDebugStringA(
      common::Format("[VKM_SCAN] Inquiry: CMD_Buff.SRB_Status = %d", srb.SRB_Status));
  if (srb.SRB_Status != SS_COMP) return false;
  std::memcpy(out.data(), data, kInquiryLength);
  return true;
}

bool ScsiBridgeInquiry(StorageDevice& dev, std::span<uint8_t> out) {
  if (out.size() < kBridgeInquiryCopyLength) return false;
  uint8_t data[kInquiryLength] = {};
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_IN, 6, data, kInquiryLength);
  srb.CDBByte[0] = kOpInquiry;
  srb.CDBByte[3] = 0x55;
  srb.CDBByte[4] = 0x2E;
  if (!Run(dev, srb, true)) return false;
  std::memcpy(out.data(), data, kBridgeInquiryCopyLength);
  return true;
}

bool ScsiReadCapacity(StorageDevice& dev, uint32_t* lastLba, uint32_t* blockLength) {
  uint8_t data[8] = {};
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_IN, 10, data, sizeof data);
  srb.CDBByte[0] = kOpReadCapacity10;
  if (!Run(dev, srb, true)) return false;
  if (lastLba != nullptr) *lastLba = common::ReadBe32(data, 0);
  if (blockLength != nullptr) *blockLength = common::ReadBe32(data, 4);
  return true;
}

bool ScsiReadCapacity16(StorageDevice& dev, uint64_t* lastLba, uint32_t* blockLength) {
  uint8_t data[kReadCapacity16Length] = {};
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_IN, 16, data, sizeof data);
  srb.CDBByte[0] = kOpServiceActionIn16;
  srb.CDBByte[1] = kServiceActionReadCapacity16;
  common::WriteBe32(CdbOf(srb), 10, kReadCapacity16Length);
  if (!Run(dev, srb, true)) return false;
  if (lastLba != nullptr) *lastLba = common::ReadBe64(data, 0);
  if (blockLength != nullptr) *blockLength = common::ReadBe32(data, 8);
  return true;
}

uint64_t ReadCapacityBlocks(StorageDevice& dev) {
  uint32_t lastLba = 0;
  uint32_t blockLength = 0;
  if (!ScsiReadCapacity(dev, &lastLba, &blockLength)) return 0;
  uint64_t last = lastLba;
  // A drive of 2 TiB or more (in 512-byte blocks) reports FFFFFFFFh here
  // and its size only through the 16-byte command.
  if (lastLba == 0xFFFFFFFFu) {
    uint64_t last16 = 0;
    uint32_t length16 = 0;
    if (ScsiReadCapacity16(dev, &last16, &length16) && last16 >= lastLba) {
      last = last16;
      blockLength = length16;
    }
  }
  // A block shorter than 512 bytes still counts as one 512-byte unit, so that
  // transfers are never computed as zero bytes.
  dev.devBlockFactor = blockLength / kSector == 0 ? 1 : blockLength / kSector;
  return last == 0 ? 0 : last + 1;
}

bool ScsiRead10(StorageDevice& dev, uint32_t lba, uint32_t count, std::span<uint8_t> buffer) {
  const uint64_t length = TransferBytes(dev, count);
  if (length > buffer.size()) return false;
  std::fill(buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(length), 0);
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_IN, 10, length ? buffer.data() : nullptr,
                                        static_cast<uint32_t>(length));
  srb.CDBByte[0] = kOpRead10;
  srb.CDBByte[1] = kRead10Flags;
  common::WriteBe32(CdbOf(srb), 2, lba);
  common::WriteBe16(CdbOf(srb), 7, static_cast<uint16_t>(count));
  return Run(dev, srb, true);
}

bool ScsiWrite10(StorageDevice& dev, uint32_t lba, uint32_t count,
                 std::span<const uint8_t> buffer) {
  const uint64_t length = TransferBytes(dev, count);
  if (length > buffer.size()) return false;
  // The request block names a writable buffer; the data goes out unchanged.
  SRB_ExecSCSICmd srb =
      MakeScsiRequest(dev, SRB_DIR_OUT, 10, length ? const_cast<uint8_t*>(buffer.data()) : nullptr,
                      static_cast<uint32_t>(length));
  srb.CDBByte[0] = kOpWrite10;
  srb.CDBByte[1] = static_cast<uint8_t>(dev.devLun * 32 + 4);
  common::WriteBe32(CdbOf(srb), 2, lba);
  common::WriteBe16(CdbOf(srb), 7, static_cast<uint16_t>(count));
  return Run(dev, srb, false);
}

namespace {

void FillBufferCdb(SRB_ExecSCSICmd& srb, uint8_t op, uint8_t mode, uint8_t bufferId,
                   uint32_t length) {
  srb.CDBByte[0] = op;
  srb.CDBByte[1] = mode;
  srb.CDBByte[2] = bufferId;
  srb.CDBByte[6] = static_cast<uint8_t>(length >> 16);
  srb.CDBByte[7] = static_cast<uint8_t>(length >> 8);
  srb.CDBByte[8] = static_cast<uint8_t>(length);
}

}  // namespace

bool ScsiReadBuffer(StorageDevice& dev, uint8_t mode, uint8_t bufferId, uint32_t sectors,
                    std::span<uint8_t> buffer) {
  const uint64_t length = uint64_t{sectors} * kSector;
  if (length > buffer.size() || length > 0xFFFFFF) return false;
  std::fill(buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(length), 0);
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_IN, 10, length ? buffer.data() : nullptr,
                                        static_cast<uint32_t>(length));
  FillBufferCdb(srb, kOpReadBuffer, mode, bufferId, static_cast<uint32_t>(length));
  return Run(dev, srb, true);
}

bool ScsiWriteBuffer(StorageDevice& dev, uint8_t mode, uint8_t bufferId, uint32_t sectors,
                     std::span<const uint8_t> buffer) {
  const uint64_t length = uint64_t{sectors} * kSector;
  if (length > buffer.size() || length > 0xFFFFFF) return false;
  SRB_ExecSCSICmd srb =
      MakeScsiRequest(dev, SRB_DIR_OUT, 10, length ? const_cast<uint8_t*>(buffer.data()) : nullptr,
                      static_cast<uint32_t>(length));
  FillBufferCdb(srb, kOpWriteBuffer, mode, bufferId, static_cast<uint32_t>(length));
  return Run(dev, srb, false);
}

bool IdentifyDeviceATAPI(StorageDevice& dev, std::span<uint8_t> out) {
  if (out.size() < kSector) return false;
  std::fill(out.begin(), out.begin() + kSector, 0);
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_IN, 16, out.data(), kSector);
  static constexpr uint8_t kCdb[16] = {
      kOpAtaPassThrough16, 0x08, 0x0E, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0};
  std::memcpy(srb.CDBByte, kCdb, sizeof kCdb);
  ExecuteScsiRequest(dev, srb, true);
  dev.Os().OutputDebugStringA(common::Format(
      "[VKM_SCAN] IdentifyDeviceATAPI: CMD_Buff.SRB_Status = %d (0x0E)", srb.SRB_Status));
  return srb.SRB_Status == SS_COMP;
}

}  // namespace device
