#include "pages/info/smart/ata_smart_table.h"

#include <bitset>

#include "common/bytes.h"
#include "common/text.h"

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

class AttributeRows {
 public:
  AttributeRows(std::span<const uint8_t> data, const SmartAttributeNames& names)
      : data_(data), names_(names) {}

  // False when the entry's ID is 0.
  bool Add(size_t entryOffset) {
    const uint8_t id = common::Read8(data_, entryOffset + kAttrId);
    if (id == 0) return false;
    if (shown_.test(id)) return true;
    shown_.set(id);
    std::string raw;
    for (size_t i = kAttrRawBytes; i-- > 0;) {
      if (!raw.empty()) raw += ' ';
      raw += common::Format("%02X", common::Read8(data_, entryOffset + kAttrRaw + i));
    }
    rows_.push_back(InfoRow{common::Format("%02X %s", id, names_[id].c_str()),
                            {CurrentText(common::Read8(data_, entryOffset + kAttrCurrent)),
                             CurrentText(common::Read8(data_, entryOffset + kAttrWorst)), raw}});
    return true;
  }
  std::vector<InfoRow> Take() { return std::move(rows_); }

 private:
  std::span<const uint8_t> data_;
  const SmartAttributeNames& names_;
  std::bitset<256> shown_;
  std::vector<InfoRow> rows_;
};

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
  AttributeRows rows(smartData, names);
  for (int i = 0; i < kSmartAttributeCount; ++i) {
    rows.Add(kSmartAttributeTableOffset + static_cast<size_t>(i) * kSmartAttributeBytes);
  }
  if (addVendorSpecific) {
    for (int i = 0; i < kSmartVendorAttributeCount; ++i) {
      if (!rows.Add(kSmartVendorAreaOffset + static_cast<size_t>(i) * kSmartAttributeBytes)) break;
    }
  }
  return rows.Take();
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
