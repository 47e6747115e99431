#include "lab/config/section_reader.h"

#include "common/text.h"
#include "lab/config/value_parsers.h"

namespace lab {

std::string SectionReader::Str(std::string_view key, std::string_view def) const {
  return ini_.ReadString(section_, key, def);
}

void SectionReader::Problem(std::string_view key, std::string_view why) {
  problems_.push_back(common::Format("[%s] %.*s: %.*s", section_.c_str(),
                                     static_cast<int>(key.size()), key.data(),
                                     static_cast<int>(why.size()), why.data()));
}

uint32_t SectionReader::U32(std::string_view key, uint32_t def, uint32_t min, uint32_t max) {
  if (!Has(key)) return def;
  const std::string text = Str(key);
  const auto v = ParseU64(text);
  if (!v || *v < min || *v > max) {
    Problem(key, common::Format("'%s' is not a number from %u to %u", text.c_str(), min, max));
    return def;
  }
  return static_cast<uint32_t>(*v);
}

uint16_t SectionReader::Hex16(std::string_view key, uint16_t def) {
  if (!Has(key)) return def;
  std::string text = common::Trim(Str(key));
  // USB and PCI ids are hexadecimal whether or not they carry "0x".
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.erase(0, 2);
  const auto v = ParseU64("0x" + text);
  if (!v || *v > 0xFFFF) {
    Problem(key, "'" + Str(key) + "' is not a 16-bit hexadecimal id");
    return def;
  }
  return static_cast<uint16_t>(*v);
}

bool SectionReader::Flag(std::string_view key, bool def) {
  if (!Has(key)) return def;
  const std::string text = common::ToLower(common::Trim(Str(key)));
  if (text == "1" || text == "yes" || text == "true" || text == "on") return true;
  if (text == "0" || text == "no" || text == "false" || text == "off") return false;
  Problem(key, "'" + Str(key) + "' is not 0 or 1");
  return def;
}

}  // namespace lab
