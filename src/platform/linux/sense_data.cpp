#include "platform/linux/sense_data.h"

#include <algorithm>
#include <cstddef>

#include "platform/sat_cdb.h"

namespace os::linuxos {
namespace {

// Fixed format: key in byte 2, ASC/ASCQ in 12/13.
constexpr size_t kFixedKey = 2;
constexpr size_t kFixedAsc = 12;
constexpr size_t kFixedAscq = 13;
constexpr size_t kFixedMinimum = 14;
// SAT: error, status, device, count in the INFORMATION field; the LBA in
// the command-specific information field behind a flags byte.
constexpr size_t kSatError = 3;
constexpr size_t kSatStatus = 4;
constexpr size_t kSatDevice = 5;
constexpr size_t kSatCount = 6;
constexpr size_t kSatLbaLow = 9;
constexpr size_t kSatLbaMid = 10;
constexpr size_t kSatLbaHigh = 11;
// libata before 6.11 wrote the SAT layout shifted by 5 bytes.
constexpr size_t kOldError = 8;
constexpr size_t kOldStatus = 9;
constexpr size_t kOldDevice = 10;
constexpr size_t kOldCount = 11;
constexpr size_t kOldLbaLow = 17;
constexpr size_t kOldLbaMid = 18;
constexpr size_t kOldLbaHigh = 19;

// Descriptor format: key, ASC, ASCQ in bytes 1-3, the additional length in
// byte 7, descriptors from byte 8.
constexpr size_t kDescKey = 1;
constexpr size_t kDescAsc = 2;
constexpr size_t kDescAscq = 3;
constexpr size_t kDescAdditionalLength = 7;
constexpr size_t kDescFirst = 8;

uint8_t At(std::span<const uint8_t> s, size_t i) { return i < s.size() ? s[i] : 0; }

void ParseDescriptor(std::span<const uint8_t> s, SenseInfo& info) {
  info.layout = SenseLayout::kDescriptor;
  info.key = At(s, kDescKey) & 0x0F;
  info.asc = At(s, kDescAsc);
  info.ascq = At(s, kDescAscq);
  if (s.size() <= kDescAdditionalLength) return;
  const size_t end = std::min<size_t>(s.size(), kDescFirst + s[kDescAdditionalLength]);
  for (size_t i = kDescFirst; i + 2 <= end;) {
    const size_t length = 2u + s[i + 1];
    if (s[i] == sat::kStatusReturnType && length >= sat::kStatusReturnSize &&
        i + sat::kStatusReturnSize <= end) {
      const std::span<const uint8_t> d = s.subspan(i, sat::kStatusReturnSize);
      AtaRegisters& r = info.registers;
      r.error = d[sat::kStatusReturnError];
      r.count = d[sat::kStatusReturnCount];
      r.lbaLow = d[sat::kStatusReturnLbaLow];
      r.lbaMid = d[sat::kStatusReturnLbaMid];
      r.lbaHigh = d[sat::kStatusReturnLbaHigh];
      r.device = d[sat::kStatusReturnDevice];
      r.status = d[sat::kStatusReturnStatus];
      info.hasRegisters = true;
      return;
    }
    i += length;
  }
}

void ParseFixed(std::span<const uint8_t> s, SenseInfo& info) {
  info.layout = SenseLayout::kFixedNoRegisters;
  info.key = At(s, kFixedKey) & 0x0F;
  info.asc = At(s, kFixedAsc);
  info.ascq = At(s, kFixedAscq);
  if (s.size() < kFixedMinimum) return;
  AtaRegisters& r = info.registers;
  // A finished ATA command never leaves a status register of 0 (DRDY or an
  // error bit is set), so the status byte tells the two layouts apart.
  if (s[kSatStatus] != 0) {
    info.layout = SenseLayout::kFixedSat;
    r.error = s[kSatError];
    r.status = s[kSatStatus];
    r.device = s[kSatDevice];
    r.count = s[kSatCount];
    r.lbaLow = s[kSatLbaLow];
    r.lbaMid = s[kSatLbaMid];
    r.lbaHigh = s[kSatLbaHigh];
    info.hasRegisters = true;
  } else if (s[kOldStatus] != 0) {
    info.layout = SenseLayout::kFixedOldLibata;
    r.error = s[kOldError];
    r.status = s[kOldStatus];
    r.device = s[kOldDevice];
    r.count = s[kOldCount];
    // The LBA lies past the 18 bytes the kernel reports as valid; whatever
    // of it came back is taken.
    r.lbaLow = At(s, kOldLbaLow);
    r.lbaMid = At(s, kOldLbaMid);
    r.lbaHigh = At(s, kOldLbaHigh);
    info.hasRegisters = true;
  }
}

}  // namespace

SenseInfo ParseSense(std::span<const uint8_t> sense) {
  SenseInfo info;
  if (sense.empty()) return info;
  switch (sense[0] & 0x7F) {
    case kSenseDescriptorCurrent:
    case kSenseDescriptorDeferred:
      ParseDescriptor(sense, info);
      break;
    case kSenseFixedCurrent:
    case kSenseFixedDeferred:
      ParseFixed(sense, info);
      break;
    default:
      break;
  }
  return info;
}

}  // namespace os::linuxos
