#pragma once
// Parsing and printing of the small values the drives keep in lab.ini and in
// their state files: 64-bit numbers, hex byte strings, byte patches. Every
// parser is tolerant: text it cannot read gives nothing, never a crash.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ini_file.h"

namespace lab::drives {

// Decimal, or hexadecimal written "0x..." / "$...". Surrounding blanks allowed.
std::optional<uint64_t> ParseU64(std::string_view text);
// Hexadecimal without prefix ("EC", "1f").
std::optional<uint32_t> ParseHex32(std::string_view text);

// Bytes written as hex pairs; blanks between pairs are allowed ("0A 1B2C").
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);
std::string HexBytes(std::span<const uint8_t> bytes);

// One patch of a byte block: "offset=hexbytes", offset decimal or 0x-hex.
struct BytePatch {
  size_t offset = 0;
  std::vector<uint8_t> bytes;
};
// A comma-separated list of patches; malformed entries are skipped.
std::vector<BytePatch> ParseBytePatches(std::string_view text);
// Applies the patches that fit inside the block; others are ignored.
void ApplyBytePatches(std::span<uint8_t> block, const std::vector<BytePatch>& patches);

// Integer setting in [min, max], else the default.
uint64_t ReadRanged(const common::IniFile& ini, std::string_view section, std::string_view key,
                    uint64_t def, uint64_t min, uint64_t max);
// Text setting clipped to maxLength characters (printable ASCII only).
std::string ReadText(const common::IniFile& ini, std::string_view section, std::string_view key,
                     std::string_view def, size_t maxLength);

// A 32-byte ATA password field from text (zero padded, at most 32 characters).
std::vector<uint8_t> PasswordField(std::string_view text);

}  // namespace lab::drives
