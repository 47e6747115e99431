#pragma once
// The SAT ATA PASS-THROUGH(16) command: its CDB fields and the ATA Status
// Return sense descriptor that carries the registers back. One definition
// for the product side: the ATA transport wraps task files in it for USB
// bridges, and the Linux backend for SG_IO.
#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/ata_pass_through.h"

namespace os::sat {

inline constexpr uint8_t kOpAtaPassThrough16 = 0x85;
inline constexpr size_t kCdbSize = 16;
using Cdb = std::array<uint8_t, kCdbSize>;

// Byte 1: PROTOCOL in bits 4..1, EXTEND (48-bit registers valid) in bit 0.
inline constexpr size_t kProtocolByte = 1;
inline constexpr uint8_t kExtend = 0x01;
inline constexpr uint8_t kProtocolNonData = 3;
inline constexpr uint8_t kProtocolPioIn = 4;
inline constexpr uint8_t kProtocolPioOut = 5;
inline constexpr uint8_t kProtocolDma = 6;
inline constexpr uint8_t kProtocolUdmaIn = 10;
inline constexpr uint8_t kProtocolUdmaOut = 11;
constexpr uint8_t ProtocolField(uint8_t protocol) { return static_cast<uint8_t>(protocol << 1); }

// Byte 2: OFF_LINE (bits 7..6), CK_COND (5), T_TYPE (4), T_DIR (3),
// BYT_BLOK (2), T_LENGTH (1..0).
inline constexpr size_t kTransferByte = 2;
inline constexpr uint8_t kCkCond = 0x20;          // return the registers in the sense data
inline constexpr uint8_t kTDirIn = 0x08;          // data from the device
inline constexpr uint8_t kBytBlok = 0x04;         // the length counts blocks
inline constexpr uint8_t kTLengthInCount = 0x02;  // the length is in the count register

// Register bytes: each 48-bit high-order byte sits before its low-order one.
inline constexpr size_t kFeaturesHigh = 3;
inline constexpr size_t kFeatures = 4;
inline constexpr size_t kCountHigh = 5;
inline constexpr size_t kCount = 6;
inline constexpr size_t kLbaLowHigh = 7;
inline constexpr size_t kLbaLow = 8;
inline constexpr size_t kLbaMidHigh = 9;
inline constexpr size_t kLbaMid = 10;
inline constexpr size_t kLbaHighHigh = 11;
inline constexpr size_t kLbaHigh = 12;
inline constexpr size_t kDevice = 13;
inline constexpr size_t kCommand = 14;
static_assert(kCommand < kCdbSize);

// Where each register of the task file goes: its low-order byte and, for a
// 48-bit command, the high-order byte from the previous task file.
struct RegisterBytes {
  size_t taskFile;
  size_t low;
  size_t high;
};
inline constexpr RegisterBytes kRegisterBytes[] = {
    {kTaskFileFeatures, kFeatures, kFeaturesHigh}, {kTaskFileCount, kCount, kCountHigh},
    {kTaskFileLbaLow, kLbaLow, kLbaLowHigh},       {kTaskFileLbaMid, kLbaMid, kLbaMidHigh},
    {kTaskFileLbaHigh, kLbaHigh, kLbaHighHigh},
};

// Copies the task files into the register bytes; the high-order bytes only
// for a 48-bit command.
inline void WriteRegisters(Cdb& cdb, const ATA_PASS_THROUGH_DIRECT& block) {
  const bool ext = (block.AtaFlags & ATA_FLAGS_48BIT_COMMAND) != 0;
  for (const RegisterBytes& r : kRegisterBytes) {
    cdb[r.low] = block.CurrentTaskFile[r.taskFile];
    if (ext) cdb[r.high] = block.PreviousTaskFile[r.taskFile];
  }
  cdb[kDevice] = block.CurrentTaskFile[kTaskFileDevice];
  cdb[kCommand] = block.CurrentTaskFile[kTaskFileCommand];
}

// The ATA Status Return descriptor (type 09h, 14 bytes) in descriptor-format
// sense data: offsets inside the descriptor.
inline constexpr uint8_t kStatusReturnType = 0x09;
inline constexpr size_t kStatusReturnSize = 14;
inline constexpr size_t kStatusReturnError = 3;
inline constexpr size_t kStatusReturnCount = 5;
inline constexpr size_t kStatusReturnLbaLow = 7;
inline constexpr size_t kStatusReturnLbaMid = 9;
inline constexpr size_t kStatusReturnLbaHigh = 11;
inline constexpr size_t kStatusReturnDevice = 12;
inline constexpr size_t kStatusReturnStatus = 13;
static_assert(kStatusReturnStatus < kStatusReturnSize);

}  // namespace os::sat
