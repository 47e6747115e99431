#include "lab/drives/value_text.h"

#include <algorithm>

#include "common/text.h"

namespace lab::drives {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint64_t> ParseDigits(std::string_view s, unsigned base) {
  if (s.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0 || static_cast<unsigned>(d) >= base) return std::nullopt;
    if (value > (UINT64_MAX - static_cast<uint64_t>(d)) / base) return std::nullopt;
    value = value * base + static_cast<uint64_t>(d);
  }
  return value;
}

}  // namespace

std::optional<uint64_t> ParseU64(std::string_view text) {
  std::string_view s = common::TrimView(text);
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    return ParseDigits(s.substr(2), 16);
  if (s.size() > 1 && s[0] == '$') return ParseDigits(s.substr(1), 16);
  return ParseDigits(s, 10);
}

std::optional<uint32_t> ParseHex32(std::string_view text) {
  const auto v = ParseDigits(common::TrimView(text), 16);
  if (!v || *v > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(*v);
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<uint8_t> out;
  int high = -1;
  for (char c : text) {
    if (common::IsBlank(c)) {
      if (high >= 0) return std::nullopt;  // a pair split by a blank
      continue;
    }
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    if (high < 0) {
      high = d;
    } else {
      out.push_back(static_cast<uint8_t>(high << 4 | d));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return out;
}

std::string HexBytes(std::span<const uint8_t> bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    s.push_back(kDigits[b >> 4]);
    s.push_back(kDigits[b & 0x0F]);
  }
  return s;
}

std::vector<BytePatch> ParseBytePatches(std::string_view text) {
  std::vector<BytePatch> patches;
  for (const std::string& entry : common::Split(text, ',')) {
    const size_t eq = entry.find('=');
    if (eq == std::string::npos) continue;
    const auto offset = ParseU64(std::string_view(entry).substr(0, eq));
    const auto bytes = ParseHexBytes(std::string_view(entry).substr(eq + 1));
    if (!offset || !bytes || bytes->empty() || *offset > SIZE_MAX / 2) continue;
    patches.push_back({static_cast<size_t>(*offset), *bytes});
  }
  return patches;
}

void ApplyBytePatches(std::span<uint8_t> block, const std::vector<BytePatch>& patches) {
  for (const BytePatch& p : patches) {
    if (p.offset > block.size() || p.bytes.size() > block.size() - p.offset) continue;
    std::copy(p.bytes.begin(), p.bytes.end(), block.begin() + static_cast<ptrdiff_t>(p.offset));
  }
}

uint64_t ReadRanged(const common::IniFile& ini, std::string_view section, std::string_view key,
                    uint64_t def, uint64_t min, uint64_t max) {
  if (!ini.ValueExists(section, key)) return def;
  const auto v = ParseU64(ini.ReadString(section, key, ""));
  if (!v || *v < min || *v > max) return def;
  return *v;
}

std::string ReadText(const common::IniFile& ini, std::string_view section, std::string_view key,
                     std::string_view def, size_t maxLength) {
  std::string v =
      ini.ValueExists(section, key) ? ini.ReadString(section, key, def) : std::string(def);
  std::string out;
  for (char c : v) {
    if (out.size() == maxLength) break;
    const auto u = static_cast<unsigned char>(c);
    out.push_back(u >= 0x20 && u < 0x7F ? c : ' ');
  }
  return out;
}

std::vector<uint8_t> PasswordField(std::string_view text) {
  std::vector<uint8_t> field(32, 0);
  for (size_t i = 0; i < text.size() && i < field.size(); ++i)
    field[i] = static_cast<uint8_t>(text[i]);
  return field;
}

}  // namespace lab::drives
