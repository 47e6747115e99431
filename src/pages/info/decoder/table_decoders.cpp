#include "pages/info/decoder/table_decoders.h"

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "pages/info/decoder/rule_table_decoder.h"

namespace info {
namespace {

// A copy of exactly `size` bytes: longer data is cut, shorter zero-filled.
std::vector<uint8_t> FixedCopy(std::span<const uint8_t> data, size_t size) {
  std::vector<uint8_t> out(size, 0);
  std::copy_n(data.begin(), std::min(size, data.size()), out.begin());
  return out;
}

std::string DecodeWithRuleFile(std::span<const uint8_t> table, const std::string& path,
                               DecodeStyle style, const RuleSource& source, RowSink& rows,
                               const DecodeReporter& report) {
  const std::optional<common::IniFile> rules = LoadRuleFile(source.os, path);
  if (!rules) {
    const std::string problem = RuleFileProblem(source.os, path);
    report.Trace(std::string(kRuleTraceTag) + " " + problem);
    return problem;
  }
  DecodeRuleTable(table, *rules, path, style, rows, report);
  return {};
}

}  // namespace

std::string DecodeConfigTable(ConfigTableKind kind, std::span<const uint8_t> data,
                              const RuleSource& source, RowSink& rows,
                              const DecodeReporter& report) {
  std::vector<uint8_t> table;
  if (kind == ConfigTableKind::kNvme) {
    table = FixedCopy(data, kNvmeIdentifyBytes);
  } else {
    table = FixedCopy(data, kAtaIdentifyBufferBytes);
    const std::span<uint8_t> t(table);
    common::SwapBytePairs(t.subspan(kAtaSerialOffset, kAtaSerialBytes));
    common::SwapBytePairs(t.subspan(kAtaFirmwareOffset, kAtaFirmwareBytes));
    common::SwapBytePairs(t.subspan(kAtaModelOffset, kAtaModelBytes));
  }
  return DecodeWithRuleFile(table, source.ConfigRulePath(), DecodeStyle::kDeviceInfo, source, rows,
                            report);
}

std::string DecodeNvmeSmartLog(std::span<const uint8_t> log, const RuleSource& source,
                               RowSink& rows, const DecodeReporter& report) {
  rows.ClearRows();
  const std::vector<uint8_t> table = FixedCopy(log, kNvmeSmartLogBytes);
  return DecodeWithRuleFile(table, source.SmartRulePath(), DecodeStyle::kSmart, source, rows,
                            report);
}

}  // namespace info
