#pragma once
// Builds the 512 bytes of IDENTIFY DEVICE data of an emulated SATA SSD, word by
// word as ACS lays them out; the words a host reads are named below.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lab::drives {

inline constexpr size_t kSectorSize = 512;
using Sector = std::array<uint8_t, kSectorSize>;

namespace idw {  // IDENTIFY DEVICE word numbers
inline constexpr size_t kGeneral = 0;
inline constexpr size_t kSerial = 10;    // 10 words
inline constexpr size_t kFirmware = 23;  // 4 words
inline constexpr size_t kModel = 27;     // 20 words
inline constexpr size_t kCapabilities = 49;
inline constexpr size_t kLba28 = 60;  // 2 words
inline constexpr size_t kAdditionalSupported = 69;
inline constexpr size_t kQueueDepth = 75;
inline constexpr size_t kSataCapabilities = 76;
inline constexpr size_t kSataFeatures = 78;
inline constexpr size_t kSataEnabled = 79;
inline constexpr size_t kMajorVersion = 80;
inline constexpr size_t kCommandSet1 = 82;
inline constexpr size_t kCommandSet2 = 83;
inline constexpr size_t kCommandSet3 = 84;
inline constexpr size_t kEnabled1 = 85;
inline constexpr size_t kEnabled2 = 86;
inline constexpr size_t kEnabled3 = 87;
inline constexpr size_t kUdma = 88;
inline constexpr size_t kEraseTime = 89;
inline constexpr size_t kEnhancedEraseTime = 90;
inline constexpr size_t kMasterPasswordId = 92;
inline constexpr size_t kLba48 = 100;  // 4 words
inline constexpr size_t kSectorSizeInfo = 106;
inline constexpr size_t kWwn = 108;  // 4 words
inline constexpr size_t kCommandSet4 = 119;
inline constexpr size_t kEnabled4 = 120;
inline constexpr size_t kSecurityStatus = 128;
inline constexpr size_t kDataSetManagement = 169;
inline constexpr size_t kRotationRate = 217;
inline constexpr size_t kTransportMajor = 222;
inline constexpr size_t kDmMinBlocks = 234;
inline constexpr size_t kDmMaxBlocks = 235;
inline constexpr size_t kIntegrity = 255;
}  // namespace idw

// Bits of the security status word (128).
inline constexpr uint16_t kSecSupported = 0x0001;
inline constexpr uint16_t kSecEnabled = 0x0002;
inline constexpr uint16_t kSecLocked = 0x0004;
inline constexpr uint16_t kSecFrozen = 0x0008;
inline constexpr uint16_t kSecCountExpired = 0x0010;
inline constexpr uint16_t kSecEnhancedErase = 0x0020;
inline constexpr uint16_t kSecMaximumLevel = 0x0100;

// What a drive model supports; fixed by its settings.
struct AtaFeatures {
  bool security = true;
  bool trim = true;
  bool ncq = true;
  bool apm = true;
  bool hipm = true;
  bool dipm = true;
  bool devSleep = false;
  bool downloadMicrocode = true;
  bool downloadMicrocodeDma = true;
  bool downloadOffsets = true;  // subcommand 3
  uint16_t dmMinBlocks = 1;
  uint16_t dmMaxBlocks = 256;
  uint16_t eraseMinutes = 2;
  uint64_t wwn = 0;
};

// What changes while the drive runs.
struct AtaIdentifyDynamic {
  std::string firmware;
  uint64_t sectors = 0;
  bool smartEnabled = true;
  uint16_t securityStatus = 0;  // word 128
  uint16_t masterPasswordId = 0xFFFE;
};

Sector BuildIdentify(std::string_view model, std::string_view serial, const AtaFeatures& features,
                     const AtaIdentifyDynamic& dynamic);

// Writes text into `words` words from `word`, blank padded, bytes of each word
// swapped (the ATA string order).
void PutAtaString(std::span<uint8_t> data, size_t word, size_t words, std::string_view text);
std::string GetAtaString(std::span<const uint8_t> data, size_t word, size_t words);
uint16_t GetWord(std::span<const uint8_t> data, size_t word);
void SetWord(std::span<uint8_t> data, size_t word, uint16_t value);
// Word 255: signature A5h and the checksum that makes all 512 bytes sum to 0.
void SealIdentify(std::span<uint8_t> data);

}  // namespace lab::drives
