#pragma once
// The lines the run log is made of, with their exact wording and spacing.
#include <optional>
#include <string>
#include <vector>

#include "config/run_log/run_log.h"
#include "platform/win_types.h"

namespace app {

// The number every tool line and the controller list carry.
inline constexpr int kAspiNumber = 467;

std::string StartTimeLine(const os::SYSTEMTIME& t);
std::string EndTimeLine(const os::SYSTEMTIME& t);

// Start-up: the start line and a line of one line feed.
void AppendStartLines(RunLog& log, const os::SYSTEMTIME& now);
// Close: a line of one line feed and the end line.
void AppendEndLines(RunLog& log, const os::SYSTEMTIME& now);
// "Number of Device:%d".
void AppendDeviceCount(RunLog& log, int deviceCount);
// An empty line, "[Tool Info]" and the tool line with the window caption.
void AppendToolInfo(RunLog& log, const std::string& caption);

// What the start-up block of one identified drive shows (the update list's texts).
struct DeviceLogBlock {
  int slot = 0;
  std::string controller;
  std::string device;
  std::string serialNumber;
  std::string currentFw;
  std::string expectFw;
  std::string modelName;
  // Only for drives with a parameter block, and only when the column is shown.
  std::optional<std::string> fwTag;
  // Set when the drive's ISP image does not exist: the path looked for.
  std::optional<std::string> missingIspPath;
};
void AppendDeviceBlock(RunLog& log, const DeviceLogBlock& block);

// Rescan: one entry per drive whose ISP image is missing.
void AppendRescanWarning(RunLog& log, int slot, const std::string& ispPath);
// Rule decoder: a rule section is missing.
std::string MissingRuleSectionLine(const std::string& ruleFile, const std::string& section);
// NVMe update allowed for a drive.
std::string NvmeUpdateLine(const std::string& device, const std::string& currentFw,
                           const std::string& newFw);
// End of an update run: an empty line, then "[Result Info]" and one line per row
// when the list has rows.
void AppendResultInfo(RunLog& log, const std::vector<std::string>& rowResults);

// Why a row of a run ended as it did, or what the run did to it besides its
// result. It has a key of its own, so that "Dev_<row>" stays the row's one
// result line for a script that reads the log.
std::string RowNoteLine(int row, const std::string& text);

}  // namespace app
