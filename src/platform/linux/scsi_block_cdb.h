#pragma once
// READ and WRITE CDBs (10 and 16 bytes) and READ CAPACITY, read and
// rewritten by field: the backend answers them from a block device for
// NVMe namespaces and splits them where a transfer exceeds what the host
// adapter takes.
#include <cstdint>
#include <span>

namespace os::linuxos {

inline constexpr uint8_t kOpTestUnitReady = 0x00;
inline constexpr uint8_t kOpReadCapacity10 = 0x25;
inline constexpr uint8_t kOpRead10 = 0x28;
inline constexpr uint8_t kOpWrite10 = 0x2A;
inline constexpr uint8_t kOpSynchronizeCache10 = 0x35;
inline constexpr uint8_t kOpRead16 = 0x88;
inline constexpr uint8_t kOpWrite16 = 0x8A;
inline constexpr uint8_t kOpServiceActionIn16 = 0x9E;
inline constexpr uint8_t kServiceActionReadCapacity16 = 0x10;

inline constexpr uint32_t kReadCapacity10Size = 8;
inline constexpr uint32_t kReadCapacity16Size = 32;

struct BlockTransferCdb {
  bool valid = false;
  bool write = false;
  bool sixteen = false;
  uint64_t lba = 0;
  uint32_t count = 0;  // logical blocks
};

BlockTransferCdb DecodeBlockTransfer(std::span<const uint8_t> cdb);
// Writes lba and count into a READ/WRITE CDB of the decoded kind.
void EncodeBlockTransfer(std::span<uint8_t> cdb, bool sixteen, uint64_t lba, uint32_t count);

bool IsReadCapacity16(std::span<const uint8_t> cdb);

// READ CAPACITY replies for `blocks` logical blocks of `blockSize` bytes;
// the 10-byte form reports FFFFFFFFh when the last LBA does not fit.
void FillReadCapacity10(std::span<uint8_t> out, uint64_t blocks, uint32_t blockSize);
void FillReadCapacity16(std::span<uint8_t> out, uint64_t blocks, uint32_t blockSize);

}  // namespace os::linuxos
