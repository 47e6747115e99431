#include "record/identity_finder.h"

namespace record {
namespace {

// ATA IDENTIFY DEVICE: 512 bytes.
constexpr size_t kAtaBlock = 512;
constexpr size_t kAtaSignatureAt = 510;
constexpr uint8_t kAtaSignature = 0xA5;
constexpr size_t kAtaSerialAt = 20;  // words 10-19
constexpr size_t kAtaSerialLength = 20;
constexpr size_t kAtaFirmwareAt = 46;  // words 23-26, the model follows: words 27-46
constexpr size_t kAtaFirmwareLength = 8;
constexpr size_t kAtaModelLength = 40;
constexpr size_t kAtaWwnAt = 216;  // words 108-111
constexpr size_t kAtaWwnLength = 8;

// NVMe Identify Controller: 4096 bytes; SN 4-23, MN 24-63, FR 64-71, all ASCII.
constexpr size_t kNvmeBlock = 4096;
constexpr size_t kNvmeSerialAt = 4;
constexpr size_t kNvmeSerialLength = 20;
constexpr size_t kNvmeTextEnd = 72;

// SCSI Unit Serial Number VPD page.
constexpr uint8_t kVpdSerialPage = 0x80;
constexpr size_t kVpdHeader = 4;

// STORAGE_DEVICE_DESCRIPTOR: Version, Size, ..., SerialNumberOffset at 24.
constexpr size_t kDescriptorSerialOffsetAt = 24;
constexpr size_t kDescriptorMin = 40;

// Only blocks in buffers of reply size are searched: a transfer of a clone
// holds no identity worth the time.
constexpr size_t kSearchLimit = 64 * 1024;

bool Printable(std::span<const uint8_t> s) {
  bool anyText = false;
  for (uint8_t c : s) {
    if (c < 0x20 || c > 0x7E) return false;
    if (c != ' ') anyText = true;
  }
  return anyText;
}

uint32_t Le32(std::span<const uint8_t> b, size_t at) {
  return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 |
         uint32_t{b[at + 3]} << 24;
}

// Word 255 holds the signature (its checksum is not always right: firmware
// that patches a field late leaves it stale) or nothing; the serial, firmware
// revision and model strings are text.
bool AtaIdentifyAt(std::span<const uint8_t> b, size_t at) {
  const uint8_t signature = b[at + kAtaSignatureAt];
  if (signature != kAtaSignature && (signature != 0 || b[at + kAtaSignatureAt + 1] != 0))
    return false;
  return Printable(b.subspan(at + kAtaSerialAt, kAtaSerialLength)) &&
         Printable(b.subspan(at + kAtaFirmwareAt, kAtaFirmwareLength + kAtaModelLength));
}

bool NonZero(std::span<const uint8_t> b) {
  for (uint8_t c : b)
    if (c != 0) return true;
  return false;
}

}  // namespace

std::vector<FoundIdentity> FindIdentities(std::span<const uint8_t> b) {
  std::vector<FoundIdentity> found;
  if (b.size() > kSearchLimit) return found;
  for (size_t at = 0; at + kAtaBlock <= b.size(); at += 2) {
    if (!AtaIdentifyAt(b, at)) continue;
    found.push_back({FoundIdentity::Kind::kAtaSerial, at + kAtaSerialAt, kAtaSerialLength});
    if (NonZero(b.subspan(at + kAtaWwnAt, kAtaWwnLength)))
      found.push_back({FoundIdentity::Kind::kAtaWwn, at + kAtaWwnAt, kAtaWwnLength});
    at += kAtaBlock - 2;
  }
  for (size_t at = 0; at + kNvmeBlock <= b.size(); at += 4) {
    if (Printable(b.subspan(at + kNvmeSerialAt, kNvmeTextEnd - kNvmeSerialAt))) {
      found.push_back({FoundIdentity::Kind::kText, at + kNvmeSerialAt, kNvmeSerialLength});
      break;
    }
  }
  if (b.size() > kVpdHeader && b[1] == kVpdSerialPage && b[2] == 0) {
    const size_t length = b[3];
    if (length > 0 && kVpdHeader + length <= b.size() &&
        Printable(b.subspan(kVpdHeader, length)))
      found.push_back({FoundIdentity::Kind::kText, kVpdHeader, length});
  }
  if (b.size() >= kDescriptorMin && Le32(b, 0) == kDescriptorMin && Le32(b, 4) >= kDescriptorMin &&
      Le32(b, 4) <= b.size()) {
    const size_t at = Le32(b, kDescriptorSerialOffsetAt);
    if (at >= kDescriptorMin && at < Le32(b, 4)) {
      size_t end = at;
      const size_t size = Le32(b, 4);
      while (end < size && b[end] != 0) ++end;
      if (end > at && Printable(b.subspan(at, end - at)))
        found.push_back({FoundIdentity::Kind::kText, at, end - at});
    }
  }
  return found;
}

}  // namespace record
