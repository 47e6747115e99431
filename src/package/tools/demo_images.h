#pragma once
// The demo package's file contents, made from nothing but a seed text and the
// facts they must carry (versions, tags), so no binary is committed.
#include <cstdint>
#include <string>
#include <vector>

namespace firmware::demo {

// Layout of the demo SATA ISP images.
inline constexpr size_t kSataImageSize = 256 * 1024;
inline constexpr size_t kIdentifyTemplate = 0x600;
inline constexpr size_t kIdentifyVersion = kIdentifyTemplate + 46;  // words 23..26
inline constexpr size_t kCidRecord = 0x800;
inline constexpr size_t kCidRecordLength = 128;
inline constexpr size_t kCidCompareFlag = 0x841;
inline constexpr size_t kImageChecksum = 0x87C;
inline constexpr size_t kChecksumAreaEnd = 0x880;
inline constexpr size_t kIdentityField = 0xEFF0;
inline constexpr size_t kBootIspArea = 0x4000;  // the last 16 KiB
static_assert(kIdentifyVersion == 0x62E);
static_assert(kIdentityField + 16 <= kSataImageSize - kBootIspArea);

// Layout of the demo NVMe image: a header of seven 48-byte entries whose ISP
// record carries the version at data offset + 0x7FFC8.
inline constexpr size_t kCssEntries = 656;
inline constexpr size_t kCssEntrySize = 48;
inline constexpr size_t kCssEntryCount = 7;
inline constexpr size_t kCssIspData = 0x1000;
inline constexpr size_t kCssIspVersion = kCssIspData + 0x7FFC8;
inline constexpr size_t kNvmeImageSize = kCssIspVersion + 0x38;
static_assert(kCssIspVersion == 528328);
static_assert(kCssEntries + kCssEntryCount * kCssEntrySize <= 0x400);

// Deterministic filler bytes for a seed text.
std::vector<uint8_t> Filler(const std::string& seed, size_t size);

// A SATA ISP image: version (8 characters) in the identity field and, pair-
// swapped, in the IDENTIFY template; retry tag and raw tag (2 and 6 bytes as the
// controller stores them) in the identity field; a CID record that does not ask
// for the CID comparison; the checksum over everything outside the template/CID
// area.
std::vector<uint8_t> SataIspImage(const std::string& seed, const std::string& version,
                                  const std::string& retryTag, const std::string& rawTag);

// An NVMe image with a light-switch, an empty, an ISP and an option-ROM entry.
std::vector<uint8_t> NvmeImage(const std::string& seed, const std::string& version);

std::vector<uint8_t> BootIsp(const std::string& seed, size_t size);

// Retry table number n: tables with even numbers use the "RrTable" layout.
std::vector<uint8_t> RetryTable(int number);

}  // namespace firmware::demo
