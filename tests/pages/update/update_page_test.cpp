// The update page itself: its defaults when it opens, the advanced group
// behind the access code, the list's tick behaviour and the memo, and the
// buttons of the advanced group pressed by hand.
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

TEST_F(UpdateOnLab, OpeningThePageSetsTheDefaultsAndEmptiesTheInformationList) {
  Start(FiveAttachments(), Settings("ROMCheckICVer=1\n", "[UpdateSetting]\nICVer10XT=1\n"));
  EXPECT_EQ(form->CMBB_Microcode_SubCMD.Text(), "0x03h");
  EXPECT_EQ(form->CMBB_Microcode_DMAMode.Text(), "PIO Mode");
  EXPECT_EQ(form->CMBB_Microcode_TranSize.Text(), "32");
  EXPECT_EQ(form->CMBB_Microcode_Active.Text(), "011b");
  EXPECT_EQ(form->CMBB_ICVersion.Text(), "AD");
  EXPECT_FALSE(form->CMBB_ICVersion.Enabled());
  EXPECT_EQ(form->LV_ShowData.ItemCount(), 0);
  EXPECT_TRUE(form->PN_UpdateFW.Visible());
  // A choice made by the user is kept when the page opens again.
  form->CMBB_Microcode_TranSize.SetItemIndex(10);
  form->T_UpdateFW.Click();
  EXPECT_EQ(form->CMBB_Microcode_TranSize.Text(), "768");
}

TEST_F(UpdateOnLab, WithoutAnIcVersionSettingTheFirstItemIsChosen) {
  Start(FiveAttachments(), Settings("", "[UpdateSetting]\nICVer10XT=-1\n"));
  EXPECT_EQ(form->CMBB_ICVersion.Text(), "AB");
  EXPECT_TRUE(form->CMBB_ICVersion.Enabled());
}

TEST_F(UpdateOnLab, OpeningThePageReadsTheSelectedDrivesIdentifyAgain) {
  Start(FiveAttachments());
  const int a = Drive(1);
  form->LV_UpdateDevStatus.SetSubItem(a, scan->Columns().currentFw, "stale");
  form->LV_UpdateDevStatus.SetSubItem(a, scan->Columns().fwTag, "stale");
  form->CMBB_DeviceList.SetItemIndex(a);
  form->CMBB_DeviceListChange();
  form->T_UpdateFW.Click();
  EXPECT_EQ(CurrentFw(a), kSataOld);
  EXPECT_NE(Cell(a, scan->Columns().fwTag), "stale");
}

TEST_F(UpdateOnLab, TheAccessCodeShowsTheAdvancedGroupAndAnythingElseHidesIt) {
  Start(FiveAttachments());
  EXPECT_FALSE(form->GB_AdavnceMode.Visible());
  toolkit->ScriptInput(std::string("  QXJ "));
  form->ST_DownloadFWSec.DblClick();
  EXPECT_TRUE(form->GB_AdavnceMode.Visible());
  ASSERT_EQ(toolkit->Inputs().size(), 1u);
  EXPECT_EQ(toolkit->Inputs()[0].caption, "Switch to RD mode....");
  EXPECT_EQ(toolkit->Inputs()[0].prompt, "Password");
  toolkit->ScriptInput(std::string("qxj"));
  form->ST_DownloadFWSec.DblClick();
  EXPECT_FALSE(form->GB_AdavnceMode.Visible());
  toolkit->ScriptInput(std::string("QXJ"));
  form->ST_DownloadFWSec.DblClick();
  toolkit->ScriptInput(std::nullopt);  // cancelled
  form->ST_DownloadFWSec.DblClick();
  EXPECT_FALSE(form->GB_AdavnceMode.Visible());
  // The information pages' caption asks the same question.
  toolkit->ScriptInput(std::string("QXJ"));
  form->ST_InfoType.DblClick();
  EXPECT_TRUE(form->GB_AdavnceMode.Visible());
}

