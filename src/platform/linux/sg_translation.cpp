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
  // The registers always come back in the sense data, so the status of
  // every command can be judged.
  uint8_t& transfer = cdb[sat::kTransferByte];
  transfer = sat::kCkCond;
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

bool TaskFileFromSense(std::span<const uint8_t> s, ATA_PASS_THROUGH_DIRECT& b) {
  if (s.empty()) return false;
  uint8_t* cur = b.CurrentTaskFile;
  const uint8_t code = s[0] & 0x7F;
  if (code == 0x72 || code == 0x73) {
    // Walk the descriptors for the ATA Status Return descriptor (09h).
    const size_t total = s.size() >= 8 ? std::min<size_t>(s.size(), 8u + s[7]) : 0;
    for (size_t i = 8; i + sat::kStatusReturnSize <= total;) {
      const uint8_t type = s[i];
      const size_t len = 2u + s[i + 1];
      if (type == sat::kStatusReturnType && len >= sat::kStatusReturnSize) {
        const std::span<const uint8_t> d = s.subspan(i, sat::kStatusReturnSize);
        cur[kTaskFileFeatures] = d[sat::kStatusReturnError];
        cur[kTaskFileCount] = d[sat::kStatusReturnCount];
        cur[kTaskFileLbaLow] = d[sat::kStatusReturnLbaLow];
        cur[kTaskFileLbaMid] = d[sat::kStatusReturnLbaMid];
        cur[kTaskFileLbaHigh] = d[sat::kStatusReturnLbaHigh];
        cur[kTaskFileDevice] = d[sat::kStatusReturnDevice];
        cur[kTaskFileCommand] = d[sat::kStatusReturnStatus];
        return true;
      }
      i += len;
    }
    return false;
  }
  if ((code == 0x70 || code == 0x71) && s.size() >= 12) {
    cur[kTaskFileFeatures] = s[3];
    cur[kTaskFileCommand] = s[4];
    cur[kTaskFileDevice] = s[5];
    cur[kTaskFileCount] = s[6];
    cur[kTaskFileLbaLow] = s[9];
    cur[kTaskFileLbaMid] = s[10];
    cur[kTaskFileLbaHigh] = s[11];
    return true;
  }
  return false;
}

}  // namespace os::linuxos
