// Fuzz entry for the rule decoder: the input is split into a table and a rule
// file. Built into the test executable (where a test feeds it generated inputs)
// and, with clang and SSDTOOLS_FUZZ, into a libFuzzer target of its own.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/ini_file.h"
#include "pages/info/decoder/rule_table_decoder.h"
#include "pages/info/smart/ata_smart_table.h"
#include "pages/info/smart/nvme_smart_decimal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // Byte 0 picks the style, bytes 1-2 the table length (up to 4 KiB).
  const info::DecodeStyle style =
      (data[0] & 1) != 0 ? info::DecodeStyle::kSmart : info::DecodeStyle::kDeviceInfo;
  size_t tableSize = static_cast<size_t>(data[1] | (data[2] << 8)) % 4097;
  const std::span<const uint8_t> rest(data + 3, size - 3);
  if (tableSize > rest.size()) tableSize = rest.size();
  const std::span<const uint8_t> table = rest.first(tableSize);
  const std::string ruleText(rest.begin() + static_cast<std::ptrdiff_t>(tableSize), rest.end());

  const common::IniFile rules = common::IniFile::FromText(ruleText);
  info::RowList rows;
  info::DecodeReporter report;  // every report path runs, with nothing behind it
  info::DecodeRuleTable(table, rules, "fuzz.ini", style, rows, report);

  std::vector<info::InfoRow> decoded = rows.Rows();
  info::AppendDecimalColumn(decoded);
  const info::SmartAttributeNames names = info::ReadSmartAttributeNames(rules, "Names");
  (void)info::AtaSmartRows(table, names, (data[0] & 2) != 0);
  return 0;
}
