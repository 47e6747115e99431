#pragma once
// The IDENTIFY DEVICE words this system reads (512 bytes, 256 little-endian
// words; the text fields hold two characters per word, first character in
// the high byte).
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/bytes.h"

namespace device::identify {

inline constexpr size_t kWordCount = 256;

inline constexpr size_t kSpecificConfiguration = 2;
inline constexpr size_t kSerialNumber = 10;  // 10 words, 20 characters
inline constexpr size_t kSerialNumberChars = 20;
inline constexpr size_t kFirmwareRevision = 23;  // 4 words, 8 characters
inline constexpr size_t kFirmwareRevisionChars = 8;
inline constexpr size_t kModelNumber = 27;  // 20 words, 40 characters
inline constexpr size_t kModelNumberChars = 40;
inline constexpr size_t kDmaMicrocodeSupport = 69;    // bit 8: DOWNLOAD MICROCODE DMA
inline constexpr size_t kCommandSet2 = 83;            // bit 0: DOWNLOAD MICROCODE
inline constexpr size_t kCommandSetExt = 119;         // bit 4: download with offsets
inline constexpr size_t kCommandSetExtEnabled = 120;  // bit 4: download with offsets
inline constexpr size_t kMicrocodeMinBlocks = 234;
inline constexpr size_t kMicrocodeMaxBlocks = 235;

// Byte offset of a word.
constexpr size_t ByteOf(size_t word) { return 2 * word; }
static_assert(ByteOf(kSerialNumber) == 20 && ByteOf(kFirmwareRevision) == 46 &&
              ByteOf(kModelNumber) == 54);
static_assert(ByteOf(kModelNumber) + kModelNumberChars <= ByteOf(kWordCount));

// One word; 0 when the buffer is too short to hold it.
inline uint16_t Word(std::span<const uint8_t> identify, size_t word) {
  return identify.size() >= ByteOf(word + 1) ? common::ReadLe16(identify, ByteOf(word)) : 0;
}
inline bool Bit(std::span<const uint8_t> identify, size_t word, int bit) {
  return ((Word(identify, word) >> bit) & 1) != 0;
}

}  // namespace device::identify
