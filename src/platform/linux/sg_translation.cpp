#include "platform/linux/sg_translation.h"

#include <algorithm>
#include <cstring>

namespace os::linuxos {
namespace {

constexpr uint8_t kAtaPassThrough16 = 0x85;
constexpr uint8_t kProtocolNonData = 3;
constexpr uint8_t kProtocolPioIn = 4;
constexpr uint8_t kProtocolPioOut = 5;
constexpr uint8_t kProtocolDma = 6;
constexpr uint8_t kCkCond = 0x20;
constexpr uint8_t kTDirIn = 0x08;
constexpr uint8_t kBytBlock = 0x04;
constexpr uint8_t kTLengthInCount = 0x02;

}  // namespace

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

std::array<uint8_t, 16> SatCdbFromTaskFile(const ATA_PASS_THROUGH_DIRECT& b) {
  std::array<uint8_t, 16> cdb{};
  const bool in = (b.AtaFlags & ATA_FLAGS_DATA_IN) && b.DataTransferLength > 0;
  const bool out = (b.AtaFlags & ATA_FLAGS_DATA_OUT) && b.DataTransferLength > 0;
  const bool dma = (b.AtaFlags & ATA_FLAGS_USE_DMA) != 0;
  const bool ext = (b.AtaFlags & ATA_FLAGS_48BIT_COMMAND) != 0;
  uint8_t protocol = kProtocolNonData;
  if (in || out) protocol = dma ? kProtocolDma : (in ? kProtocolPioIn : kProtocolPioOut);
  cdb[0] = kAtaPassThrough16;
  cdb[1] = static_cast<uint8_t>(protocol << 1 | (ext ? 1 : 0));
  cdb[2] = kCkCond;
  if (in || out) cdb[2] |= kBytBlock | kTLengthInCount | (in ? kTDirIn : 0);
  const uint8_t* cur = b.CurrentTaskFile;
  const uint8_t* prev = b.PreviousTaskFile;
  if (ext) {
    cdb[3] = prev[kTaskFileFeatures];
    cdb[5] = prev[kTaskFileCount];
    cdb[7] = prev[kTaskFileLbaLow];
    cdb[9] = prev[kTaskFileLbaMid];
    cdb[11] = prev[kTaskFileLbaHigh];
  }
  cdb[4] = cur[kTaskFileFeatures];
  cdb[6] = cur[kTaskFileCount];
  cdb[8] = cur[kTaskFileLbaLow];
  cdb[10] = cur[kTaskFileLbaMid];
  cdb[12] = cur[kTaskFileLbaHigh];
  cdb[13] = cur[kTaskFileDevice];
  cdb[14] = cur[kTaskFileCommand];
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
    for (size_t i = 8; i + 14 <= total;) {
      const uint8_t type = s[i];
      const size_t len = 2u + s[i + 1];
      if (type == 0x09 && len >= 14) {
        cur[kTaskFileFeatures] = s[i + 3];
        cur[kTaskFileCount] = s[i + 5];
        cur[kTaskFileLbaLow] = s[i + 7];
        cur[kTaskFileLbaMid] = s[i + 9];
        cur[kTaskFileLbaHigh] = s[i + 11];
        cur[kTaskFileDevice] = s[i + 12];
        cur[kTaskFileCommand] = s[i + 13];
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
