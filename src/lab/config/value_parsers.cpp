#include "lab/config/value_parsers.h"

#include <cctype>

#include "common/text.h"

namespace lab {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits on commas, trims, drops empty fields.
std::vector<std::string> ListItems(std::string_view text) {
  std::vector<std::string> items;
  for (const std::string& part : common::Split(text, ',')) {
    std::string item = common::Trim(part);
    if (!item.empty()) items.push_back(std::move(item));
  }
  return items;
}

}  // namespace

std::optional<uint64_t> ParseU64(std::string_view text) {
  text = common::TrimView(text);
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.size() > 1 && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    const int digit = base == 16 ? HexDigit(c) : (IsDigit(c) ? c - '0' : -1);
    if (digit < 0) return std::nullopt;
    if (value > (UINT64_MAX - static_cast<uint64_t>(digit)) / base) return std::nullopt;
    value = value * base + static_cast<uint64_t>(digit);
  }
  return value;
}

std::optional<uint64_t> ParseCapacity(std::string_view text, uint32_t sectorSize) {
  text = common::TrimView(text);
  size_t digits = 0;
  while (digits < text.size() && IsDigit(text[digits])) ++digits;
  if (digits == text.size()) return ParseU64(text);  // a plain sector count
  if (digits == 0 || sectorSize == 0) return std::nullopt;
  const auto number = ParseU64(text.substr(0, digits));
  const std::string unit = common::ToUpper(common::TrimView(text.substr(digits)));
  struct Unit {
    const char* name;
    uint64_t bytes;
  };
  static constexpr Unit kUnits[] = {
      {"KB", 1000ull},
      {"MB", 1000ull * 1000},
      {"GB", 1000ull * 1000 * 1000},
      {"TB", 1000ull * 1000 * 1000 * 1000},
      {"KIB", 1ull << 10},
      {"MIB", 1ull << 20},
      {"GIB", 1ull << 30},
      {"TIB", 1ull << 40},
  };
  if (!number) return std::nullopt;
  for (const Unit& u : kUnits) {
    if (unit != u.name) continue;
    // 64 TiB is far beyond any drive the lab models and keeps the product
    // below 2^64.
    if (*number > (64ull << 40) / u.bytes) return std::nullopt;
    return *number * u.bytes / sectorSize;
  }
  return std::nullopt;
}

std::optional<std::vector<char>> ParseLetters(std::string_view text, std::string& why) {
  std::vector<char> letters;
  for (char c : text) {
    if (c == ',' || c == ':' || common::IsBlank(c)) continue;
    const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (up < 'A' || up > 'Z') {
      why = common::Format("'%c' is not a drive letter", c);
      return std::nullopt;
    }
    for (char seen : letters) {
      if (seen == up) {
        why = common::Format("letter %c is listed twice", up);
        return std::nullopt;
      }
    }
    letters.push_back(up);
  }
  return letters;
}

std::optional<std::string> ParsePciLocation(std::string_view text, std::string& why) {
  text = common::TrimView(text);
  if (text.size() >= 7 && common::EqualsNoCase(text.substr(0, 7), "PCI bus")) {
    return std::string(text);
  }
  // bus:device.function
  const size_t colon = text.find(':');
  const size_t dot = text.find('.', colon == std::string_view::npos ? 0 : colon);
  if (colon == std::string_view::npos || dot == std::string_view::npos) {
    why = "expected bus:device.function, for example 3:0.0";
    return std::nullopt;
  }
  const auto bus = ParseU64(text.substr(0, colon));
  const auto device = ParseU64(text.substr(colon + 1, dot - colon - 1));
  const auto function = ParseU64(text.substr(dot + 1));
  if (!bus || !device || !function || *bus > 255 || *device > 31 || *function > 7) {
    why = "bus 0-255, device 0-31 and function 0-7 expected";
    return std::nullopt;
  }
  return common::Format("PCI bus %u, device %u, function %u", static_cast<unsigned>(*bus),
                        static_cast<unsigned>(*device), static_cast<unsigned>(*function));
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (char c : text) {
    if (common::IsBlank(c) || c == ',' || c == '-' || c == ':') {
      if (high >= 0) return std::nullopt;  // an odd digit inside a group
      continue;
    }
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(static_cast<uint8_t>(high << 4 | d));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

std::optional<std::vector<LbaRange>> ParseLbaRanges(std::string_view text, std::string& why) {
  std::vector<LbaRange> ranges;
  for (const std::string& item : ListItems(text)) {
    const size_t dash = item.find('-');
    const auto first = ParseU64(item.substr(0, dash));
    const auto last = dash == std::string::npos ? first : ParseU64(item.substr(dash + 1));
    if (!first || !last || *last < *first) {
      why = common::Format("'%s' is not an LBA or a range first-last", item.c_str());
      return std::nullopt;
    }
    ranges.push_back(LbaRange{*first, *last});
  }
  return ranges;
}

std::optional<std::vector<BytePatch>> ParseBytePatches(std::string_view text, std::string& why) {
  std::vector<BytePatch> patches;
  for (const std::string& item : ListItems(text)) {
    const size_t eq = item.find('=');
    const auto offset = eq == std::string::npos ? std::nullopt : ParseU64(item.substr(0, eq));
    const auto bytes = eq == std::string::npos
                           ? std::nullopt
                           : ParseHexBytes(std::string_view(item).substr(eq + 1));
    if (!offset || !bytes || bytes->empty() || *offset > 0xFFFFFF) {
      why = common::Format("'%s': expected offset=hexbytes, for example 0x58=A2", item.c_str());
      return std::nullopt;
    }
    patches.push_back({static_cast<size_t>(*offset), *bytes});
  }
  return patches;
}

}  // namespace lab
