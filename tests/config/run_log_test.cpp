#include "config/run_log/run_log.h"

#include <gtest/gtest.h>

#include "config/run_log/run_log_lines.h"
#include "platform/virtual_os.h"
#include "support/temp_dir.h"

namespace app {
namespace {

TEST(RunLog, FileHasEveryEntryFollowedByCrLfAndReplacesTheOldOne) {
  testsupport::TempDir dir;
  dir.Write("Log.txt", "an older and much longer run log that must disappear entirely");
  RunLog log;
  log.Append("Start Time=x");
  log.Append("\n");
  log.Append("Please check FW file(0)...\n C:\\a");
  os::VirtualOs vos;
  ASSERT_TRUE(log.SaveToFile(dir.Str() + "/Log.txt", vos));
  EXPECT_EQ(dir.Read("Log.txt"), "Start Time=x\r\n\n\r\nPlease check FW file(0)...\n C:\\a\r\n");
}

TEST(RunLog, UnwritableFileIsReportedNotFatal) {
  RunLog log;
  log.Append("x");
  os::VirtualOs vos;
  vos.Trace().SetCapture(true);
  EXPECT_FALSE(log.SaveToFile("/nonexistent_dir_xyz/Log.txt", vos));
  EXPECT_TRUE(vos.Trace().Contains("Cannot write the run log"));
  EXPECT_FALSE(log.SaveToFile("", vos));
}

TEST(RunLogLines, StartEndAndToolLines) {
  os::SYSTEMTIME t{};
  t.wYear = 2026;
  t.wMonth = 3;
  t.wDay = 4;
  t.wHour = 5;
  t.wMinute = 6;
  t.wSecond = 7;
  RunLog log;
  AppendStartLines(log, t);
  AppendDeviceCount(log, 0);
  AppendToolInfo(log, "SSD Tools V2.5.17_A1");
  AppendEndLines(log, t);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                             "Start Time=2026-03-04_05:06:07", "\n", "Number of Device:0", "",
                             "[Tool Info]", "Tool:SSD Tools V2.5.17_A1, ASPI:467", "\n",
                             "End Time=2026-03-04_05:06:07"}));
}

TEST(RunLogLines, DeviceBlockSpacingAndOptionalLines) {
  RunLog log;
  DeviceLogBlock b;
  b.slot = 1;
  b.controller = "VK4620XT";
  b.device = "PHYSICALDRIVE1";
  b.serialNumber = "SN1";
  b.currentFw = "S0821A";
  b.modelName = "SSD 512GB";
  b.fwTag = "B27A";
  b.missingIspPath = "/tool\\VK4620XT\\ISP.bin";
  AppendDeviceBlock(log, b);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                             "[Dev_1]", "Controller     : VK4620XT", "Device         : PHYSICALDRIVE1",
                             "Serial Number  : SN1", "Current FW Ver : S0821A", "Expect FW Ver  : ",
                             "Model Name     : SSD 512GB", "FW Tag         : B27A",
                             "***Warning***(Dev_1)", "File Not Exist => /tool\\VK4620XT\\ISP.bin"}));
  RunLog nvme;
  b.fwTag.reset();
  b.missingIspPath.reset();
  AppendDeviceBlock(nvme, b);
  EXPECT_EQ(nvme.Lines().size(), 7u);
}

TEST(RunLogLines, CatalogueLines) {
  RunLog log;
  AppendRescanWarning(log, 2, "p.bin");
  AppendResultInfo(log, {"PASS", "FAIL"});
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"[Warning]Please check FW file(2)...\n p.bin",
                                                   "", "[Result Info]", "Dev_0          : PASS",
                                                   "Dev_1          : FAIL"}));
  RunLog empty;
  AppendResultInfo(empty, {});
  EXPECT_EQ(empty.Lines(), (std::vector<std::string>{""}));
  EXPECT_EQ(MissingRuleSectionLine("a.ini", "S"), "Please check a.ini  **** Section Name: S");
  EXPECT_EQ(NvmeUpdateLine("NVME0", "1.0", "1.1"), "### Device <NVME0> ###  Current FW:1.0, New FW:1.1");
}

}  // namespace
}  // namespace app