TEST_F(UpdateOnLab, HeaderClickTicksAllAndDoubleClickToggles) {
  Start(FiveAttachments());
  ui::ListView& list = form->LV_UpdateDevStatus;
  list.UserColumnClick(1);
  for (int r = 0; r < list.ItemCount(); ++r) EXPECT_FALSE(list.Item(r).checked);
  list.UserColumnClick(0);
  for (int r = 0; r < list.ItemCount(); ++r) EXPECT_TRUE(list.Item(r).checked);
  list.UserColumnClick(0);  // never unticks
  EXPECT_TRUE(list.Item(0).checked);
  list.UserSelect(1);
  EXPECT_TRUE(list.ShowHint());
  EXPECT_EQ(list.Hint(), list.Item(1).caption);
  list.DblClick();
  EXPECT_FALSE(list.Item(1).checked);
  list.DblClick();
  EXPECT_TRUE(list.Item(1).checked);
  list.UserSelect(-1);
  EXPECT_FALSE(list.ShowHint());
}

TEST_F(UpdateOnLab, TheMemoScrollsToItsEndOnEveryChange) {
  Start(FiveAttachments());
  const int before = form->MM_Microcode_ShowVersion.ScrollRequests();
  Tick(Drive(1));
  PressStart();
  EXPECT_GT(form->MM_Microcode_ShowVersion.ScrollRequests(), before);
  ASSERT_FALSE(form->MM_Microcode_ShowVersion.Lines().empty());
  EXPECT_EQ(form->MM_Microcode_ShowVersion.Lines().back(),
            "Device-" + std::to_string(Drive(1)) + ": Org <S0220A0>, Update <S0312A0>");
}

TEST_F(UpdateOnLab, TheNvmeMemoShowsTheImagesCssRecords) {
  Start(FiveAttachments());
  Tick(Drive(4));
  PressStart();
  const auto& lines = form->MM_Microcode_ShowVersion.Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Light Switch:   ", 0), 0u);
  EXPECT_EQ(lines[1], "ISP FW Ver:   N0312A0 ");
  EXPECT_EQ(lines[2].rfind("OPRom Ver:   ", 0), 0u);
}

TEST_F(UpdateOnLab, TheAdvancedButtonsUpdateTheSelectedDriveByHand) {
  Start(FiveAttachments());
  toolkit->ScriptInput(std::string("QXJ"));
  form->ST_DownloadFWSec.DblClick();
  const int a = Drive(1), d = Drive(4);
  Tick(a);
  form->LV_UpdateDevStatus.UserSelect(a);
  form->CMBB_Microcode_SubCMD.SetItemIndex(0);
  form->BTN_Microcode_Download.Click();
  EXPECT_EQ(page->State().updateResult, "PASS");
  EXPECT_EQ(CurrentFw(a), kSataNew);
  EXPECT_TRUE(Traced("(Visible=1): DMStatus = 0"));

  form->LV_UpdateDevStatus.UserSelect(d);
  form->BTN_Microcode_NVMeDownload.Click();
  EXPECT_EQ(page->State().updateResult, "PASS");
  EXPECT_EQ(CurrentFw(d), kNvmeNew);
  // A commit by hand on its own: the slot already holds the image.
  form->CMBB_Microcode_Active.SetItemIndex(2);
  form->BTN_Microcode_NVMeCommit.Click();
  EXPECT_TRUE(page->State().updateResult.find("PASS") != std::string::npos)
      << page->State().updateResult;
}

TEST_F(UpdateOnLab, NoTransferSizeChosenRefusesTheNvmeDownload) {
  Start(FiveAttachments());
  form->CMBB_Microcode_TranSize.SetItemIndex(-1);
  const int d = Drive(4);
  Tick(d);
  PressStart();
  EXPECT_EQ(Result(d), "Please select transfer size!");
  EXPECT_EQ(Image(d), app::kRowFailed);
}

}  // namespace
}  // namespace updatetest
