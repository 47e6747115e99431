#pragma once
// The 512-byte vendor command block written to the command LBA: byte 0 says
// whether the command reads (F0) or writes (F1) data, byte 1 is the
// sub-opcode, and the address and sector count sit in one of two layouts.
#include <array>
#include <cstdint>
#include <span>

namespace controller {

inline constexpr uint32_t kCommandBlockSize = 512;

// Byte 0 values.
inline constexpr uint8_t kVendorRead = 0xF0;
inline constexpr uint8_t kVendorWrite = 0xF1;

// Sub-opcodes (byte 1).
inline constexpr uint8_t kSubIdentify = 0x20;
inline constexpr uint8_t kSubReadMemory = 0x2A;
inline constexpr uint8_t kSubWriteMemory = 0x2B;
inline constexpr uint8_t kSubParameterBlock = 0x04;
inline constexpr uint8_t kSubFlashInfo = 0x3F;
inline constexpr uint8_t kSubSwitch = 0x2C;
inline constexpr uint8_t kSubStatusLong = 0x57;
inline constexpr uint8_t kSubStatusShort = 0x54;

// Long layout: address in bytes 2..5, count in 6..7 (big-endian).
inline constexpr size_t kLongAddressOffset = 2;
inline constexpr size_t kLongCountOffset = 6;
// Short layout: address in bytes 4..7, count in 10..11 (big-endian).
inline constexpr size_t kShortAddressOffset = 4;
inline constexpr size_t kShortCountOffset = 10;
// The switch command's value.
inline constexpr size_t kSwitchValueOffset = 2;

// Bytes the echo check compares for an ordinary exchange.
inline constexpr size_t kEchoCompareLength = 16;

struct VendorCommandBlock {
  std::array<uint8_t, kCommandBlockSize> bytes{};

  std::span<const uint8_t> Bytes() const { return bytes; }
};
static_assert(sizeof(VendorCommandBlock) == kCommandBlockSize);

// A block with opcode, sub-opcode, address and sector count in the long
// (longLayout true) or the short layout; everything else zero.
VendorCommandBlock MakeCommandBlock(uint8_t opcode, uint8_t subOpcode, uint32_t address,
                                    uint16_t sectors, bool longLayout);

}  // namespace controller
