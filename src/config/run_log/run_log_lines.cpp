#include "config/run_log/run_log_lines.h"

#include "common/text.h"

namespace app {
namespace {

std::string TimeLine(const char* label, const os::SYSTEMTIME& t) {
  return common::Format("%s=%04d-%02d-%02d_%02d:%02d:%02d", label, t.wYear, t.wMonth, t.wDay,
                        t.wHour, t.wMinute, t.wSecond);
}

}  // namespace

std::string StartTimeLine(const os::SYSTEMTIME& t) { return TimeLine("Start Time", t); }
std::string EndTimeLine(const os::SYSTEMTIME& t) { return TimeLine("End Time", t); }

void AppendStartLines(RunLog& log, const os::SYSTEMTIME& now) {
  log.Append(StartTimeLine(now));
  log.Append("\n");
}

void AppendEndLines(RunLog& log, const os::SYSTEMTIME& now) {
  log.Append("\n");
  log.Append(EndTimeLine(now));
}

void AppendDeviceCount(RunLog& log, int deviceCount) {
  log.Append(common::Format("Number of Device:%d", deviceCount));
}

void AppendToolInfo(RunLog& log, const std::string& caption) {
  log.Append("");
  log.Append("[Tool Info]");
  log.Append(common::Format("Tool:%s, ASPI:%d", caption.c_str(), kAspiNumber));
}

void AppendDeviceBlock(RunLog& log, const DeviceLogBlock& b) {
  log.Append(common::Format("[Dev_%d]", b.slot));
  log.Append("Controller     : " + b.controller);
  log.Append("Device         : " + b.device);
  log.Append("Serial Number  : " + b.serialNumber);
  log.Append("Current FW Ver : " + b.currentFw);
  log.Append("Expect FW Ver  : " + b.expectFw);
  log.Append("Model Name     : " + b.modelName);
  if (b.fwTag) log.Append("FW Tag         : " + *b.fwTag);
  if (b.missingIspPath) {
    log.Append(common::Format("***Warning***(Dev_%d)", b.slot));
    log.Append("File Not Exist => " + *b.missingIspPath);
  }
}

void AppendRescanWarning(RunLog& log, int slot, const std::string& ispPath) {
  // One entry: the tag runs straight into the text.
  log.Append(common::Format("[Warning]Please check FW file(%d)...\n %s", slot, ispPath.c_str()));
}

std::string MissingRuleSectionLine(const std::string& ruleFile, const std::string& section) {
  return "Please check " + ruleFile + "  **** Section Name: " + section;
}

std::string NvmeUpdateLine(const std::string& device, const std::string& currentFw,
                           const std::string& newFw) {
  return common::Format("### Device <%s> ###  Current FW:%s, New FW:%s", device.c_str(),
                        currentFw.c_str(), newFw.c_str());
}

void AppendResultInfo(RunLog& log, const std::vector<std::string>& rowResults) {
  log.Append("");
  if (rowResults.empty()) return;
  log.Append("[Result Info]");
  for (size_t i = 0; i < rowResults.size(); ++i) {
    log.Append(common::Format("Dev_%d          : %s", static_cast<int>(i), rowResults[i].c_str()));
  }
}

std::string RowNoteLine(int row, const std::string& text) {
  return common::Format("Note_%d         : %s", row, text.c_str());
}

}  // namespace app
