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
      why = "'" + item + "' is not an LBA or a range first-last";
      return std::nullopt;
    }
    ranges.push_back(LbaRange{*first, *last});
  }
  return ranges;
}

std::optional<std::vector<CommandFault>> ParseCommandFaults(std::string_view text,
                                                            std::string& why) {
  std::vector<CommandFault> faults;
  for (const std::string& item : ListItems(text)) {
    CommandFault f;
    const size_t colon = item.find(':');
    const size_t at = item.find('@');
    const size_t star = item.find('*');
    const std::string proto =
        common::ToLower(common::TrimView(std::string_view(item).substr(0, colon)));
    if (colon == std::string::npos) {
      why = "'" + item + "': expected protocol:opcode, for example ata:0x92@3";
      return std::nullopt;
    }
    if (proto == "ata") {
      f.protocol = CommandProtocol::kAta;
    } else if (proto == "scsi") {
      f.protocol = CommandProtocol::kScsi;
    } else if (proto == "nvme") {
      f.protocol = CommandProtocol::kNvme;
    } else if (proto == "nvme-io") {
      f.protocol = CommandProtocol::kNvmeIo;
    } else {
      why = "'" + item + "': the protocol is ata, scsi, nvme or nvme-io";
      return std::nullopt;
    }
    const size_t opEnd = std::min(at, star);
    const auto opcode = ParseU64(std::string_view(item).substr(
        colon + 1, opEnd == std::string::npos ? std::string::npos : opEnd - colon - 1));
    std::optional<uint64_t> occurrence = 1;
    std::optional<uint64_t> times = 1;
    if (at != std::string::npos) {
      occurrence = ParseU64(std::string_view(item).substr(
          at + 1, star == std::string::npos || star < at ? std::string::npos : star - at - 1));
    }
    if (star != std::string::npos) times = ParseU64(std::string_view(item).substr(star + 1));
    if (!opcode || *opcode > 0xFF || !occurrence || *occurrence == 0 ||
        *occurrence > 0xFFFFFFFFull || !times || *times == 0 || *times > 0xFFFFFFFFull ||
        (star != std::string::npos && at != std::string::npos && star < at)) {
      why = "'" + item + "': expected protocol:opcode[@occurrence][*times] with numbers from 1";
      return std::nullopt;
    }
    f.opcode = static_cast<uint8_t>(*opcode);
    f.occurrence = static_cast<uint32_t>(*occurrence);
    f.times = static_cast<uint32_t>(*times);
    faults.push_back(f);
  }
  return faults;
}

}  // namespace lab
