#pragma once
// SCSI sense data as the kernel and USB bridges return it for an ATA
// PASS-THROUGH: the sense key and additional sense code of either format,
// and the ATA registers when the sense carries them. Three layouts carry
// registers: descriptor format with an ATA Status Return descriptor (09h);
// fixed format as SAT defines it (error, status, device, count in the
// INFORMATION field, bytes 3-6); and fixed format as libata before kernel
// 6.11 writes it (the same registers at bytes 8-11, the LBA at 17-19).
#include <cstdint>
#include <span>

namespace os::linuxos {

inline constexpr uint8_t kSenseFixedCurrent = 0x70;
inline constexpr uint8_t kSenseFixedDeferred = 0x71;
inline constexpr uint8_t kSenseDescriptorCurrent = 0x72;
inline constexpr uint8_t kSenseDescriptorDeferred = 0x73;

inline constexpr uint8_t kSenseKeyNoSense = 0x00;
inline constexpr uint8_t kSenseKeyRecoveredError = 0x01;
inline constexpr uint8_t kSenseKeyNotReady = 0x02;
inline constexpr uint8_t kSenseKeyIllegalRequest = 0x05;
inline constexpr uint8_t kSenseKeyAbortedCommand = 0x0B;

// ASC 20h: invalid command operation code; 24h: invalid field in CDB.
inline constexpr uint8_t kAscInvalidOpcode = 0x20;
inline constexpr uint8_t kAscInvalidField = 0x24;

// The ATA registers as a command left them (the error register in
// `error`, the status register in `status`).
struct AtaRegisters {
  uint8_t error = 0;
  uint8_t count = 0;
  uint8_t lbaLow = 0;
  uint8_t lbaMid = 0;
  uint8_t lbaHigh = 0;
  uint8_t device = 0;
  uint8_t status = 0;
};

// Status register bits.
inline constexpr uint8_t kAtaStatusErr = 0x01;
inline constexpr uint8_t kAtaStatusDf = 0x20;
inline constexpr uint8_t kAtaStatusDrdy = 0x40;
inline constexpr uint8_t kAtaStatusBsy = 0x80;
// Error register: the command was aborted.
inline constexpr uint8_t kAtaErrorAbrt = 0x04;

enum class SenseLayout {
  kNone,             // no sense, or an unknown response code
  kDescriptor,       // 72h/73h
  kFixedSat,         // 70h/71h with the registers in bytes 3-6 and 8-11
  kFixedOldLibata,   // 70h/71h with the registers at bytes 8-11 and 17-19
  kFixedNoRegisters  // 70h/71h without registers
};

struct SenseInfo {
  SenseLayout layout = SenseLayout::kNone;
  uint8_t key = 0;
  uint8_t asc = 0;
  uint8_t ascq = 0;
  bool hasRegisters = false;
  AtaRegisters registers;
};

// Parses what the device returned; never reads past `sense`.
SenseInfo ParseSense(std::span<const uint8_t> sense);

}  // namespace os::linuxos
