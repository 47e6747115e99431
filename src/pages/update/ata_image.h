#pragma once
// The byte work of the ATA download: blocks per command from IDENTIFY, the
// new-bad-block test on the SMART data, the configuration-identity (CID)
// comparison, and the conversion older bridge firmware needs.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "package/update_rules.h"

namespace update {

// IDENTIFY DEVICE words of the download (ACS numbering).
inline constexpr size_t kIdentifyMinBlocksWord = 234;
inline constexpr size_t kIdentifyMaxBlocksWord = 235;
inline constexpr uint32_t kMaxBlocksWithoutMaxTranSize = 256;
inline constexpr uint32_t kReducedBlocks = 128;

// Blocks per DOWNLOAD MICROCODE command: word 235, cut to 128 when it is
// above 256 and UseMaxTranSize is off.
uint32_t BlocksPerCommand(std::span<const uint8_t> identify, bool useMaxTranSize);
// After a failed attempt: word 234.
uint32_t MinimumBlocks(std::span<const uint8_t> identify);

// SMART READ DATA: a 2-byte revision, then 30 entries of 12 bytes.
namespace smart {
inline constexpr size_t kFirstEntry = 2;
inline constexpr size_t kEntrySize = 12;
inline constexpr size_t kEntryCount = 30;
inline constexpr size_t kRawOffset = 5;
inline constexpr uint8_t kReallocatedSectors = 5;
static_assert(kFirstEntry + kEntryCount * kEntrySize == 362);
}  // namespace smart
// The low 32 bits of attribute 5's raw value; 0 when the attribute is absent.
uint32_t ReallocatedRaw(std::span<const uint8_t> smartData);

// The CID record: image bytes 0x800..0x87F; byte 0x841 bit 0 asks for the
// comparison with the drive's record (controller memory 0x800).
inline constexpr size_t kCidImageOffset = 0x800;
inline constexpr uint32_t kCidMemoryAddress = 0x800;
inline constexpr size_t kCidBytes = 128;
inline constexpr size_t kCidCompareFlag = 0x841;
inline constexpr uint8_t kCidCompareBit = 0x01;
using CidRecord = std::array<uint8_t, kCidBytes>;

bool ImageAsksCidCompare(std::span<const uint8_t> image);
// The bytes a package may change per drive (and the checksum) cleared.
CidRecord MaskCid(std::span<const uint8_t, kCidBytes> cid);
bool CidsMatch(std::span<const uint8_t, kCidBytes> drive,
               std::span<const uint8_t, kCidBytes> image);

// Legacy conversion: the layout older bridge firmware reads.
namespace legacy {
inline constexpr size_t kP0925ASize = 0xC0400;
inline constexpr size_t kQ0427ASize = 0xA0400;
inline constexpr size_t kHeaderFrom = 1040;
inline constexpr size_t kHeaderBytes = 1024;
inline constexpr size_t kBodyFrom = 2080;
inline constexpr size_t kBodyTo = 1024;
inline constexpr size_t kBodyBytes = 0x80000;
inline constexpr size_t kTrailerFrom = 0x80810;
inline constexpr size_t kTrailerBytes = 16;
inline constexpr size_t kQ0427ATrailerTo = 0xA03F0;
// The source layout must reach the end of the body.
inline constexpr size_t kMinimumSourceBytes = kBodyFrom + kBodyBytes;
static_assert(kHeaderFrom + kHeaderBytes <= kBodyFrom);
static_assert(kTrailerFrom + kTrailerBytes <= kMinimumSourceBytes);
static_assert(kQ0427ATrailerTo + kTrailerBytes == kQ0427ASize);
}  // namespace legacy
inline constexpr const char* kImageTooShortForConversion =
    "FW file is too short for the conversion!";

// Converts `image` in place for `kind`; nothing for kNone. Nothing (the image
// untouched) when the image is shorter than the source layout.
std::optional<std::vector<uint8_t>> ConvertLegacyImage(std::vector<uint8_t> image,
                                                       firmware::LegacyConversion kind);

}  // namespace update
