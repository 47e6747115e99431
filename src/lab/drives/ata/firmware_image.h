#pragma once
// What the SATA controllers read out of a firmware image they are given, and
// the two forms they accept a download in: a plain image (its checksum at
// 0x87C holds) or an update file, the image padded to whole units and followed
// by one checksum unit (first four bytes: the 32-bit little-endian sum of the
// image's 32-bit little-endian words; the rest zero).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lab::drives {

namespace image {
inline constexpr size_t kIdentifyTemplate = 0x600;
inline constexpr size_t kVersionWords = 0x62E;  // IDENTIFY words 23-26, pairs swapped
inline constexpr size_t kVersionSize = 8;
inline constexpr size_t kCid = 0x800;
inline constexpr size_t kCidSize = 128;
inline constexpr size_t kChecksum = 0x87C;  // byte sum of all but 0x600..0x87F
inline constexpr size_t kChecksumAreaEnd = 0x880;
inline constexpr size_t kIdentityField = 0xEFF0;  // version text, retry tag, firmware tag
inline constexpr size_t kIdentityFieldSize = 16;
}  // namespace image

// The revision the image carries: its IDENTIFY template's words 23-26 (stored
// pairs swapped) or, where those are blank, the 8 characters at 0xEFF0.
// Nothing when neither holds printable text.
std::optional<std::string> ImageVersion(std::span<const uint8_t> image);
// The 128-byte CID record at 0x800; nothing when the image is too short.
std::optional<std::vector<uint8_t>> ImageCid(std::span<const uint8_t> image);

// True when the image's checksum at 0x87C (32-bit little-endian) equals the
// sum of every byte outside 0x600..0x87F.
bool ImageChecksumValid(std::span<const uint8_t> image);

// 32-bit little-endian sum of the 32-bit little-endian words (a tail shorter
// than a word is padded with zeros).
uint32_t WordSum(std::span<const uint8_t> bytes);
// The framing above, with `unitBytes` a multiple of 512.
std::vector<uint8_t> MakeUpdateFile(std::span<const uint8_t> image, uint32_t unitBytes);
// The length of the image part when `file` is a complete update file.
std::optional<size_t> UpdateFileImageSize(std::span<const uint8_t> file, uint32_t unitBytes);

}  // namespace lab::drives
