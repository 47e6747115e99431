#include "pages/info/smart/ata_smart_table.h"

#include "common/text.h"
#include "pages/info/smart/ata_attributes.h"

namespace info {
namespace {

bool IsBlankOrControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u <= 0x20 || u == 0x7F;
}

std::string TrimControl(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && IsBlankOrControl(s[b])) ++b;
  while (e > b && IsBlankOrControl(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string CurrentText(uint8_t v) { return common::Format("0x%02X (%d)", v, v); }

std::string RawText(uint64_t raw) {
  std::string text;
  for (size_t i = kAttrRawBytes; i-- > 0;) {
    if (!text.empty()) text += ' ';
    text += common::Format("%02X", static_cast<unsigned>((raw >> (8 * i)) & 0xFF));
  }
  return text;
}

}  // namespace

SmartAttributeNames ReadSmartAttributeNames(const common::IniFile& rules,
                                            std::string_view section) {
  SmartAttributeNames names;
  for (int id = 1; id <= 255; ++id) {
    const std::string value = rules.ReadString(section, common::Format("ID%X", id), "");
    names[static_cast<size_t>(id)] =
        TrimControl(std::string_view(value).substr(0, kMaxSmartNameChars));
  }
  return names;
}

std::vector<InfoRow> AtaSmartRows(std::span<const uint8_t> smartData,
                                  const SmartAttributeNames& names, bool addVendorSpecific) {
  std::vector<InfoRow> rows;
  for (const AtaAttribute& a : AtaAttributes(smartData, {}, addVendorSpecific)) {
    rows.push_back(InfoRow{common::Format("%02X %s", a.id, names[a.id].c_str()),
                           {CurrentText(a.current), CurrentText(a.worst), RawText(a.raw)}});
  }
  return rows;
}

std::string ShowAtaSmartTable(std::span<const uint8_t> smartData, const RuleSource& source,
                              RowSink& rows) {
  rows.ClearRows();
  const std::optional<common::IniFile> rules = LoadRuleFile(source.os, source.SmartRulePath());
  if (!rules) return RuleFileProblem(source.os, source.SmartRulePath());
  const SmartAttributeNames names =
      ReadSmartAttributeNames(*rules, source.profile.SMARTRule_SectionName);
  for (InfoRow& row : AtaSmartRows(smartData, names, source.profile.SMARTDataAddVendorSpecific)) {
    rows.AddRow(std::move(row));
  }
  return {};
}

}  // namespace info
