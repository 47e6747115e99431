#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "form_fixture.h"
#include "shell/headless_session.h"
#include "support/current_dir.h"

namespace app::testing {
namespace {

TEST(FormTimers, Timer1CopiesTheProgressValueEvery200Ms) {
  FormFixture f;
  TUpdateDispaly& w = f.CreateAndShow();
  w.ProgressPosition = 40;
  f.toolkit.RunFor(199);
  EXPECT_EQ(w.ProcessBar.Position(), 0);
  f.toolkit.RunFor(1);
  EXPECT_EQ(w.ProcessBar.Position(), 40);
  w.ProgressPosition = 100;
  f.toolkit.RunFor(200);
  EXPECT_EQ(w.ProcessBar.Position(), 100);
}

TEST(FormTimers, StatusMessageClearsAfterTwoSecondsAndASecondMessageDoesNotRestart) {
  FormFixture f;
  TUpdateDispaly& w = f.CreateAndShow();
  // Start-up left "Scan device complete" at time 0.
  w.ProgressPosition = 70;
  f.toolkit.RunFor(1500);
  w.SetStatusMessage("Read SMART data successful");
  f.toolkit.RunFor(499);
  EXPECT_EQ(w.StatusMessage(), "Read SMART data successful");
  f.toolkit.RunFor(1);
  EXPECT_EQ(w.StatusMessage(), "");
  EXPECT_EQ(w.ProgressPosition, 0);
  EXPECT_FALSE(w.TM_StatusBarClear.Enabled());
  // A later message gets its own full interval.
  w.SetStatusMessage("Download Complete");
  f.toolkit.RunFor(1999);
  EXPECT_EQ(w.StatusMessage(), "Download Complete");
  f.toolkit.RunFor(1);
  EXPECT_EQ(w.StatusMessage(), "");
}

TEST(FormTimers, ElapsedTimeShowsHoursMinutesSecondsThenCounts) {
  FormFixture f;
  TUpdateDispaly& w = f.CreateAndShow();
  w.ElapsedSeconds = 3725;
  w.Timer_Status.SetEnabled(true);
  f.toolkit.RunFor(999);
  EXPECT_EQ(w.LB_Timer.Caption(), "");
  f.toolkit.RunFor(1);
  EXPECT_EQ(w.LB_Timer.Caption(), "1:02:05");
  EXPECT_EQ(w.ElapsedSeconds, 3726);
  w.ElapsedSeconds = 59;
  f.toolkit.RunFor(1000);
  EXPECT_EQ(w.LB_Timer.Caption(), "0:00:59");
  w.ElapsedSeconds = 36000;
  f.toolkit.RunFor(1000);
  EXPECT_EQ(w.LB_Timer.Caption(), "10:00:00");
}

TEST(FormUnattended, TicksEveryRowOpensTheUpdatePageThenStartsOnce) {
  FormFixture f;
  f.Settings("[Option]\nAutoRun=1\n");
  FakeScanner scanner(f.events, 2);
  f.Build().SetDeviceScanner(&scanner);
  f.RecordPages();
  TUpdateDispaly& w = *f.form;
  std::vector<bool> ticksAtStart;
  w.Pages.start = [&] {
    f.events.push_back("start");
    for (int r = 0; r < w.LV_UpdateDevStatus.ItemCount(); ++r) {
      ticksAtStart.push_back(w.LV_UpdateDevStatus.Item(r).checked);
    }
    EXPECT_TRUE(w.PN_UpdateFW.Visible());
  };
  f.CreateAndShow();
  f.events.clear();
  f.toolkit.RunFor(9);
  EXPECT_TRUE(f.events.empty());
  f.toolkit.RunFor(1);
  EXPECT_EQ(f.events, (std::vector<std::string>{"update page", "start"}));
  EXPECT_EQ(ticksAtStart, (std::vector<bool>{true, true}));
  EXPECT_FALSE(w.Tmr_AutoRun.Enabled());
  f.toolkit.RunFor(1000);
  EXPECT_EQ(f.events.size(), 2u);
}

TEST(FormUnattended, NoDriveAndAutoCloseEndsTheRunWithTheFullRunLog) {
  FormFixture f;
  testsupport::CurrentDir cwd(f.dir.Path());
  // A profile is named (no drive matches it): a Setting.ini without one is a
  // start-up problem of its own.
  f.Settings(
      "[Option]\nAutoRun=1\nAutoClose=1\nPopUpMsgBox=1\nErrorLog=1\nICType_0=VK4630\n"
      "SSDToolLogName=Run Log.txt\n");
  f.Build();
  std::ostringstream out;
  EXPECT_EQ(RunHeadless(*f.form, f.toolkit, out), 0);
  EXPECT_TRUE(f.form->Closed());
  EXPECT_FALSE(f.form->Enabled());  // locked from the end of start-up on
  EXPECT_EQ(f.os.GetTickCount64(), 10u);
  EXPECT_EQ(f.dir.Read("Run Log.txt"),
            "Start Time=2026-01-02_03:04:05\r\n\n\r\nNumber of Device:0\r\n\r\n[Tool Info]\r\n"
            "Tool:SSD Tools V2.5.17_A1, ASPI:467\r\n\n\r\nEnd Time=2026-01-02_03:04:05\r\n");
  // The console shows the same run log.
  EXPECT_NE(out.str().find("Number of Device:0\n"), std::string::npos);
  EXPECT_TRUE(f.ctx.runLog.Empty());
}

TEST(FormUnattended, AnUpdatePageThatPostsTheCloseEndsTheRun) {
  FormFixture f;
  f.Settings("[Option]\nAutoRun=1\nAutoClose=1\n");
  f.Build();
  f.RecordPages();
  TUpdateDispaly& w = *f.form;
  w.Pages.start = [&] {
    f.events.push_back("start");
    w.App().PostClose(w);
  };
  std::ostringstream out;
  RunHeadless(w, f.toolkit, out);
  EXPECT_TRUE(w.Closed());
  EXPECT_EQ(f.events, (std::vector<std::string>{"device info page", "update page", "start"}));
}

TEST(FormHeadless, WithoutAutoRunTheRunClosesRightAfterStartUp) {
  FormFixture f;
  f.Build();
  std::ostringstream out;
  EXPECT_EQ(RunHeadless(*f.form, f.toolkit, out), 0);
  EXPECT_TRUE(f.form->Closed());
  EXPECT_EQ(f.os.GetTickCount64(), 0u);
  EXPECT_NE(out.str().find("End Time=2026-01-02_03:04:05"), std::string::npos);
}

TEST(FormHeadless, AnExceptionDuringCreationIsShownAndTheExitCodeIsZero) {
  FormFixture f;
  struct Broken : NoDriveScanner {
    int ScanAndFill(TUpdateDispaly&, Occasion) override {
      throw std::runtime_error("Cannot open the drive list");
    }
  } broken;
  f.Build().SetDeviceScanner(&broken);
  std::ostringstream out;
  EXPECT_EQ(RunHeadless(*f.form, f.toolkit, out), 0);
  EXPECT_EQ(f.toolkit.Exceptions(), std::vector<std::string>{"Cannot open the drive list"});
  EXPECT_FALSE(f.form->Closed());  // a window that never opened is not closed
}

}  // namespace
}  // namespace app::testing
