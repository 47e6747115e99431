// Rule files and the tables they decode: a configuration table (IDENTIFY,
// Identify Controller) or an NVMe SMART / Health log with any rule file, the
// decimal column of the SMART page, and the ATA SMART attribute table with the
// attribute names of a rule file.
//
// Input: a flags byte, the table (a length of 2 bytes, up to 4 KiB, and the
// bytes), then the rule file's text.
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "fuzz_check.h"
#include "pages/info/decoder/rule_table_decoder.h"
#include "pages/info/decoder/table_decoders.h"
#include "pages/info/smart/ata_smart_table.h"
#include "pages/info/smart/nvme_smart_decimal.h"

namespace {

bool Printable(const std::string& s) {
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c > 0x7F) return false;
  }
  return true;
}

bool DecimalDigits(const std::string& s) {
  return s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in(data, size);
  const uint8_t flags = in.Byte();
  const std::span<const uint8_t> table = in.Sized(info::kNvmeIdentifyBytes);
  const common::IniFile rules = common::IniFile::FromText(in.RestText());

  const info::DecodeStyle style =
      (flags & 1) != 0 ? info::DecodeStyle::kSmart : info::DecodeStyle::kDeviceInfo;
  info::RowList rows;
  int errorBoxes = 0;
  info::DecodeReporter report;
  report.showErrorBox = [&](const std::string&, const std::string&) { ++errorBoxes; };
  report.trace = [](const std::string& line) { FUZZ_CHECK(!line.empty()); };
  info::DecodeRuleTable(table, rules, "fuzz.ini", style, rows, report);

  // Captions come from the rule file but are shown cut at the first byte
  // that is not printable; an error (two item sections of one name) leaves
  // no rows at all.
  if (errorBoxes > 0) FUZZ_CHECK(rows.Size() == 0);
  for (const info::InfoRow& row : rows.Rows()) {
    FUZZ_CHECK(Printable(row.caption));
    FUZZ_CHECK(row.subItems.size() == 1);
    FUZZ_CHECK(row.subItems[0].size() <= 3 * info::kWorkBufferBytes + 64);
  }

  std::vector<info::InfoRow> decoded = rows.Rows();
  info::AppendDecimalColumn(decoded);
  FUZZ_CHECK(decoded.size() == rows.Size());
  for (size_t i = 0; i < decoded.size(); ++i) {
    FUZZ_CHECK(decoded[i].subItems.size() == rows.Rows()[i].subItems.size() + 1);
    FUZZ_CHECK(DecimalDigits(decoded[i].subItems.back()));
  }

  const info::SmartAttributeNames names = info::ReadSmartAttributeNames(rules, "Names");
  for (const std::string& n : names) FUZZ_CHECK(n.size() <= info::kMaxSmartNameChars);
  const std::vector<info::InfoRow> smart = info::AtaSmartRows(table, names, (flags & 2) != 0);
  FUZZ_CHECK(smart.size() <=
             static_cast<size_t>(info::kSmartAttributeCount + info::kSmartVendorAttributeCount));
  std::set<std::string> captions;
  for (const info::InfoRow& row : smart) {
    FUZZ_CHECK(row.subItems.size() == 3);
    if ((flags & 2) == 0) FUZZ_CHECK(captions.insert(row.caption).second);
  }
  return 0;
}
