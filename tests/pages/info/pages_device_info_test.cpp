// The Device Info page on the main form: what it reads, the rows it shows,
// its columns and selector, and its status texts.
#include <gtest/gtest.h>

#include "pages_fixture.h"
#include "pages_rules.h"

namespace {

using infotest::PagesFixture;

class DeviceInfoPage : public PagesFixture {
 protected:
  void SetUp() override {
    WriteRules("VK4620XT/IdentifyDevice.ini", infotest::kAtaIdentifyRules);
    WriteRules("VK4630/IdentifyController.ini", infotest::kNvmeIdentifyRules);
  }
};

TEST_F(DeviceInfoPage, AtaDriveIsIdentifiedAndDecoded) {
  infotest::ScriptedDrive& sata = AddDrive("\\\\.\\PHYSICALDRIVE1", false);
  infotest::PutAtaString(sata.identify, 54, 40, "VKM SSD 256GB");
  sata.identify[164] = 0x01;
  sata.identify[165] = 0x40;

  form.T_DeviceInfo.Click();

  EXPECT_EQ(calls, (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE1: IDENTIFY DEVICE"}));
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{
                        {"Model number", "VKM SSD 256GB" + std::string(27, ' ')},
                        {"Commands supported", "0x4001"},
                        {"", "SMART supported"}}));
  EXPECT_EQ(form.StatusMessage(), "Read configuration table successful");
  EXPECT_TRUE(form.TM_StatusBarClear.Enabled());
  // The buffer read is the drive's own, kept in its slot.
  EXPECT_EQ(Data(0).ataIdentify[164], 0x01);
}

TEST_F(DeviceInfoPage, ColumnsSelectorAndFont) {
  AddDrive("\\\\.\\PHYSICALDRIVE1", false);
  form.T_DeviceInfo.Click();
  EXPECT_EQ(ColumnCaptions(), (std::vector<std::string>{"Device Info", "Describe"}));
  EXPECT_EQ(ColumnWidths(), (std::vector<int>{376, 372}));
  EXPECT_EQ(form.LV_ShowData.GetFont().size, 10);
  EXPECT_EQ(form.ST_DeviceName.Left(), 382);
  EXPECT_EQ(form.CMBB_DeviceList.Left(), 432);
  EXPECT_EQ(form.CMBB_DeviceList.Width(), 314);
  EXPECT_TRUE(form.PN_DeviceInfo.Visible());
  EXPECT_FALSE(form.PN_Summary.Visible());
}

TEST_F(DeviceInfoPage, IdentifyFailureEmptiesTheListAndSaysSo) {
  infotest::ScriptedDrive& sata = AddDrive("\\\\.\\PHYSICALDRIVE1", false);
  form.T_DeviceInfo.Click();
  ASSERT_FALSE(Rows().empty());

  sata.identifyOk = false;
  form.T_DeviceInfo.Click();
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(form.StatusMessage(), "Read configuration table fail(0)");
  // The clear timer takes the message away two seconds later.
  toolkit.RunFor(2000);
  EXPECT_EQ(form.StatusMessage(), "");
}

TEST_F(DeviceInfoPage, NvmeDriveShowsTheScansCopyWithoutACommand) {
  infotest::ScriptedDrive& nvme = AddDrive("\\\\.\\PHYSICALDRIVE2", true);
  infotest::PutText(Data(0).nvmeIdentifyController, 24, 40, "VKM NVMe SSD 1TB");
  Data(0).nvmeIdentifyController[520] = 0x5F;
  // What the drive would answer now is not what the page shows.
  infotest::PutText(nvme.identifyController, 24, 40, "OTHER");

  form.T_DeviceInfo.Click();

  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{
                        {"Model number", "VKM NVMe SSD 1TB" + std::string(24, ' ')},
                        {"Optional NVM commands", "0x005F"}}));
  EXPECT_EQ(form.StatusMessage(), "Read configuration table successful");
}

TEST_F(DeviceInfoPage, MissingRuleFileGivesAnEmptyListNamingTheFile) {
  AddDrive("\\\\.\\PHYSICALDRIVE1", false);
  drives.entries[0].profile->ECTableRule_FilePath = "VK4620XT\\NoSuchRules.ini";
  form.T_DeviceInfo.Click();
  EXPECT_TRUE(Rows().empty());
  const std::string status = form.StatusMessage();
  EXPECT_EQ(status.rfind("Rule file not found: ", 0), 0u) << status;
  EXPECT_NE(status.find("VK4620XT\\NoSuchRules.ini"), std::string::npos) << status;
}

TEST_F(DeviceInfoPage, WithoutADriveTheListEmptiesAndTheStatusStays) {
  form.SetStatusMessage("Scan device complete");
  form.LV_ShowData.AddItem("left over");
  form.T_DeviceInfo.Click();
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(ColumnCaptions(), (std::vector<std::string>{"Device Info", "Describe"}));
  EXPECT_EQ(form.StatusMessage(), "Scan device complete");
  EXPECT_TRUE(calls.empty());
}

TEST_F(DeviceInfoPage, DuplicateRuleSectionIsReportedAndLeavesTheListEmpty) {
  AddDrive("\\\\.\\PHYSICALDRIVE1", false);
  WriteRules("VK4620XT/IdentifyDevice.ini",
             std::string(infotest::kAtaIdentifyRules) + "[Item_1]\nItemUnitOffset=0\n");
  ctx.options.PopUpMsgBox = true;
  form.T_DeviceInfo.Click();

  EXPECT_TRUE(Rows().empty());
  ASSERT_EQ(toolkit.Dialogs().size(), 1u);
  const ui::MessageBoxRequest& box = toolkit.Dialogs()[0].request;
  EXPECT_EQ(box.caption, "Load INI file Error");
  EXPECT_EQ(box.icon, ui::MsgIcon::kError);
  const std::string path = dir.Str() + "\\VK4620XT\\IdentifyDevice.ini";
  EXPECT_EQ(box.text, "Please check \n" + path + "\n  **** Section Name: Item_1 ****");
  ASSERT_FALSE(ctx.runLog.Lines().empty());
  EXPECT_EQ(ctx.runLog.Lines().back(), "Please check " + path + "  **** Section Name: Item_1");

  // Without PopUpMsgBox only the run log hears of it.
  ctx.options.PopUpMsgBox = false;
  form.T_DeviceInfo.Click();
  EXPECT_EQ(toolkit.Dialogs().size(), 1u);
  EXPECT_EQ(ctx.runLog.Lines().size(), 2u);
}

TEST_F(DeviceInfoPage, RowsAreStripedDarkGreyOnLightGrey) {
  AddDrive("\\\\.\\PHYSICALDRIVE1", false);
  form.T_DeviceInfo.Click();
  ASSERT_GE(form.LV_ShowData.ItemCount(), 2);
  const ui::DrawState even = form.LV_ShowData.CellColors(0, 1);
  const ui::DrawState odd = form.LV_ShowData.CellColors(1, 0);
  EXPECT_EQ(even.textColor, 0x272727u);
  EXPECT_EQ(even.brushColor, 0xF0F0F0u);
  EXPECT_EQ(odd.textColor, 0x272727u);
  EXPECT_EQ(odd.brushColor, ui::kColorWhite);
}

}  // namespace
