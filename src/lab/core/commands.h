#pragma once
// Plain command values a backend decodes each Windows request into, once, at its
// edge: an ATA task file, a SCSI CDB, an NVMe submission entry. Emulated drives
// and bridges only ever see these.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace lab {

enum class DataDirection { kNone, kIn, kOut };  // kIn: device to host

// ATA registers. `previous` holds the high-order bytes of a 48-bit command.
struct AtaRegisters {
  uint8_t features = 0;
  uint8_t sectorCount = 0;
  uint8_t lbaLow = 0;
  uint8_t lbaMid = 0;
  uint8_t lbaHigh = 0;
  uint8_t device = 0;
  uint8_t command = 0;  // status on return
};

struct AtaCommand {
  AtaRegisters current;
  AtaRegisters previous;
  bool extended = false;  // 48-bit
  bool dma = false;       // DMA protocol (else PIO or non-data)
  DataDirection direction = DataDirection::kNone;
  std::span<uint8_t> data;  // the host buffer; its size is the transfer length
  uint32_t timeoutSeconds = 0;
};

struct AtaResult {
  AtaRegisters current;  // command field = status, features field = error
  AtaRegisters previous;
  uint32_t bytesTransferred = 0;
  // False when the command never reached the device (a dead link, a power loss).
  bool delivered = true;
  // With delivered false: the host waited out its time-out (nothing answered).
  bool timedOut = false;
};

inline constexpr uint8_t kAtaStatusErr = 0x01;
inline constexpr uint8_t kAtaStatusDrq = 0x08;
inline constexpr uint8_t kAtaStatusDsc = 0x10;
inline constexpr uint8_t kAtaStatusDrdy = 0x40;
inline constexpr uint8_t kAtaStatusBsy = 0x80;
inline constexpr uint8_t kAtaErrorAbrt = 0x04;

struct ScsiCommand {
  std::vector<uint8_t> cdb;
  DataDirection direction = DataDirection::kNone;
  std::span<uint8_t> data;
  uint32_t timeoutSeconds = 0;
};

struct ScsiResult {
  uint8_t status = 0;  // SCSI status byte: 0 good, 2 check condition
  std::vector<uint8_t> sense;
  uint32_t bytesTransferred = 0;
  bool delivered = true;
  bool timedOut = false;  // see AtaResult
};

inline constexpr uint8_t kScsiStatusGood = 0x00;
inline constexpr uint8_t kScsiStatusCheckCondition = 0x02;

struct NvmeSubmission {
  uint8_t opcode = 0;
  uint32_t nsid = 0;
  std::array<uint32_t, 6> cdw{};  // cdw10..cdw15
  DataDirection direction = DataDirection::kNone;
  std::span<uint8_t> data;
  bool admin = true;
};

struct NvmeCompletion {
  uint32_t dw0 = 0;
  uint8_t statusCode = 0;      // SC
  uint8_t statusCodeType = 0;  // SCT
  bool delivered = true;
  bool timedOut = false;  // see AtaResult
  bool Ok() const { return delivered && statusCode == 0 && statusCodeType == 0; }
};

}  // namespace lab
