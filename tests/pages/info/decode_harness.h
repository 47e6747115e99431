#pragma once
// Runs the rule decoder on rule text held in the test and records everything it
// reports: rows, error boxes, run-log lines and trace lines.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/ini_file.h"
#include "pages/info/decoder/rule_table_decoder.h"

namespace infotest {

struct DecodeOutcome {
  info::RowList list;
  std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
  std::vector<std::string> runLog;
  std::vector<std::string> traces;

  const std::vector<info::InfoRow>& Rows() const { return list.Rows(); }
};

inline info::DecodeReporter RecordingReporter(DecodeOutcome& out, bool popUp = true) {
  info::DecodeReporter r;
  r.popUpMsgBox = popUp;
  r.showErrorBox = [&out](const std::string& c, const std::string& t) {
    out.boxes.emplace_back(c, t);
  };
  r.appendRunLog = [&out](const std::string& l) { out.runLog.push_back(l); };
  r.trace = [&out](const std::string& l) { out.traces.push_back(l); };
  return r;
}

inline DecodeOutcome DecodeText(const std::string& rules, const std::vector<uint8_t>& table,
                                info::DecodeStyle style = info::DecodeStyle::kDeviceInfo,
                                bool popUp = true) {
  DecodeOutcome out;
  const info::DecodeReporter rep = RecordingReporter(out, popUp);
  info::DecodeRuleTable(table, common::IniFile::FromText(rules), "C:\\Tool\\VK4630\\Rule.ini",
                        style, out.list, rep);
  return out;
}

inline info::InfoRow Row(std::string caption, std::string value) {
  return info::InfoRow{std::move(caption), {std::move(value)}};
}

// A rule file with the given unit size and one item per entry of `items`.
inline std::string RuleFile(int unitSize, const std::vector<std::string>& items) {
  std::string text = "[Setting]\nUnitSize=" + std::to_string(unitSize) + "\nTotalUnitNum=512\n";
  for (size_t i = 0; i < items.size(); ++i) {
    text += "[Item_" + std::to_string(i) + "]\n" + items[i] + "\n";
  }
  return text;
}

}  // namespace infotest
