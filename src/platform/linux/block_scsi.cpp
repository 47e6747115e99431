#include "platform/linux/block_scsi.h"

#include <algorithm>
#include <span>

#include "common/bytes.h"
#include "platform/linux/ata_reply.h"
#include "platform/linux/scsi_block_cdb.h"
#include "platform/linux/sense_data.h"

namespace os::linuxos {
namespace {

constexpr uint8_t kSenseKeyMediumError = 0x03;
constexpr uint8_t kAscNotReady = 0x04;
constexpr uint8_t kAscWriteError = 0x0C;
constexpr uint8_t kAscUnrecoveredReadError = 0x11;
constexpr uint8_t kAscLbaOutOfRange = 0x21;
constexpr uint8_t kFixedAdditionalLength = 10;
constexpr size_t kAllocationLength16 = 10;

BlockScsiReply Check(uint8_t key, uint8_t asc) {
  BlockScsiReply r;
  r.handled = true;
  r.status = kScsiStatusCheckCondition;
  r.sense[0] = kSenseFixedCurrent;
  r.sense[2] = key;
  r.sense[7] = kFixedAdditionalLength;
  r.sense[12] = asc;
  r.senseLength = static_cast<uint8_t>(r.sense.size());
  return r;
}

BlockScsiReply Good(uint32_t transferred) {
  BlockScsiReply r;
  r.handled = true;
  r.status = kScsiStatusGood;
  r.transferred = transferred;
  return r;
}

BlockScsiReply Transfer(const DiskNode& node, const SgCommand& c, const BlockTransferCdb& t,
                        uint64_t blocks, uint32_t blockSize) {
  if (t.lba > blocks || t.count > blocks - t.lba)
    return Check(kSenseKeyIllegalRequest, kAscLbaOutOfRange);
  const uint64_t bytes = uint64_t{t.count} * blockSize;
  const int wanted = t.write ? kSgDxferToDev : kSgDxferFromDev;
  if (bytes > c.length || (bytes > 0 && (c.data == nullptr || c.direction != wanted)))
    return Check(kSenseKeyIllegalRequest, kAscInvalidField);
  if (bytes == 0) return Good(0);
  size_t moved = 0;
  const uint64_t offset = t.lba * blockSize;
  const int e = t.write ? WriteAt(node, c.data, bytes, offset, &moved)
                        : ReadAt(node, c.data, bytes, offset, &moved);
  if (e != 0 || moved < bytes) {
    BlockScsiReply r =
        Check(kSenseKeyMediumError, t.write ? kAscWriteError : kAscUnrecoveredReadError);
    r.transferred = static_cast<uint32_t>(moved);
    return r;
  }
  return Good(static_cast<uint32_t>(bytes));
}

}  // namespace

BlockScsiReply AnswerFromBlockDevice(const DiskNode& node, const SgCommand& c) {
  const std::span<const uint8_t> cdb(c.cdb.data(), c.cdbLength);
  const BlockTransferCdb transfer = DecodeBlockTransfer(cdb);
  const bool capacity16 = IsReadCapacity16(cdb);
  const uint8_t op = cdb.empty() ? 0xFF : cdb[0];
  if (!transfer.valid && !capacity16 && op != kOpReadCapacity10 && op != kOpTestUnitReady &&
      op != kOpSynchronizeCache10)
    return {};
  uint64_t bytes = 0;
  uint32_t blockSize = 0;
  if (node.kernel->Geometry(node.fd, &bytes, &blockSize) != 0 || blockSize == 0)
    return Check(kSenseKeyNotReady, kAscNotReady);
  const uint64_t blocks = bytes / blockSize;
  if (transfer.valid) return Transfer(node, c, transfer, blocks, blockSize);
  if (op == kOpTestUnitReady) return Good(0);
  if (op == kOpSynchronizeCache10) {
    return node.kernel->Sync(node.fd) == 0 ? Good(0) : Check(kSenseKeyMediumError, kAscWriteError);
  }
  const uint32_t size = capacity16 ? kReadCapacity16Size : kReadCapacity10Size;
  if (c.data == nullptr || c.direction != kSgDxferFromDev || c.length == 0)
    return Check(kSenseKeyIllegalRequest, kAscInvalidField);
  std::array<uint8_t, kReadCapacity16Size> answer{};
  if (capacity16)
    FillReadCapacity16(answer, blocks, blockSize);
  else
    FillReadCapacity10(answer, blocks, blockSize);
  uint32_t n = std::min(size, c.length);
  if (capacity16) n = std::min(n, common::ReadBe32(cdb, kAllocationLength16));
  std::copy_n(answer.begin(), n, static_cast<uint8_t*>(c.data));
  return Good(n);
}

}  // namespace os::linuxos
