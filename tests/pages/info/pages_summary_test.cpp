// The Summary page on the main form: the values and marks of a SATA and an
// NVMe drive, the reset before every visit, failures, and a change of drive.
#include <gtest/gtest.h>

#include "pages_fixture.h"

namespace {

using infotest::PagesFixture;

class SummaryPage : public PagesFixture {
 protected:
  infotest::ScriptedDrive& AddSata(const std::string& name = "\\\\.\\PHYSICALDRIVE1") {
    infotest::ScriptedDrive& d = AddDrive(name, false);
    infotest::PutAtaString(d.identify, 20, 20, "SN0001234");
    infotest::PutAtaString(d.identify, 46, 8, "S0312A0");
    infotest::PutAtaString(d.identify, 54, 40, "VKM SSD 512GB");
    d.identify[164] = 0x01;  // SMART
    d.identify[153] = 0x01;  // NCQ
    d.identify[338] = 0x01;  // TRIM; APM (word 83 bit 3) clear
    infotest::PutAttribute(d.smart, 0, 0x09, 100, 100, {0x10, 0x27});
    infotest::PutAttribute(d.smart, 1, 0xA9, 98, 98, {0x62});
    infotest::PutAttribute(d.smart, 2, 0xF1, 100, 100, {0x00, 0x00, 0x02});
    return d;
  }
  infotest::ScriptedDrive& AddNvme(const std::string& name = "\\\\.\\PHYSICALDRIVE2") {
    infotest::ScriptedDrive& d = AddDrive(name, true);
    infotest::PutText(d.identifyController, 4, 20, "NV0000042");
    infotest::PutText(d.identifyController, 24, 40, "VKM NVMe SSD 1TB");
    infotest::PutText(d.identifyController, 64, 8, "N0312A0");
    d.identifyController[265] = 0x01;  // APSTA
    d.identifyController[520] = 0x04;  // Dataset Management
    d.healthLog[5] = 4;
    d.healthLog[48] = 0x0A;
    d.healthLog[128] = 0x2C;
    d.healthLog[129] = 0x01;
    return d;
  }
  std::vector<std::string> Texts() const {
    return {form.ST_ModelName_Edit.Caption(),    form.ST_FWVersion_Edit.Caption(),
            form.ST_SerialNumber_Edit.Caption(), form.ST_PowerOnTime_Edit.Caption(),
            form.ST_SSDLife_Edit.Caption(),      form.ST_BytesWritten_Edit.Caption()};
  }
  // The visible mark of each feature: "check", "cross" or "" (none, or both).
  std::vector<std::string> Marks() const {
    auto mark = [](const ui::Image& check, const ui::Image& cross) -> std::string {
      if (check.Visible() == cross.Visible()) return check.Visible() ? "both" : "";
      return check.Visible() ? "check" : "cross";
    };
    return {mark(form.IMG_Check_SMART, form.IMG_Cross_SMART),
            mark(form.IMG_Check_NCQ, form.IMG_Cross_NCQ),
            mark(form.IMG_Check_APM, form.IMG_Cross_APM),
            mark(form.IMG_Check_TRIM, form.IMG_Cross_TRIM)};
  }
  const std::vector<std::string> kReset = std::vector<std::string>(6, "");
  const std::vector<std::string> kNoMarks = std::vector<std::string>(4, "");
};

TEST_F(SummaryPage, SataDriveValuesAndMarks) {
  AddSata();
  form.T_SummaryPage.Click();

  EXPECT_EQ(calls, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE1: IDENTIFY DEVICE",
                                             "\\\\.\\PHYSICALDRIVE1: SMART ENABLE OPERATIONS",
                                             "\\\\.\\PHYSICALDRIVE1: SMART READ DATA"}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"VKM SSD 512GB" + std::string(27, ' '), "S0312A0 ",
                                               "SN0001234           ", "10000 Hours", "98.00%",
                                               "4,398,046,511,104"}));
  EXPECT_EQ(Marks(), (std::vector<std::string>{"check", "check", "cross", "check"}));
  EXPECT_EQ(form.StatusMessage(), "Read SMART data successful");
  EXPECT_TRUE(form.TM_StatusBarClear.Enabled());
  EXPECT_TRUE(form.PN_Summary.Visible());
  EXPECT_TRUE(form.PN_DeviceInfo.Visible());
}

