#include "pages/info/decoder/rule_table_decoder.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "config/run_log/run_log_lines.h"
#include "pages/info/decoder/rule_numbers.h"

namespace info {
namespace {

// How many characters of each number key the format looks at.
constexpr size_t kUnitSizeChars = 2;
constexpr size_t kTotalUnitNumChars = 4;
constexpr size_t kOffsetChars = 5;
constexpr size_t kSmallNumberChars = 2;
constexpr size_t kFlagChars = 1;

constexpr const char* kUnknownText = "Unknow";
// Method 0 marks reserved bits; codes other than 1-3 show nothing either.
constexpr int kMethodText = 1;
constexpr int kMethodLabel = 2;
constexpr int kMethodTextAlt = 3;

constexpr int64_t kNumericValueBits = static_cast<int64_t>(kNumericValueBytes) * 8;

// The keys of one item section, read once.
struct ItemRule {
  int32_t offset = 0;
  int32_t units = 0;
  int32_t pointer = 0;
  int32_t pointerOffset = 0;
};

bool ValidSlot(int32_t slot) { return slot >= 1 && slot <= kPointerSlotCount; }

// One run of the decoder: pointer slots, work buffer and numeric value live
// only as long as the run.
class RuleRun {
 public:
  RuleRun(std::span<const uint8_t> table, const common::IniFile& rules, const std::string& rulePath,
          DecodeStyle style, RowSink& rows, const DecodeReporter& report, int32_t unitSize)
      : table_(table),
        rules_(rules),
        rulePath_(rulePath),
        style_(style),
        rows_(rows),
        report_(report),
        unitSize_(unitSize),
        work_(kWorkBufferBytes, 0) {}

  void DecodeItem(const std::string& section);

 private:
  int32_t Number(const std::string& section, const char* key, size_t chars) const {
    return ParseLeadingDecimal(rules_.ReadString(section, key, "0"), chars);
  }
  void Skip(const std::string& section, const std::string& why) const {
    report_.Trace(common::Format("%s %s [%s]: %s, item skipped", kRuleTraceTag, rulePath_.c_str(),
                                 section.c_str(), why.c_str()));
  }
  void ApplyByteOrder(size_t length, bool text);
  void DecodeBitFields(const std::string& section, size_t length);

