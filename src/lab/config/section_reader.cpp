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
    Problem(key, common::Format("'%s' is not a 16-bit hexadecimal id", Str(key).c_str()));
    return def;
  }
  return static_cast<uint16_t>(*v);
}

bool SectionReader::Flag(std::string_view key, bool def) {
  if (!Has(key)) return def;
  const std::string text = common::ToLower(common::Trim(Str(key)));
  if (text == "1" || text == "yes" || text == "true" || text == "on") return true;
  if (text == "0" || text == "no" || text == "false" || text == "off") return false;
  Problem(key, common::Format("'%s' is not 0 or 1", Str(key).c_str()));
  return def;
}

std::optional<uint64_t> SectionReader::Number(std::string_view key, uint64_t min, uint64_t max) {
  if (!Has(key)) return std::nullopt;
  const std::string text = Str(key);
  const auto v = ParseU64(text);
  if (!v || *v < min || *v > max) {
    Problem(key, common::Format("'%s' is not a number from %llu to %llu", text.c_str(),
                                static_cast<unsigned long long>(min),
                                static_cast<unsigned long long>(max)));
    return std::nullopt;
  }
  return v;
}

std::optional<bool> SectionReader::OptFlag(std::string_view key) {
  if (!Has(key)) return std::nullopt;
  const size_t before = problems_.size();
  const bool v = Flag(key, false);
  if (problems_.size() != before) return std::nullopt;
  return v;
}

std::optional<uint16_t> SectionReader::OptHex16(std::string_view key) {
  if (!Has(key)) return std::nullopt;
  const size_t before = problems_.size();
  const uint16_t v = Hex16(key, 0);
  if (problems_.size() != before) return std::nullopt;
  return v;
}

std::optional<std::string> SectionReader::Text(std::string_view key, size_t maxLength) {
  if (!Has(key)) return std::nullopt;
  std::string v = Str(key);
  if (v.size() > maxLength) {
    Problem(key, common::Format("at most %zu characters", maxLength));
    return std::nullopt;
  }
  for (char c : v) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
      Problem(key, "printable characters only");
      return std::nullopt;
    }
  }
  return v;
}

std::optional<std::vector<uint8_t>> SectionReader::HexBytes(std::string_view key, size_t size,
                                                            size_t maxSize) {
  if (!Has(key)) return std::nullopt;
  auto v = ParseHexBytes(Str(key));
  const bool fits = v && (size != 0 ? v->size() == size : !v->empty() && v->size() <= maxSize);
  if (!fits) {
    Problem(key, size != 0 ? common::Format("expected %zu hexadecimal bytes", size)
                           : common::Format("expected 1 to %zu hexadecimal bytes", maxSize));
    return std::nullopt;
  }
  return v;
}

}  // namespace lab
