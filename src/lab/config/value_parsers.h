#pragma once
// Parsers for the value forms lab.ini uses beyond plain integers: 64-bit
// numbers, capacities with units, letter lists, PCI locations, hex byte
// strings, LBA ranges and byte patches (fault lists: lab/faults/fault_list.h). Each returns nullopt
// (and a reason) on input it does not accept.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lab/config/disk_config.h"

namespace lab {

// Decimal, or hexadecimal written "0x..." or "$..."; surrounding blanks allowed.
std::optional<uint64_t> ParseU64(std::string_view text);

// A sector count, or a size with a unit (KB, MB, GB, TB decimal; KiB, MiB,
// GiB, TiB binary) turned into sectors of `sectorSize` bytes, rounded down.
std::optional<uint64_t> ParseCapacity(std::string_view text, uint32_t sectorSize);

// "C", "C,D", "C: D:" -> upper-case letters.
std::optional<std::vector<char>> ParseLetters(std::string_view text, std::string& why);

// "3:0.1" (bus:device.function, decimal) or a location text that starts with
// "PCI bus" -> "PCI bus 3, device 0, function 1".
std::optional<std::string> ParsePciLocation(std::string_view text, std::string& why);

// "EC 3A 98 01" or "EC3A9801" -> bytes.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);

// "100-107, 5000" -> ranges.
std::optional<std::vector<LbaRange>> ParseLbaRanges(std::string_view text, std::string& why);

// "19=04, 0x58=A2B3" -> byte patches (offset decimal or 0x, bytes hexadecimal).
std::optional<std::vector<BytePatch>> ParseBytePatches(std::string_view text, std::string& why);

}  // namespace lab