  std::span<const uint8_t> table_;
  const common::IniFile& rules_;
  const std::string& rulePath_;
  DecodeStyle style_;
  RowSink& rows_;
  const DecodeReporter& report_;
  int32_t unitSize_;
  std::array<int32_t, kPointerSlotCount> slots_{};
  std::vector<uint8_t> work_;
  std::array<uint8_t, kNumericValueBytes> numeric_{};
};

void RuleRun::DecodeItem(const std::string& section) {
  ItemRule item;
  item.offset = Number(section, "ItemUnitOffset", kOffsetChars);
  item.units = Number(section, "ItemUnitNum", kSmallNumberChars);
  item.pointer = Number(section, "ItemPointer", kSmallNumberChars);
  item.pointerOffset = Number(section, "ItemPointerOffset", kSmallNumberChars);

  int64_t offsetUnits = item.offset;
  if (item.pointerOffset != 0) {
    if (!ValidSlot(item.pointerOffset)) {
      Skip(section, common::Format("ItemPointerOffset %d is not a slot 1-8", item.pointerOffset));
      return;
    }
    const int32_t base = slots_[static_cast<size_t>(item.pointerOffset - 1)];
    // A slot never set (or set from a zero value) means the structure it
    // points to is absent.
    if (base == 0) return;
    offsetUnits += base;
  }
  if (item.units == 0) return;
  if (item.pointer != 0 && !ValidSlot(item.pointer)) {
    Skip(section, common::Format("ItemPointer %d is not a slot 1-8", item.pointer));
    return;
  }

  const int64_t length = int64_t{item.units} * unitSize_;
  const int64_t start = offsetUnits * unitSize_;
  if (length > static_cast<int64_t>(kWorkBufferBytes)) {
    Skip(section, common::Format("%lld bytes are longer than %zu", static_cast<long long>(length),
                                 kWorkBufferBytes));
    return;
  }
  if (start < 0 || start + length > static_cast<int64_t>(table_.size())) {
    Skip(section, common::Format("bytes %lld-%lld lie outside the %zu-byte table",
                                 static_cast<long long>(start),
                                 static_cast<long long>(start + length - 1), table_.size()));
    return;
  }

  const auto len = static_cast<size_t>(length);
  std::fill(work_.begin(), work_.end(), uint8_t{0});
  std::copy_n(table_.begin() + static_cast<ptrdiff_t>(start), len, work_.begin());

  const bool bigEndian = Number(section, "ItemBigEndian", kFlagChars) != 0;
  const bool text = Number(section, "ItemStringMode", kFlagChars) != 0;
  if (bigEndian) ApplyByteOrder(len, text);
  if (!text) std::copy_n(work_.begin(), kNumericValueBytes, numeric_.begin());

  const std::string desc = rules_.ReadString(section, "ItemDesc", "0");
  const bool bitFields = Number(section, "ItemBitEnable", kFlagChars) != 0;
  // A text item has no number of its own: a pointer or a bit breakdown on it
  // would describe the previous item's value, so neither is taken.
  if (text && (item.pointer != 0 || bitFields)) {
    report_.Trace(common::Format("%s %s [%s]: text item, ItemPointer and bit fields ignored",
                                 kRuleTraceTag, rulePath_.c_str(), section.c_str()));
  }
  if (!text && item.pointer != 0) {
    slots_[static_cast<size_t>(item.pointer - 1)] =
        static_cast<int32_t>(common::ReadLe32(numeric_, 0));
  }

  if (desc != "0") {
    const std::string value =
        text ? common::ShownText(common::TextFromBytes(std::span<const uint8_t>(work_).first(len)))
             : NumericValueText(numeric_, len, style_);
    rows_.AddRow(InfoRow{PrintablePrefix(desc), {value}});
  }

  if (!text && bitFields && style_ == DecodeStyle::kDeviceInfo) DecodeBitFields(section, len);
}

void RuleRun::ApplyByteOrder(size_t length, bool text) {
  const auto item = std::span<uint8_t>(work_).first(length);
  if (unitSize_ == 2 && text) {
    common::SwapBytePairs(item);
  } else if (unitSize_ == 2 || unitSize_ == 1) {
    std::reverse(item.begin(), item.end());
  }
}

void RuleRun::DecodeBitFields(const std::string& section, size_t length) {
  const std::string widthText = rules_.ReadString(section, "BitItemNum", "0");
  const std::string methodText = rules_.ReadString(section, "BitItemMethod", "0");
  if (widthText == "0" || methodText == "0") return;
  const std::vector<int32_t> widths = ParseRuleList(widthText);
  const std::vector<int32_t> methods = ParseRuleList(methodText);

  const int64_t totalBits = static_cast<int64_t>(length) * 8;
  int64_t p = 0;
  for (size_t k = 0;; ++k) {
    const int32_t w = k < widths.size() ? widths[k] : -1;
    const int32_t m = k < methods.size() ? methods[k] : -1;
    const int index = static_cast<int>(std::min<size_t>(k, INT32_MAX));
    if (m == kMethodText || m == kMethodLabel || m == kMethodTextAlt) {
      // Only fields that show a value must fit a 32-bit number within the
      // item's first 64 bytes; reserved gaps of any width are fine.
      if (w > kMaxBitFieldWidth || (w > 0 && p + w > kNumericValueBits)) {
        report_.Trace(common::Format(
            "%s %s [%s]: bit field %d (bits %lld, width %d) does not fit a 32-bit value within "
            "the item's first %zu bytes, remaining bit fields skipped",
            kRuleTraceTag, rulePath_.c_str(), section.c_str(), index, static_cast<long long>(p), w,
            kNumericValueBytes));
        return;
      }
      const uint32_t v = ExtractBits(numeric_, p, w);
      const std::string key = m == kMethodLabel
                                  ? common::Format("BitItem%d", index)
                                  : common::Format("BitItem%d_%d", index, static_cast<int32_t>(v));
      const std::string raw = rules_.ReadString(section, key, kUnknownText);
      std::string t = PrintablePrefix(raw);
      if (m == kMethodLabel) t += common::Format(": 0x%X", v);
      if (raw != "0" && t != kUnknownText) rows_.AddRow(InfoRow{"", {PrintablePrefix(t)}});
    }
    if (w == -1 || p + w >= totalBits) return;
    p += w;
  }
}

}  // namespace

std::string DuplicateSectionBoxText(const std::string& rulePath, const std::string& section) {
  return "Please check \n" + rulePath + "\n  **** Section Name: " + section + " ****";
}

void DecodeRuleTable(std::span<const uint8_t> table, const common::IniFile& rules,
                     const std::string& rulePath, DecodeStyle style, RowSink& rows,
                     const DecodeReporter& report) {
  const int32_t unitSize =
      ParseLeadingDecimal(rules.ReadString(kRuleSettingSection, "UnitSize", "0"), kUnitSizeChars);
  const int32_t totalUnits = ParseLeadingDecimal(
      rules.ReadString(kRuleSettingSection, "TotalUnitNum", "0"), kTotalUnitNumChars);
  if (unitSize == 0 || totalUnits == 0) return;

  const std::vector<std::string> names = rules.SectionNames();
  std::unordered_map<std::string, int> counts;
  for (const std::string& n : names) ++counts[n];

  RuleRun run(table, rules, rulePath, style, rows, report, unitSize);
  for (const std::string& section : names) {
    if (section.find(kItemSectionTag) == std::string::npos) continue;
    if (counts[section] > 1) {
      rows.ClearRows();
      report.ErrorBox(kLoadIniErrorCaption, DuplicateSectionBoxText(rulePath, section));
      report.RunLogLine(app::MissingRuleSectionLine(rulePath, section));
      return;
    }
    const common::IniFile::Section* s = rules.FindSection(section);
    if (s == nullptr || s->entries.empty()) continue;
    run.DecodeItem(section);
  }
}

}  // namespace info
