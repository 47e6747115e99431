#pragma once
// Typed reads of one lab.ini section that note every bad value as a problem
// ("[Disk2] Capacity: ...") and fall back to the default, so a faulty file is
// reported completely in one go.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ini_file.h"

namespace lab {

class SectionReader {
 public:
  SectionReader(const common::IniFile& ini, std::string section, std::vector<std::string>& problems)
      : ini_(ini), section_(std::move(section)), problems_(problems) {}

  bool Has(std::string_view key) const { return ini_.ValueExists(section_, key); }
  std::string Str(std::string_view key, std::string_view def = {}) const;
  uint32_t U32(std::string_view key, uint32_t def, uint32_t min, uint32_t max);
  uint16_t Hex16(std::string_view key, uint16_t def);
  bool Flag(std::string_view key, bool def);
  void Problem(std::string_view key, std::string_view why);

  // The same reads for keys whose absence matters: unset when the key is
  // missing or its value is bad (a bad value is noted as a problem).
  std::optional<uint64_t> Number(std::string_view key, uint64_t min, uint64_t max);
  template <typename T>
  std::optional<T> NumberAs(std::string_view key, uint64_t min, uint64_t max) {
    const auto v = Number(key, min, max);
    return v ? std::optional<T>(static_cast<T>(*v)) : std::nullopt;
  }
  std::optional<bool> OptFlag(std::string_view key);
  std::optional<uint16_t> OptHex16(std::string_view key);
  // Printable text of at most `maxLength` characters, taken as it stands.
  std::optional<std::string> Text(std::string_view key, size_t maxLength);
  // Hexadecimal bytes; `size` 0 takes 1 to `maxSize` bytes, else exactly `size`.
  std::optional<std::vector<uint8_t>> HexBytes(std::string_view key, size_t size,
                                               size_t maxSize = 0);
  const std::string& Section() const { return section_; }
  const common::IniFile& Ini() const { return ini_; }

 private:
  const common::IniFile& ini_;
  std::string section_;
  std::vector<std::string>& problems_;
};

}  // namespace lab
