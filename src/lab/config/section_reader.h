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
  const std::string& Section() const { return section_; }
  const common::IniFile& Ini() const { return ini_; }

 private:
  const common::IniFile& ini_;
  std::string section_;
  std::vector<std::string>& problems_;
};

}  // namespace lab
