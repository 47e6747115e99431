#include "device/core/request_timeout.h"

#include <algorithm>

namespace device {
namespace {

// ATA: DOWNLOAD MICROCODE (PIO, DMA), SANITIZE DEVICE, SECURITY ERASE UNIT.
constexpr uint8_t kAtaDownloadMicrocode = 0x92;
constexpr uint8_t kAtaDownloadMicrocodeDma = 0x93;
constexpr uint8_t kAtaSanitize = 0xB4;
constexpr uint8_t kAtaSecurityEraseUnit = 0xF4;

// SCSI: FORMAT UNIT, SANITIZE, WRITE BUFFER (its microcode modes), and ATA
// PASS-THROUGH (12 and 16) judged by the ATA command they carry.
constexpr uint8_t kScsiFormatUnit = 0x04;
constexpr uint8_t kScsiSanitize = 0x48;
constexpr uint8_t kScsiWriteBuffer = 0x3B;
constexpr uint8_t kScsiAtaPassThrough12 = 0xA1;
constexpr uint8_t kScsiAtaPassThrough16 = 0x85;
constexpr size_t kAta12Command = 9;
constexpr size_t kAta16Command = 14;
constexpr uint8_t kWriteBufferModeMask = 0x1F;

bool IsMicrocodeMode(uint8_t mode) {
  // Download microcode: with save (05h), offsets (06h, 07h), deferred
  // (0Dh, 0Eh, 0Fh), and the plain download (04h).
  return mode == 0x04 || mode == 0x05 || mode == 0x06 || mode == 0x07 || mode == 0x0D ||
         mode == 0x0E || mode == 0x0F;
}

// NVMe admin: Firmware Commit, Firmware Image Download, Format NVM, Sanitize.
constexpr uint8_t kNvmeFirmwareCommit = 0x10;
constexpr uint8_t kNvmeFirmwareDownload = 0x11;
constexpr uint8_t kNvmeFormat = 0x80;
constexpr uint8_t kNvmeSanitize = 0x84;

}  // namespace

uint32_t RequestTimeoutSeconds(const StorageDevice& dev, RequestLength length) {
  uint32_t seconds = dev.devTimeout == 0 || dev.devTimeout == kDefaultTimeoutSeconds
                         ? kOrdinaryRequestSeconds
                         : std::min(dev.devTimeout, kMaxRequestSeconds);
  if (length == RequestLength::kLong) seconds = std::max(seconds, kLongRequestSeconds);
  return seconds;
}

RequestLength AtaRequestLength(uint8_t command) {
  const bool isLong = command == kAtaDownloadMicrocode || command == kAtaDownloadMicrocodeDma ||
                      command == kAtaSanitize || command == kAtaSecurityEraseUnit;
  return isLong ? RequestLength::kLong : RequestLength::kOrdinary;
}

RequestLength ScsiRequestLength(std::span<const uint8_t> cdb) {
  if (cdb.empty()) return RequestLength::kOrdinary;
  switch (cdb[0]) {
    case kScsiFormatUnit:
    case kScsiSanitize:
      return RequestLength::kLong;
    case kScsiWriteBuffer:
      return cdb.size() > 1 && IsMicrocodeMode(cdb[1] & kWriteBufferModeMask)
                 ? RequestLength::kLong
                 : RequestLength::kOrdinary;
    case kScsiAtaPassThrough12:
      return cdb.size() > kAta12Command ? AtaRequestLength(cdb[kAta12Command])
                                        : RequestLength::kOrdinary;
    case kScsiAtaPassThrough16:
      return cdb.size() > kAta16Command ? AtaRequestLength(cdb[kAta16Command])
                                        : RequestLength::kOrdinary;
    default:
      return RequestLength::kOrdinary;
  }
}

RequestLength NvmeRequestLength(uint8_t opcode, bool admin) {
  const bool isLong = admin && (opcode == kNvmeFirmwareCommit || opcode == kNvmeFirmwareDownload ||
                                opcode == kNvmeFormat || opcode == kNvmeSanitize);
  return isLong ? RequestLength::kLong : RequestLength::kOrdinary;
}

}  // namespace device
