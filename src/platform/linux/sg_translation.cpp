#include "platform/linux/sg_translation.h"

#include <algorithm>
#include <cstring>

namespace os::linuxos {

uint32_t TimeoutMs(uint32_t seconds) {
  constexpr uint32_t kMaxSeconds = 0xFFFFFFFFu / 1000;
  return std::min(seconds, kMaxSeconds) * 1000;
}

SgCommand SgFromScsiPassThrough(const SCSI_PASS_THROUGH_DIRECT& sptd) {
  SgCommand c;
  c.cdbLength = std::min<uint8_t>(sptd.CdbLength, 16);
  std::memcpy(c.cdb.data(), sptd.Cdb, c.cdbLength);
  c.data = sptd.DataBuffer;
  c.length = sptd.DataTransferLength;
  if (c.length == 0 || c.data == nullptr) {
    c.direction = kSgDxferNone;
    c.length = 0;
    c.data = nullptr;
  } else {
    c.direction = sptd.DataIn == SCSI_IOCTL_DATA_IN ? kSgDxferFromDev : kSgDxferToDev;
  }
  c.timeoutMs = TimeoutMs(sptd.TimeOutValue);
  return c;
}

sat::Cdb SatCdbFromTaskFile(const ATA_PASS_THROUGH_DIRECT& b) {
  sat::Cdb cdb{};
  const bool in = (b.AtaFlags & ATA_FLAGS_DATA_IN) && b.DataTransferLength > 0;
  const bool out = (b.AtaFlags & ATA_FLAGS_DATA_OUT) && b.DataTransferLength > 0;
  const bool dma = (b.AtaFlags & ATA_FLAGS_USE_DMA) != 0;
  const bool ext = (b.AtaFlags & ATA_FLAGS_48BIT_COMMAND) != 0;
  uint8_t protocol = sat::kProtocolNonData;
  if (in || out)
    protocol = dma ? sat::kProtocolDma : (in ? sat::kProtocolPioIn : sat::kProtocolPioOut);
  cdb[0] = sat::kOpAtaPassThrough16;
  cdb[sat::kProtocolByte] = sat::ProtocolField(protocol) | (ext ? sat::kExtend : 0);
  // The registers come back in the sense data (CK_COND) for commands
  // without data and data-out commands, whose result is in the registers
  // (DOWNLOAD MICROCODE reports its state in the count). Data-in commands go
  // without: some hosts then report ABORTED COMMAND although the data
  // arrived, and a failing command returns its registers anyway.
  uint8_t& transfer = cdb[sat::kTransferByte];
  transfer = in ? 0 : sat::kCkCond;
  if (in || out) transfer |= sat::kBytBlok | sat::kTLengthInCount | (in ? sat::kTDirIn : 0);
  sat::WriteRegisters(cdb, b);
  return cdb;
}

SgCommand SgFromAtaPassThrough(const ATA_PASS_THROUGH_DIRECT& b) {
  SgCommand c;
  c.cdb = SatCdbFromTaskFile(b);
  c.cdbLength = 16;
  c.timeoutMs = TimeoutMs(b.TimeOutValue);
  if (b.DataTransferLength > 0 && b.DataBuffer != nullptr &&
      (b.AtaFlags & (ATA_FLAGS_DATA_IN | ATA_FLAGS_DATA_OUT))) {
    c.data = b.DataBuffer;
    c.length = b.DataTransferLength;
    c.direction = (b.AtaFlags & ATA_FLAGS_DATA_IN) ? kSgDxferFromDev : kSgDxferToDev;
  }
  return c;
}

DWORD ErrorFromSgStatus(uint8_t hostStatus, uint8_t driverStatus) {
  const uint8_t driver = driverStatus & kSgDriverCodeMask;
  if (hostStatus == kSgHostTimeOut || driver == kSgDriverTimeout) return ERROR_SEM_TIMEOUT;
  if (hostStatus == kSgHostNoConnect) return ERROR_DEV_NOT_EXIST;
  if (hostStatus == kSgHostBusBusy) return ERROR_NOT_READY;
  if (hostStatus != kSgHostOk || driver != kSgDriverOk) return ERROR_IO_DEVICE;
  return ERROR_SUCCESS;
}

}  // namespace os::linuxos
