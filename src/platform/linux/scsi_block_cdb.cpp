#include "platform/linux/scsi_block_cdb.h"

#include <algorithm>

#include "common/bytes.h"

namespace os::linuxos {
namespace {

constexpr size_t kLba10 = 2;
constexpr size_t kCount10 = 7;
constexpr size_t kLba16 = 2;
constexpr size_t kCount16 = 10;
constexpr size_t kServiceActionByte = 1;
constexpr uint8_t kServiceActionMask = 0x1F;

}  // namespace

BlockTransferCdb DecodeBlockTransfer(std::span<const uint8_t> cdb) {
  BlockTransferCdb t;
  if (cdb.empty()) return t;
  switch (cdb[0]) {
    case kOpRead10:
    case kOpWrite10:
      if (cdb.size() < 10) return t;
      t.lba = common::ReadBe32(cdb, kLba10);
      t.count = common::ReadBe16(cdb, kCount10);
      break;
    case kOpRead16:
    case kOpWrite16:
      if (cdb.size() < 16) return t;
      t.sixteen = true;
      t.lba = common::ReadBe64(cdb, kLba16);
      t.count = common::ReadBe32(cdb, kCount16);
      break;
    default:
      return t;
  }
  t.write = cdb[0] == kOpWrite10 || cdb[0] == kOpWrite16;
  t.valid = true;
  return t;
}

void EncodeBlockTransfer(std::span<uint8_t> cdb, bool sixteen, uint64_t lba, uint32_t count) {
  if (sixteen) {
    common::WriteBe64(cdb, kLba16, lba);
    common::WriteBe32(cdb, kCount16, count);
  } else {
    common::WriteBe32(cdb, kLba10, static_cast<uint32_t>(lba));
    common::WriteBe16(cdb, kCount10, static_cast<uint16_t>(count));
  }
}

bool IsReadCapacity16(std::span<const uint8_t> cdb) {
  return cdb.size() >= 16 && cdb[0] == kOpServiceActionIn16 &&
         (cdb[kServiceActionByte] & kServiceActionMask) == kServiceActionReadCapacity16;
}

void FillReadCapacity10(std::span<uint8_t> out, uint64_t blocks, uint32_t blockSize) {
  const uint64_t last = blocks == 0 ? 0 : blocks - 1;
  common::WriteBe32(out, 0, static_cast<uint32_t>(std::min<uint64_t>(last, 0xFFFFFFFFu)));
  common::WriteBe32(out, 4, blockSize);
}

void FillReadCapacity16(std::span<uint8_t> out, uint64_t blocks, uint32_t blockSize) {
  std::fill(out.begin(), out.end(), 0);
  common::WriteBe64(out, 0, blocks == 0 ? 0 : blocks - 1);
  common::WriteBe32(out, 8, blockSize);
}

}  // namespace os::linuxos
