#include <gtest/gtest.h>

#include <set>

#include "form_fixture.h"

namespace app::testing {
namespace {

using ui::Rect;

TEST(FormStartup, WithoutSettingsTheWindowStartsEmptyWithTheVersionTitle) {
  FormFixture f;
  TUpdateDispaly& w = f.CreateAndShow();
  EXPECT_EQ(w.Caption(), "SSD Tools V2.5.17_A1");
  EXPECT_EQ(f.ctx.caption, "SSD Tools V2.5.17_A1");
  EXPECT_EQ(w.LB_VersionInfo.Caption(), "SSD Tools V2.5.17_A1");
  EXPECT_EQ(w.LB_ICType.Caption(), "Controller:VK46, ASPI:467");
  const std::vector<std::string> log{
      "Start Time=2026-01-02_03:04:05",     "\n", "Number of Device:0", "", "[Tool Info]",
      "Tool:SSD Tools V2.5.17_A1, ASPI:467"};
  EXPECT_EQ(f.ctx.runLog.Lines(), log);
  EXPECT_EQ(w.DeviceCount, 0);
  EXPECT_EQ(w.SelectedDevice, -1);
  EXPECT_EQ(w.CMBB_DeviceList.ItemIndex(), -1);
  EXPECT_EQ(w.StatusMessage(), "Scan device complete");
  EXPECT_TRUE(w.TM_StatusBarClear.Enabled());
  // Device Info page first; the pages share one rectangle.
  EXPECT_TRUE(w.PN_DeviceInfo.Visible());
  EXPECT_FALSE(w.PN_UpdateFW.Visible());
  EXPECT_EQ(w.PN_UpdateFW.Bounds(), (Rect{224, 101, 754, 527}));
  // Every option is off: no option page, no summary, no unattended run.
  EXPECT_FALSE(w.T_OptionPage.Visible());
  EXPECT_FALSE(w.IMG_Option.Visible());
  EXPECT_FALSE(w.T_SummaryPage.Visible());
  EXPECT_FALSE(w.Tmr_AutoRun.Enabled());
  EXPECT_TRUE(w.Enabled());
  // ICVer10XT is 0, which counts as configured; no VK4610XT profile exists.
  EXPECT_FALSE(w.CMBB_ICVersion.Enabled());
  EXPECT_FALSE(w.GB_UpdateSetting.Visible());
  EXPECT_FALSE(w.Label5.Visible());
  // The plain variant: normal border, no custom title bar, design pictures.
  EXPECT_EQ(w.GetBorderStyle(), ui::BorderStyle::kDialog);
  EXPECT_FALSE(w.PN_MainTitle.Visible());
  EXPECT_EQ(w.PN_MainObj.Top(), 0);
  EXPECT_EQ(w.IMG_Logo.GetPicture(), ui::Picture::Design(ui::DesignPicture::kLogo));
  EXPECT_EQ(w.ClientWidth(), kClientWidth);
  EXPECT_EQ(w.ClientHeight(), kClientHeight);
  EXPECT_TRUE(f.toolkit.Dialogs().empty());
  EXPECT_TRUE(f.os.StartedProcesses().empty());
}

TEST(FormStartup, StepsRunInTheirOrder) {
  FormFixture f;
  FakeScanner scanner(f.events, 2);
  f.Build().SetDeviceScanner(&scanner);
  f.RecordPages();
  TUpdateDispaly& w = *f.form;
  // What the first page sees when it is opened.
  std::string captionAtPage, icTypeAtPage;
  int selectorAtPage = -2;
  int updateLeftAtPage = 0;
  w.Pages.deviceInfo = [&] {
    f.events.push_back("device info page");
    captionAtPage = w.Caption();
    icTypeAtPage = w.LB_ICType.Caption();
    selectorAtPage = w.CMBB_DeviceList.ItemIndex();
    updateLeftAtPage = w.PN_UpdateFW.Left();
    w.SetStatusMessage("Read configuration table successful");
  };
  scanner.onRelease = [&] { EXPECT_EQ(f.ctx.runLog.Lines().size(), 2u) << "start lines first"; };
  f.Create();

  EXPECT_EQ(f.events, (std::vector<std::string>{"clear firmware texts", "release",
                                                "scan at start-up", "device info page"}));
  EXPECT_EQ(w.DeviceCount, 2);
  EXPECT_EQ(w.SelectedDevice, 0);
  EXPECT_EQ(selectorAtPage, 0);           // the drive is selected before the page opens
  EXPECT_EQ(captionAtPage, "SSD Tools");  // the caption is composed later
  EXPECT_EQ(icTypeAtPage, "");            // and the controller list after it
  EXPECT_EQ(updateLeftAtPage, 223);       // the update page moves after the page opened
  EXPECT_EQ(w.StatusMessage(), "Scan device complete");  // set after the page opened
  const auto& log = f.ctx.runLog.Lines();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[2], "Number of Device:2");
  EXPECT_EQ(log[5], "Tool:SSD Tools V2.5.17_A1, ASPI:467");
}

TEST(FormStartup, CaptionFromTheConfiguredTitleOrUnchangedWithoutAVersion) {
  {
    FormFixture f;
    f.Settings("[Option]\nSSDToolTitle=Lab Tool\n");
    EXPECT_EQ(f.Create().Caption(), "Lab Tool V2.5.17_A1");
  }
  {
    FormFixture f;
    f.Settings("[Option]\nSSDToolTitle=Lab Tool\n");
    f.Build().SetVersionResource(std::nullopt);
    TUpdateDispaly& w = f.Create();
    EXPECT_EQ(w.Caption(), "SSD Tools");
    EXPECT_EQ(f.ctx.runLog.Lines().back(), "Tool:SSD Tools, ASPI:467");
  }
}

TEST(FormStartup, UpdateOnlyVariantWithItsPicture) {
  FormFixture f;
  f.Settings("[Option]\nUpdateFWOnly=1\nEnableOption=1\n");
  f.Bitmap("UpdateFWIcon.BMP");
  f.Build();
  f.RecordPages();
  TUpdateDispaly& w = f.Create();
  EXPECT_TRUE(f.ctx.options.UpdateFWOnly);
  EXPECT_FALSE(w.T_Smart.Visible());
  EXPECT_FALSE(w.T_DeviceInfo.Visible());
  EXPECT_TRUE(w.T_UpdateFW.Visible());
  EXPECT_FALSE(w.T_OptionPage.Visible());  // even with EnableOption
  EXPECT_EQ(f.events, std::vector<std::string>{"update page"});
  EXPECT_TRUE(w.PN_UpdateFW.Visible());
  EXPECT_TRUE(w.ProcessBar.Visible());
  // Skinned, but the update button keeps its place.
  EXPECT_EQ(w.IMG_ICON.GetPicture().file, f.Native("Res/UpdateFWIcon.BMP"));
  EXPECT_EQ(w.T_UpdateFW.Bounds(), (Rect{8, 240, 207, 49}));
  EXPECT_EQ(w.GetBorderStyle(), ui::BorderStyle::kNone);
}

TEST(FormStartup, UpdateOnlyWithoutItsPictureBehavesAsTheNormalTool) {
  FormFixture f;
  f.Settings("[Option]\nUpdateFWOnly=1\nEnableOption=1\n");
  f.Bitmap("SSDItemIcon.BMP");
  f.Build();
  f.RecordPages();
  TUpdateDispaly& w = f.Create();
  EXPECT_FALSE(f.ctx.options.UpdateFWOnly);
  EXPECT_TRUE(w.T_Smart.Visible());
  EXPECT_TRUE(w.T_DeviceInfo.Visible());
  EXPECT_TRUE(w.T_OptionPage.Visible());
  EXPECT_EQ(f.events, std::vector<std::string>{"device info page"});
  // The item icon looked for was the update-only one, so no skin applies.
  EXPECT_EQ(w.IMG_ICON.GetPicture().file, "");
  EXPECT_EQ(w.GetBorderStyle(), ui::BorderStyle::kDialog);
}

TEST(FormStartup, SkinnedVariantMovesButtonsDropsTheBorderAndStartsTheFontInstaller) {
  FormFixture f;
  f.Settings("[Option]\nEnableSummary=1\n");
  f.Bitmap("SSDItemIcon.BMP");
  f.Bitmap("SSDOptionIcon.BMP");
  f.Bitmap("Font/fontinst.exe");
  TUpdateDispaly& w = f.CreateAndShow();
  EXPECT_EQ(w.IMG_ICON.GetPicture().file, f.Native("Res/SSDItemIcon.BMP"));
  EXPECT_EQ(w.T_DeviceInfo.Bounds(), (Rect{11, 118, 207, 56}));
  EXPECT_EQ(w.T_Smart.Bounds(), (Rect{11, 173, 207, 56}));
  EXPECT_EQ(w.T_UpdateFW.Bounds(), (Rect{11, 228, 207, 56}));
  EXPECT_EQ(w.IMG_Option.GetPicture().file, f.Native("Res/SSDOptionIcon.BMP"));
  // No summary bitmap: the design picture stays.
  EXPECT_EQ(w.IMG_Summary.GetPicture(), ui::Picture::Design(ui::DesignPicture::kSummaryIcon));
  EXPECT_TRUE(w.PN_MainTitle.Visible());
  EXPECT_EQ(w.PN_MainObj.Top(), 26);
  EXPECT_EQ(w.GetBorderStyle(), ui::BorderStyle::kNone);
  EXPECT_EQ(w.ClientWidth(), 982);
  EXPECT_EQ(f.os.StartedProcesses(),
            std::vector<std::string>{f.dir.Str() + "\\Res\\Font\\fontinst.exe /copy"});
  for (ui::Component* c :
       {static_cast<ui::Component*>(&w.ST_DownloadFWSec),
        static_cast<ui::Component*>(&w.ST_InfoType), static_cast<ui::Component*>(&w.ST_DeviceName),
        static_cast<ui::Component*>(&w.LV_UpdateDevStatus),
        static_cast<ui::Component*>(&w.LV_ShowData)}) {
    EXPECT_EQ(c->GetFont().family, "ZK Simplified Hant") << c->Name();
  }
  EXPECT_EQ(w.LB_StatusBar.GetFont().family, "");
}

TEST(FormStartup, SkinWithoutFontInstallerKeepsTheFonts) {
  FormFixture f;
  f.Bitmap("SSDItemIcon.BMP");
  TUpdateDispaly& w = f.Create();
  EXPECT_EQ(w.GetBorderStyle(), ui::BorderStyle::kNone);
  EXPECT_TRUE(f.os.StartedProcesses().empty());
  EXPECT_EQ(w.LV_ShowData.GetFont().family, "");
}

TEST(FormStartup, DarkSchemeWithoutBitmapsKeepsTheBorder) {
  FormFixture f;
  f.Settings("[Option]\nCustomerType=1\nEnableOption=1\nEnableSummary=1\n");
  TUpdateDispaly& w = f.Create();
  for (ui::Component* c :
       {static_cast<ui::Component*>(&w), static_cast<ui::Component*>(&w.PN_MainObj),
        static_cast<ui::Component*>(&w.PN_MainTitle), static_cast<ui::Component*>(&w.StatusBar1),
        static_cast<ui::Component*>(&w.LB_StatusBar), static_cast<ui::Component*>(&w.LB_ICType)}) {
    EXPECT_EQ(c->Color(), 2103312u) << c->Name();
  }
  for (ui::Panel* p : {&w.PN_UpdateFW, &w.PN_DeviceInfo, &w.PN_Option}) {
    EXPECT_EQ(p->Color(), 3421491u) << p->Name();
  }
  EXPECT_FALSE(w.PN_MainObj.Bevel());
  EXPECT_EQ(w.PN_UpdateFW.Height(), w.T_Start.Top() + w.T_Start.Height() + 1);
  EXPECT_EQ(w.PN_Option.Height(), w.PN_Option_Item.Height() + 1);
  for (ui::GroupBox* g : {&w.GB_SSDInfoSummary, &w.GB_SMARTSummary, &w.GB_FeatureSummary}) {
    EXPECT_EQ(g->GetFont().color, 8806144u) << g->Name();
  }
  EXPECT_EQ(w.T_SummaryPage.Top(), 112);
  EXPECT_EQ(w.IMG_Summary.Top(), 112);
  EXPECT_EQ(w.T_DeviceInfo.Top(), 176);
  EXPECT_EQ(w.IMG_ICON.Top(), 176);
  EXPECT_EQ(w.T_Smart.Top(), 240);
  EXPECT_EQ(w.T_UpdateFW.Top(), 305);
  EXPECT_EQ(w.T_OptionPage.Top(), 370);
  EXPECT_EQ(w.IMG_Option.Top(), 370);
  EXPECT_EQ(w.T_DeviceInfo.Left(), 8);
  EXPECT_EQ(w.GetBorderStyle(), ui::BorderStyle::kDialog);
  EXPECT_FALSE(w.PN_MainTitle.Visible());
}

TEST(FormStartup, DarkSkinUsesTheDarkTopsNotTheSkinnedOnes) {
  FormFixture f;
  f.Settings("[Option]\nCustomerType=1\n");
  f.Bitmap("SSDItemIcon.BMP");
  TUpdateDispaly& w = f.Create();
  EXPECT_EQ(w.T_DeviceInfo.Bounds(), (Rect{8, 176, 207, 49}));
  EXPECT_EQ(w.GetBorderStyle(), ui::BorderStyle::kNone);
  EXPECT_EQ(w.PN_MainObj.Top(), 26);
}

TEST(FormStartup, TitleBitmapAloneShowsTheTitleBarAndKeepsTheBorder) {
  FormFixture f;
  f.Bitmap("Title.BMP");
  TUpdateDispaly& w = f.Create();
  EXPECT_TRUE(w.PN_MainTitle.Visible());
  EXPECT_EQ(w.IMG_FormTitle.GetPicture().file, f.Native("Res/Title.BMP"));
  EXPECT_EQ(w.GetBorderStyle(), ui::BorderStyle::kDialog);
  // The bar lies above the body, which keeps its banner whole.
  EXPECT_EQ(w.PN_MainObj.Top(), 26);
  EXPECT_EQ(w.ClientHeight(), 659 + 26);
}

TEST(FormStartup, PresentBitmapsReplaceDesignPicturesMissingOnesAreSkippedSilently) {
  FormFixture f;
  f.Bitmap("Icon.BMP");
  f.Bitmap("FFUStart.BMP");
  TUpdateDispaly& w = f.Create();
  EXPECT_EQ(w.IMG_Logo.GetPicture().file, f.Native("Res/Icon.BMP"));
  EXPECT_EQ(w.Image6.GetPicture().file, f.Native("Res/FFUStart.BMP"));
  EXPECT_EQ(w.IMG_Title.GetPicture(), ui::Picture::Design(ui::DesignPicture::kBanner));
  EXPECT_EQ(w.IMG_ICON.GetPicture(), ui::Picture::Design(ui::DesignPicture::kItemIcon));
  EXPECT_TRUE(f.toolkit.Dialogs().empty());
  EXPECT_TRUE(f.toolkit.Exceptions().empty());
}

TEST(FormStartup, SecondPassDrivesButtonsSettingsGroupAndStartColour) {
  FormFixture f;
  f.Settings(
      "[Option]\nEnableOption=1\nEnableSummary=1\nFFUStartColor=255\n"
      "ICType_0=VK4610XT\nICType_1=VK4620XT\n[UpdateSetting]\nICVer10XT=-1\n");
  TUpdateDispaly& w = f.Create();
  EXPECT_TRUE(w.T_OptionPage.Visible());
  EXPECT_TRUE(w.IMG_Option.Visible());
  EXPECT_TRUE(w.T_SummaryPage.Visible());
  EXPECT_TRUE(w.IMG_Summary.Visible());
  EXPECT_TRUE(w.CMBB_ICVersion.Enabled());
  EXPECT_TRUE(w.GB_UpdateSetting.Visible());
  EXPECT_TRUE(w.Label5.Visible());
  EXPECT_EQ(w.LB_Start.GetFont().color, 255u);
  EXPECT_EQ(w.LB_ICType.Caption(), "Controller:VK4610XT/20XT, ASPI:467");
}

TEST(FormStartup, UnattendedModeArmsTheTimerAndLocksTheWindowOnlyWithAutoClose) {
  struct Case {
    const char* settings;
    bool timer;
    bool enabled;
  };
  for (const Case& c :
       {Case{"AutoRun=1\n", true, true}, Case{"AutoRun=1\nAutoClose=1\n", true, false},
        Case{"AutoClose=1\n", false, true}}) {
    FormFixture f;
    f.Settings(std::string("[Option]\n") + c.settings);
    TUpdateDispaly& w = f.Create();
    EXPECT_EQ(w.Tmr_AutoRun.Enabled(), c.timer) << c.settings;
    EXPECT_EQ(w.Enabled(), c.enabled) << c.settings;
  }
}

TEST(FormStartup, ConstructionIdlesTheElapsedTimeDisplay) {
  FormFixture f;
  TUpdateDispaly& w = f.Build();
  EXPECT_FALSE(w.Timer_Status.Enabled());
  EXPECT_EQ(w.LB_Timer.Caption(), "");
  EXPECT_TRUE(w.Timer1.Enabled());
  EXPECT_FALSE(w.TM_StatusBarClear.Enabled());
  EXPECT_EQ(w.Timer1.Interval(), 200u);
  EXPECT_EQ(w.Tmr_AutoRun.Interval(), 10u);
  EXPECT_EQ(w.TM_StatusBarClear.Interval(), 2000u);
  EXPECT_EQ(w.Timer_Status.Interval(), 1000u);
}

TEST(FormLayout, ResizeLaysTheStatusControlsOverTheBarsPanels) {
  FormFixture f;
  TUpdateDispaly& w = f.CreateAndShow();
  EXPECT_EQ(w.StatusBar1.Bounds(), (Rect{0, 634, 982, 25}));
  EXPECT_EQ(w.PN_StatusBar.Bounds(), (Rect{8, 639, 290, 22}));
  EXPECT_EQ(w.ProcessBar.Bounds(), (Rect{303, 636, 362, 23}));
  EXPECT_EQ(w.PN_ICType.Bounds(), (Rect{671, 639, 308, 22}));
  // A taller window keeps the bar at the bottom and the controls on it.
  w.SetClientSize(982, 700);
  EXPECT_EQ(w.StatusBar1.Top(), 675);
  EXPECT_EQ(w.ProcessBar.Top(), 677);
  EXPECT_EQ(w.PN_ICType.Top(), 680);
}

TEST(FormLayout, ComponentNamesAreUniqueAndFindable) {
  FormFixture f;
  TUpdateDispaly& w = f.Build();
  std::vector<ui::Component*> stack{&w};
  std::set<std::string> names;
  while (!stack.empty()) {
    ui::Component* c = stack.back();
    stack.pop_back();
    EXPECT_TRUE(names.insert(c->Name()).second) << c->Name();
    EXPECT_EQ(w.Find(c->Name()), c);
    for (ui::Component* child : c->Children()) stack.push_back(child);
  }
  EXPECT_EQ(names.size(), 110u);  // the form and every component of its tree
  EXPECT_EQ(w.LV_UpdateDevStatus.ColumnCount(), 7);
  EXPECT_EQ(w.LV_UpdateDevStatus.Column(6).caption, "Result");
  EXPECT_EQ(w.LV_OptionErase.ColumnCount(), 5);
  EXPECT_EQ(w.CMBB_Microcode_TranSize.ItemCount(), 12);
}

}  // namespace
}  // namespace app::testing
