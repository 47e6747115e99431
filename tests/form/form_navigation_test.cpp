#include <gtest/gtest.h>

#include "form_fixture.h"

namespace app::testing {
namespace {

struct Expected {
  const char* button;
  const char* page;
  bool deviceInfo, summary, update, option, progressBar, timerLabel;
};

class FormNavigation : public ::testing::TestWithParam<Expected> {};

TEST_P(FormNavigation, EachButtonShowsItsPanelsThenFillsItsPage) {
  const Expected& e = GetParam();
  FormFixture f;
  f.Settings("[Option]\nEnableOption=1\nEnableSummary=1\n");
  f.Build();
  f.RecordPages();
  TUpdateDispaly& w = f.Create();
  // Start from the opposite of what the button must produce.
  for (ui::Component* c :
       {static_cast<ui::Component*>(&w.PN_DeviceInfo), static_cast<ui::Component*>(&w.PN_Summary),
        static_cast<ui::Component*>(&w.PN_UpdateFW), static_cast<ui::Component*>(&w.PN_Option),
        static_cast<ui::Component*>(&w.ProcessBar), static_cast<ui::Component*>(&w.LB_Timer)}) {
    c->SetVisible(true);
  }
  std::vector<bool> atFill;
  auto snapshot = [&] {
    atFill = {w.PN_DeviceInfo.Visible(), w.PN_Summary.Visible(), w.PN_UpdateFW.Visible(),
              w.PN_Option.Visible(),     w.ProcessBar.Visible(), w.LB_Timer.Visible()};
  };
  auto previous = std::string(e.page) == "device info page" ? w.Pages.deviceInfo
                  : std::string(e.page) == "smart page"     ? w.Pages.smart
                  : std::string(e.page) == "summary page"   ? w.Pages.summary
                  : std::string(e.page) == "update page"    ? w.Pages.updateFW
                                                            : w.Pages.optionPage;
  auto hook = [&, previous] {
    snapshot();
    previous();
  };
  if (std::string(e.page) == "device info page") w.Pages.deviceInfo = hook;
  if (std::string(e.page) == "smart page") w.Pages.smart = hook;
  if (std::string(e.page) == "summary page") w.Pages.summary = hook;
  if (std::string(e.page) == "update page") w.Pages.updateFW = hook;
  if (std::string(e.page) == "option page") w.Pages.optionPage = hook;
  f.events.clear();

  w.Find(e.button)->Click();

  const std::vector<bool> want{e.deviceInfo, e.summary,     e.update,
                               e.option,     e.progressBar, e.timerLabel};
  EXPECT_EQ(atFill, want) << "the panels are set before the page fills itself";
  EXPECT_EQ(
      (std::vector<bool>{w.PN_DeviceInfo.Visible(), w.PN_Summary.Visible(), w.PN_UpdateFW.Visible(),
                         w.PN_Option.Visible(), w.ProcessBar.Visible(), w.LB_Timer.Visible()}),
      want);
  EXPECT_EQ(f.events, std::vector<std::string>{e.page});
}

INSTANTIATE_TEST_SUITE_P(
    VisibilityTable, FormNavigation,
    ::testing::Values(
        Expected{"T_DeviceInfo", "device info page", true, false, false, false, false, false},
        Expected{"T_Smart", "smart page", true, false, false, false, false, false},
        Expected{"T_SummaryPage", "summary page", true, true, false, false, false, false},
        Expected{"T_UpdateFW", "update page", false, false, true, false, true, false},
        Expected{"T_OptionPage", "option page", false, false, false, true, false, true}),
    [](const auto& info) { return std::string(info.param.button); });

TEST(FormOptionPage, OpensOnTheEraseViewWithTheHighlightReset) {
  FormFixture f;
  f.Settings("[Option]\nEnableOption=1\n");
  TUpdateDispaly& w = f.Create();
  std::vector<std::string> order;
  w.SBTN_SecurityErase.OnClick = [&] {
    order.push_back("erase item");
    EXPECT_FALSE(w.IMG_OptionItem_Click.Visible()) << "highlight reset before the item click";
  };
  w.Pages.optionPage = [&] { order.push_back("option page"); };
  w.SBTN_DataBackupMouseMove();
  ASSERT_TRUE(w.IMG_OptionItem_Click.Visible());
  w.T_OptionPage.Click();
  EXPECT_EQ(order, (std::vector<std::string>{"erase item", "option page"}));
  EXPECT_TRUE(w.IMG_OptionItem_SecurityErase.Visible());
  EXPECT_TRUE(w.IMG_OptionItem_DataBackup.Visible());
  // Without a page plugged in, the erase view is what the design shows.
  EXPECT_TRUE(w.PN_EraseMode.Visible());
  EXPECT_FALSE(w.PN_BackupMode.Visible());
}

TEST(FormOptionPage, HoverHighlightsTheItemUnderTheMouse) {
  FormFixture f;
  TUpdateDispaly& w = f.Create();
  w.SBTN_DataBackup.MouseMove(3, 3);
  EXPECT_TRUE(w.IMG_OptionItem_Click.Visible());
  EXPECT_EQ(w.IMG_OptionItem_Click.Left(), w.SBTN_DataBackup.Left());
  EXPECT_EQ(w.IMG_OptionItem_Click.Top(), 47);
  EXPECT_FALSE(w.IMG_OptionItem_DataBackup.Visible());
  EXPECT_TRUE(w.IMG_OptionItem_SecurityErase.Visible());

  w.SBTN_SecurityErase.MouseMove(3, 3);
  EXPECT_EQ(w.IMG_OptionItem_Click.Top(), 7);
  EXPECT_FALSE(w.IMG_OptionItem_SecurityErase.Visible());
  EXPECT_TRUE(w.IMG_OptionItem_DataBackup.Visible());

  // Every surrounding panel clears it.
  for (ui::Component* panel :
       {static_cast<ui::Component*>(&w.PN_Option), static_cast<ui::Component*>(&w.PN_MainObj),
        static_cast<ui::Component*>(&w.PN_EraseMode), static_cast<ui::Component*>(&w.PN_BackupMode),
        static_cast<ui::Component*>(&w.PN_DataBackup_SourceInfo),
        static_cast<ui::Component*>(&w.PN_DataBackup_Destination),
        static_cast<ui::Component*>(&w.PN_ShoeOptionInfo),
        static_cast<ui::Component*>(&w.PN_Option_Item)}) {
    w.SBTN_SecurityErase.MouseMove(1, 1);
    panel->MouseMove(1, 1);
    EXPECT_FALSE(w.IMG_OptionItem_Click.Visible()) << panel->Name();
    EXPECT_TRUE(w.IMG_OptionItem_SecurityErase.Visible()) << panel->Name();
  }
}

class DeviceListChange : public ::testing::Test {
 protected:
  DeviceListChange() {
    f.Build().SetDeviceScanner(&scanner);
    f.RecordPages();
    f.Create();
    f.events.clear();
  }
  TUpdateDispaly& W() { return *f.form; }
  FormFixture f;
  FakeScanner scanner{f.events, 3};
};

TEST_F(DeviceListChange, TheSelectedDriveAgainDoesNothing) {
  W().LV_ShowData.SetColumnCaption(0, "Device Info");
  W().CMBB_DeviceList.UserSelect(0);
  EXPECT_TRUE(f.events.empty());
  EXPECT_EQ(W().SelectedDevice, 0);
}

TEST_F(DeviceListChange, SummaryVisibleRefreshesTheSummary) {
  W().T_SummaryPage.Click();
  f.events.clear();
  W().LV_ShowData.SetColumnCaption(0, "SMART");
  W().CMBB_DeviceList.UserSelect(2);
  EXPECT_EQ(W().SelectedDevice, 2);
  EXPECT_EQ(f.events, std::vector<std::string>{"summary page"});
}

TEST_F(DeviceListChange, TheListsFirstColumnTellsDeviceInfoFromSmart) {
  W().LV_ShowData.SetColumnCaption(0, "Device Info");
  W().CMBB_DeviceList.UserSelect(1);
  W().LV_ShowData.SetColumnCaption(0, "SMART");
  W().CMBB_DeviceList.UserSelect(2);
  EXPECT_EQ(f.events, (std::vector<std::string>{"device info page", "smart page"}));
}

TEST_F(DeviceListChange, AnyOtherPageEmptiesTheList) {
  W().LV_ShowData.SetColumnCaption(0, "Update FW");
  W().LV_ShowData.AddItem("stale row");
  W().CMBB_DeviceList.UserSelect(1);
  EXPECT_TRUE(f.events.empty());
  EXPECT_EQ(W().LV_ShowData.ItemCount(), 0);
  EXPECT_EQ(W().SelectedDevice, 1);
}

TEST_F(DeviceListChange, RescanReleasesScansAndReopensThePage) {
  W().SelectedDevice = 2;
  bool disabledDuringScan = false;
  scanner.onRelease = [&] { disabledDuringScan = !W().PN_DeviceInfo.Enabled(); };
  W().SetStatusMessage("");
  W().ST_DeviceName.Click();
  EXPECT_EQ(f.events, (std::vector<std::string>{"release", "rescan", "device info page"}));
  EXPECT_TRUE(disabledDuringScan);
  EXPECT_TRUE(W().PN_DeviceInfo.Enabled());
  EXPECT_EQ(W().CMBB_DeviceList.ItemCount(), 3);  // emptied before the scan refilled it
  EXPECT_EQ(W().CMBB_DeviceList.ItemIndex(), 0);
  EXPECT_EQ(W().StatusMessage(), "Scan device complete");
  // The start-up log is not extended by a rescan.
  EXPECT_EQ(f.ctx.runLog.Lines().size(), 6u);
}

TEST(FormTitleBar, MinimiseDragAndACloseThatGoesThroughTheMessageLoop) {
  FormFixture f;
  TUpdateDispaly& w = f.CreateAndShow();
  w.T_FormMin.Click();
  EXPECT_EQ(f.toolkit.MinimizeCount(), 1);
  w.IMG_FormTitle.MouseDown(ui::MouseButton::kLeft, 10, 10);
  w.PN_MainObj.MouseDown(ui::MouseButton::kLeft, 10, 10);
  w.PN_MainObj.MouseDown(ui::MouseButton::kRight, 10, 10);
  EXPECT_EQ(f.toolkit.WindowMoveCount(), 2);
  w.T_FormClose.Click();
  EXPECT_FALSE(w.Closed()) << "the close is posted, not run inside the click";
  f.app.ProcessMessages();
  EXPECT_TRUE(w.Closed());
  EXPECT_TRUE(f.app.Terminated());
}

TEST(FormRows, InformationListAlternatesGreyRows) {
  FormFixture f;
  TUpdateDispaly& w = f.Create();
  w.LV_ShowData.AddItem("a");
  w.LV_ShowData.AddItem("b");
  w.LV_ShowData.AddItem("c");
  EXPECT_EQ(w.LV_ShowData.CellColors(0, 1).brushColor, 0xF0F0F0u);
  EXPECT_EQ(w.LV_ShowData.CellColors(1, 0).brushColor, ui::kColorWhite);
  EXPECT_EQ(w.LV_ShowData.CellColors(2, 0).brushColor, 0xF0F0F0u);
  EXPECT_EQ(w.LV_ShowData.CellColors(1, 1).textColor, 0x272727u);
}

}  // namespace
}  // namespace app::testing