TEST_F(SummaryPage, EveryVisitReadsTheDriveAgain) {
  infotest::ScriptedDrive& d = AddSata();
  form.T_SummaryPage.Click();
  infotest::PutAttribute(d.smart, 0, 0x09, 100, 100, {0x11, 0x27});
  form.T_SummaryPage.Click();
  EXPECT_EQ(calls.size(), 6u);
  EXPECT_EQ(form.ST_PowerOnTime_Edit.Caption(), "10001 Hours");
}

TEST_F(SummaryPage, IdentifyFailureLeavesThePageReset) {
  infotest::ScriptedDrive& d = AddSata();
  form.T_SummaryPage.Click();
  ASSERT_NE(Texts(), kReset);

  d.identifyOk = false;
  calls.clear();
  form.T_SummaryPage.Click();
  EXPECT_EQ(calls, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE1: IDENTIFY DEVICE"}));
  EXPECT_EQ(Texts(), kReset);
  EXPECT_EQ(Marks(), kNoMarks);
  EXPECT_EQ(form.StatusMessage(), "Read configuration table fail(0)");
  // Failures are cleared from the status bar like every other message.
  EXPECT_TRUE(form.TM_StatusBarClear.Enabled());
}

TEST_F(SummaryPage, SmartReadFailureLeavesThePageReset) {
  infotest::ScriptedDrive& d = AddSata();
  d.smartReadOk = false;
  form.T_SummaryPage.Click();
  EXPECT_EQ(Texts(), kReset);
  EXPECT_EQ(Marks(), kNoMarks);
  EXPECT_EQ(form.StatusMessage(), "Read SMART data fail(0)");
}

TEST_F(SummaryPage, NvmeDriveFromIdentifyControllerAndTheHealthLog) {
  AddNvme();
  form.T_SummaryPage.Click();

  EXPECT_EQ(calls, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE2: Identify Controller",
                                             "\\\\.\\PHYSICALDRIVE2: Get Log Page 02h"}));
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"VKM NVMe SSD 1TB" + std::string(24, ' '), "N0312A0 ",
                                      "NV0000042           ", "300 Hours", "96.00%", "5,120,000"}));
  EXPECT_EQ(Marks(), (std::vector<std::string>{"check", "check", "check", "check"}));
  EXPECT_EQ(form.StatusMessage(), "Read SMART data successful");
}

TEST_F(SummaryPage, NvmeFailuresLeaveThePageReset) {
  infotest::ScriptedDrive& d = AddNvme();
  d.identifyControllerOk = false;
  form.T_SummaryPage.Click();
  EXPECT_EQ(Texts(), kReset);
  EXPECT_EQ(form.StatusMessage(), "Read configuration table fail(0)");
  EXPECT_EQ(calls.size(), 1u);

  d.identifyControllerOk = true;
  d.logResult = -127;
  d.statusCode = 0x02;
  d.statusCodeType = 0x00;
  form.T_SummaryPage.Click();
  EXPECT_EQ(Texts(), kReset);
  EXPECT_EQ(Marks(), kNoMarks);
  EXPECT_EQ(form.StatusMessage(), "Read SMART data fail(SC:0x02, SCT:0x00)");
}

TEST_F(SummaryPage, ChoosingAnotherDriveRerunsTheWholeSequence) {
  AddSata();
  AddNvme();
  form.T_SummaryPage.Click();
  calls.clear();
  form.CMBB_DeviceList.UserSelect(1);
  EXPECT_EQ(calls, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE2: Identify Controller",
                                             "\\\\.\\PHYSICALDRIVE2: Get Log Page 02h"}));
  EXPECT_EQ(form.ST_SerialNumber_Edit.Caption(), "NV0000042           ");
  EXPECT_TRUE(form.PN_Summary.Visible());
}

TEST_F(SummaryPage, WithoutADriveThePageIsResetAndNothingIsSent) {
  form.ST_ModelName_Edit.SetCaption("stale");
  form.IMG_Check_SMART.Show();
  form.SetStatusMessage("Scan device complete");
  form.T_SummaryPage.Click();
  EXPECT_EQ(Texts(), kReset);
  EXPECT_EQ(Marks(), kNoMarks);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(form.StatusMessage(), "Scan device complete");
}

}  // namespace
