// The SMART page on the main form: the NVMe health log with its decimal
// column, the ATA attribute table, failures, and a change of drive.
#include <gtest/gtest.h>

#include "pages_fixture.h"
#include "pages_rules.h"

namespace {

using infotest::PagesFixture;
using Rows_t = std::vector<std::vector<std::string>>;

class SmartPage : public PagesFixture {
 protected:
  void SetUp() override {
    WriteRules("VK4630/SmartHealthLog.ini", infotest::kNvmeSmartRules);
    WriteRules("VK4620XT/SmartAttr.ini", infotest::kAtaSmartNames);
  }
  infotest::ScriptedDrive& AddNvme(const std::string& name = "\\\\.\\PHYSICALDRIVE2") {
    infotest::ScriptedDrive& d = AddDrive(name, true);
    d.healthLog[1] = 0x3B;  // 315 K
    d.healthLog[2] = 0x01;
    d.healthLog[5] = 7;
    d.healthLog[48 + 8] = 0x01;  // 2^64 + 0x10 data units
    d.healthLog[48] = 0x10;
    return d;
  }
  infotest::ScriptedDrive& AddSata(const std::string& name = "\\\\.\\PHYSICALDRIVE1") {
    infotest::ScriptedDrive& d = AddDrive(name, false);
    infotest::PutAttribute(d.smart, 0, 0x09, 100, 100, {0x10, 0x27});
    infotest::PutAttribute(d.smart, 1, 0xC2, 0x64, 0x50, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
    infotest::PutAttribute(d.smart, 2, 0x09, 1, 1, {0xFF});
    return d;
  }
};

TEST_F(SmartPage, NvmeLogRowsCarryTheirDecimalValue) {
  AddNvme();
  form.T_Smart.Click();

  EXPECT_EQ(calls, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE2: Get Log Page 02h"}));
  EXPECT_EQ(ColumnCaptions(), (std::vector<std::string>{"SMART", "Describe", "Decimal"}));
  EXPECT_EQ(ColumnWidths(), (std::vector<int>{376, 226, 147}));
  EXPECT_EQ(
      Rows(),
      (Rows_t{{"Composite temperature", "0x013B", "315"},
              {"Percentage used", "0x07", "7"},
              {"Data units written", "0x00000000000000010000000000000010", "18446744073709551632"},
              {"Odd width", "", ""}}));
  EXPECT_EQ(form.StatusMessage(), "Read SMART data successful");
  EXPECT_TRUE(form.TM_StatusBarClear.Enabled());
  // The selector moves over the second column as on the Device Info page.
  EXPECT_EQ(form.ST_DeviceName.Left(), 382);
  EXPECT_EQ(form.CMBB_DeviceList.Left(), 432);
}

TEST_F(SmartPage, NvmeErrorStatusShowsStatusCodeAndType) {
  infotest::ScriptedDrive& d = AddNvme();
  form.T_Smart.Click();
  ASSERT_EQ(Rows().size(), 4u);

  d.logResult = -127;
  d.statusCode = 0x09;
  d.statusCodeType = 0x01;
  form.T_Smart.Click();
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(form.StatusMessage(), "Read SMART data fail(SC:0x09, SCT:0x01)");

  d.logResult = -3;
  form.T_Smart.Click();
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(form.StatusMessage(), "Read SMART data fail(-3)");
}

TEST_F(SmartPage, NvmeWithoutRuleFileIsEmptyAndSaysSo) {
  AddNvme();
  drives.entries[0].profile->SMARTRule_FilePath = "VK4630\\";
  form.T_Smart.Click();
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(form.StatusMessage().rfind("Rule file not found: ", 0), 0u) << form.StatusMessage();
}

TEST_F(SmartPage, AtaAttributesNamedFromTheRuleSection) {
  AddSata();
  form.T_Smart.Click();

  EXPECT_EQ(calls, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE1: SMART ENABLE OPERATIONS",
                                             "\\\\.\\PHYSICALDRIVE1: SMART READ DATA"}));
  EXPECT_EQ(ColumnCaptions(), (std::vector<std::string>{"SMART", "Current", "Worst", "Raw data"}));
  EXPECT_EQ(ColumnWidths(), (std::vector<int>{376, 113, 113, 147}));
  // Attribute 9 stored twice is listed once, with its first entry; C2 has no name.
  EXPECT_EQ(Rows(), (Rows_t{{"09 Power-on hours", "0x64 (100)", "0x64 (100)", "00 00 00 00 27 10"},
                            {"C2 ", "0x64 (100)", "0x50 (80)", "06 05 04 03 02 01"}}));
  EXPECT_EQ(form.StatusMessage(), "Read SMART data successful");
}

TEST_F(SmartPage, AtaPageLeavesTheSelectorWhereItWas) {
  AddSata();
  form.ST_DeviceName.SetLeft(406);
  form.CMBB_DeviceList.SetLeft(456);
  form.T_Smart.Click();
  EXPECT_EQ(form.ST_DeviceName.Left(), 406);
  EXPECT_EQ(form.CMBB_DeviceList.Left(), 456);
}

TEST_F(SmartPage, AtaVendorAreaOnlyWhenTheProfileAsks) {
  infotest::ScriptedDrive& d = AddSata();
  // Vendor entries from byte 386: F1, then an ID 0 that ends them, then A9.
  d.smart[386] = 0xF1;
  d.smart[386 + 12] = 0;
  d.smart[386 + 24] = 0xA9;
  form.T_Smart.Click();
  EXPECT_EQ(Rows().size(), 2u);

  drives.entries[0].profile->SMARTDataAddVendorSpecific = true;
  form.T_Smart.Click();
  ASSERT_EQ(Rows().size(), 3u);
  EXPECT_EQ(Rows()[2][0], "F1 Total LBAs written");
}

TEST_F(SmartPage, AtaReadFailureEmptiesTheList) {
  infotest::ScriptedDrive& d = AddSata();
  form.T_Smart.Click();
  ASSERT_FALSE(Rows().empty());
  d.smartReadOk = false;
  form.T_Smart.Click();
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(form.StatusMessage(), "Read SMART data fail(0)");
}

TEST_F(SmartPage, WithoutADriveNothingIsSentAndTheStatusStays) {
  form.SetStatusMessage("Scan device complete");
  form.LV_ShowData.AddItem("left over");
  form.T_Smart.Click();
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(form.StatusMessage(), "Scan device complete");
}

TEST_F(SmartPage, ChoosingAnotherDriveReadsItsSmartData) {
  AddSata();
  infotest::ScriptedDrive& nvme = AddNvme();
  form.T_Smart.Click();
  calls.clear();

  form.CMBB_DeviceList.UserSelect(1);
  EXPECT_EQ(form.SelectedDevice, 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE2: Get Log Page 02h"}));
  EXPECT_EQ(Rows().size(), 4u);
  EXPECT_EQ(form.CMBB_DeviceList.ItemIndex(), 1);

  // Back to the SATA drive: four columns again and its attribute rows.
  calls.clear();
  nvme.healthLog[5] = 9;
  form.CMBB_DeviceList.UserSelect(0);
  EXPECT_EQ(calls.back(), "\\\\.\\PHYSICALDRIVE1: SMART READ DATA");
  EXPECT_EQ(ColumnCaptions().size(), 4u);
  EXPECT_EQ(Rows()[0][0], "09 Power-on hours");
}

TEST_F(SmartPage, SwitchingPagesRebuildsTheColumns) {
  WriteRules("VK4630/IdentifyController.ini", infotest::kNvmeIdentifyRules);
  AddNvme();
  form.T_Smart.Click();
  ASSERT_EQ(ColumnCaptions().size(), 3u);
  form.T_DeviceInfo.Click();
  EXPECT_EQ(ColumnCaptions(), (std::vector<std::string>{"Device Info", "Describe"}));
  EXPECT_EQ(ColumnWidths(), (std::vector<int>{376, 372}));
  for (const auto& row : Rows()) EXPECT_EQ(row.size(), 2u);
  // The Device Info page is recognised on a change of drive by its first column.
  AddNvme("\\\\.\\PHYSICALDRIVE3");
  calls.clear();
  form.CMBB_DeviceList.UserSelect(1);
  EXPECT_TRUE(calls.empty());  // the NVMe Device Info page sends nothing
  EXPECT_EQ(ColumnCaptions()[0], "Device Info");
}

}  // namespace
