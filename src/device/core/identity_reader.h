#pragma once
// The one reader of a drive's identity: model, serial and firmware texts and
// the capacity, decoded from ATA IDENTIFY DEVICE and NVMe Identify Controller /
// Identify Namespace data. The lists, the pages, the command line and the check
// made right before destructive work all read identities here, so a drive is
// named and recognised the same way everywhere.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace device {

// Byte ranges of the identity texts in Identify Controller data.
inline constexpr size_t kNvmeIdSerialOffset = 4;
inline constexpr size_t kNvmeIdSerialBytes = 20;
inline constexpr size_t kNvmeIdModelOffset = 24;
inline constexpr size_t kNvmeIdModelBytes = 40;
inline constexpr size_t kNvmeIdFirmwareOffset = 64;
inline constexpr size_t kNvmeIdFirmwareBytes = 8;
static_assert(kNvmeIdSerialOffset + kNvmeIdSerialBytes == kNvmeIdModelOffset);
static_assert(kNvmeIdModelOffset + kNvmeIdModelBytes == kNvmeIdFirmwareOffset);
// Namespace Size (NSZE) in Identify Namespace data: logical blocks.
inline constexpr size_t kNvmeNsSizeOffset = 0;

// The texts of a drive as it reported them, each ending at its first NUL;
// blanks and bytes outside printable ASCII kept.
struct IdentityTexts {
  std::string serial;    // up to 20 characters
  std::string firmware;  // up to 8
  std::string model;     // up to 40
};

// IDENTIFY DEVICE words 10..19, 23..26 and 27..46, the two bytes of each word
// swapped. A field the data does not hold reads as what it holds of it.
IdentityTexts AtaIdentityTexts(std::span<const uint8_t> identify);
// Identify Controller bytes 4..23, 64..71 and 24..63, as stored.
IdentityTexts NvmeIdentityTexts(std::span<const uint8_t> identifyController);

// The same texts trimmed of blanks, raw bytes kept (what comparisons use).
IdentityTexts TrimmedIdentity(const IdentityTexts& texts);
// Trimmed, then every byte outside printable ASCII escaped (what is shown).
IdentityTexts ShownIdentity(const IdentityTexts& texts);
// No serial, model or firmware at all: the identify read failed (or the drive
// answered nothing).
bool IdentityUnknown(const IdentityTexts& texts);

// The 40 model characters of IDENTIFY words 27..46, pair-swapped, NULs kept.
std::string AtaModelField(std::span<const uint8_t> identify);

// User-addressable sectors: words 100..103 when the 48-bit feature set is
// supported (word 83 bit 10), else words 60..61; 0 when the data is short.
uint64_t AtaCapacitySectors(std::span<const uint8_t> identify);
// Namespace Size of Identify Namespace data; 0 when the data is short.
uint64_t NvmeNamespaceBlocks(std::span<const uint8_t> identifyNamespace);

}  // namespace device
