#pragma once
// The ATA SMART attribute table as information rows: one row per attribute of a
// SMART READ DATA block, named from the SMART rule file's "ID%X" keys.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ini_file.h"
#include "pages/info/decoder/info_row.h"
#include "pages/info/decoder/rule_source.h"

namespace info {

// SMART READ DATA layout (ATA): revision, 30 attribute entries of 12 bytes from
// byte 2, then the vendor-specific area.
inline constexpr size_t kSmartDataBytes = 512;
inline constexpr size_t kSmartAttributeBytes = 12;
inline constexpr size_t kSmartAttributeTableOffset = 2;
inline constexpr int kSmartAttributeCount = 30;
inline constexpr size_t kSmartVendorAreaOffset = 386;
inline constexpr int kSmartVendorAttributeCount = 10;
static_assert(kSmartAttributeTableOffset + kSmartAttributeCount * kSmartAttributeBytes <=
              kSmartVendorAreaOffset);
static_assert(kSmartVendorAreaOffset + kSmartVendorAttributeCount * kSmartAttributeBytes <=
              kSmartDataBytes);
// Within an attribute entry.
inline constexpr size_t kAttrId = 0;
inline constexpr size_t kAttrCurrent = 3;
inline constexpr size_t kAttrWorst = 4;
inline constexpr size_t kAttrRaw = 5;  // six bytes, least significant first
inline constexpr size_t kAttrRawBytes = 6;

inline constexpr size_t kMaxSmartNameChars = 99;

// Attribute names by ID; an ID without a name has an empty one.
using SmartAttributeNames = std::array<std::string, 256>;

// Reads "ID1" .. "IDFF" of `section`, each cut to 99 characters and trimmed of
// blanks and control characters at both ends.
SmartAttributeNames ReadSmartAttributeNames(const common::IniFile& rules, std::string_view section);

// Rows (caption, "Current", "Worst", "Raw data") for the attributes of the
// block in their order, each ID once at its first place; with
// `addVendorSpecific` also up to 10 entries of the vendor area, up to the first
// ID 0. A short block reads as zero-filled.
std::vector<InfoRow> AtaSmartRows(std::span<const uint8_t> smartData,
                                  const SmartAttributeNames& names, bool addVendorSpecific);

// Empties the list and fills it from the block with names from the profile's
// SMART rule file; when that file does not exist or cannot be read the list
// stays empty and the page's text for it is returned (empty on success).
std::string ShowAtaSmartTable(std::span<const uint8_t> smartData, const RuleSource& source,
                              RowSink& rows);

}  // namespace info
