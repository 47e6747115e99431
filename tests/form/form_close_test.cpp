#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "form_fixture.h"
#include "support/current_dir.h"
#include "support/posix_only.h"

namespace app::testing {
namespace {

TEST(FormClose, EndLinesThenTheFileThenReleaseOfLogAndDrives) {
  FormFixture f;
  testsupport::CurrentDir cwd(f.dir.Path());
  f.Settings("[Option]\nErrorLog=1\nSSDToolLogName=Log.txt\n");
  FakeScanner scanner(f.events, 0);
  f.Build().SetDeviceScanner(&scanner);
  TUpdateDispaly& w = *f.form;
  f.CreateAndShow();
  f.os.Sleep(61'000);
  std::vector<std::string> completeLog;
  w.OnRunLogComplete = [&](const RunLog& log) { completeLog = log.Lines(); };
  bool fileBeforeRelease = false;
  bool logEmptyAtRelease = false;
  scanner.onRelease = [&] {
    fileBeforeRelease = f.dir.Exists("Log.txt");
    logEmptyAtRelease = f.ctx.runLog.Empty();
  };
  f.events.clear();
  w.Close();
  EXPECT_EQ(f.events, std::vector<std::string>{"release"});
  EXPECT_TRUE(fileBeforeRelease);
  EXPECT_TRUE(logEmptyAtRelease);
  ASSERT_GE(completeLog.size(), 2u);
  EXPECT_EQ(completeLog[completeLog.size() - 2], "\n");
  EXPECT_EQ(completeLog.back(), "End Time=2026-01-02_03:05:06");
  // Setting.ini is read, never written.
  EXPECT_EQ(f.dir.Read("Setting.ini"), "[Option]\nErrorLog=1\nSSDToolLogName=Log.txt\n");
}

TEST(FormClose, WithoutErrorLogNoFileIsWrittenAndTheOldOneIsGone) {
  FormFixture f;
  testsupport::CurrentDir cwd(f.dir.Path());
  f.dir.Write("Log.txt", "previous run");
  f.Settings("[Option]\nErrorLog=0\nSSDToolLogName=Log.txt\n");
  f.CreateAndShow().Close();
  EXPECT_FALSE(f.dir.Exists("Log.txt"));
}

TEST(FormClose, AnUnwritableLogStillClosesTheWindow) {
  SKIP_ON_WINDOWS("a process's current folder cannot be removed there");
  FormFixture f;
  f.os.Trace().SetCapture(true);
  f.Settings("[Option]\nErrorLog=1\nSSDToolLogName=Log.txt\n");
  // Nothing can be created in a current folder that was removed.
  std::filesystem::create_directory(f.dir.Path() / "gone");
  testsupport::CurrentDir cwd(f.dir.Path() / "gone");
  std::filesystem::remove(f.dir.Path() / "gone");
  TUpdateDispaly& w = f.CreateAndShow();
  w.T_FormClose.Click();
  f.app.ProcessMessages();
  EXPECT_TRUE(w.Closed());
  EXPECT_TRUE(f.app.Terminated());
  EXPECT_TRUE(f.os.Trace().Contains("Cannot write the run log"));
}

TEST(FormClose, ARunThatNeverClosesLeavesItsLogSoFar) {
  FormFixture f;
  testsupport::CurrentDir cwd(f.dir.Path());
  f.dir.Write("Log.txt", "previous run");
  f.Settings("[Option]\nErrorLog=1\nICType_0=VK4630\nSSDToolLogName=Log.txt\n");
  FakeScanner scanner(f.events, 2);
  f.Build().SetDeviceScanner(&scanner);
  f.CreateAndShow();
  f.ctx.runLog.Append("[Security Erase]");
  // Killed here: the file already holds every entry, in the file's format.
  EXPECT_EQ(f.dir.Read("Log.txt"),
            "Start Time=2026-01-02_03:04:05\r\n\n\r\nNumber of Device:2\r\n\r\n[Tool Info]\r\n"
            "Tool:SSD Tools V2.5.17_A1, ASPI:467\r\n[Security Erase]\r\n");
  std::string atClose;
  f.form->OnRunLogComplete = [&](const RunLog& log) { atClose = log.Serialize(); };
  f.form->Close();
  EXPECT_EQ(f.dir.Read("Log.txt"), atClose);
}

TEST(FormStartup, ARefusedLogNameIsShownAndTouchesNoFile) {
  FormFixture f;
  testsupport::CurrentDir cwd(f.dir.Path());
  f.os.Trace().SetCapture(true);
  f.dir.Write("../" + f.dir.Path().filename().string() + "_victim.txt", "precious");
  const std::string victim = f.dir.Path().string() + "_victim.txt";
  f.Settings("[Option]\nErrorLog=1\nPopUpMsgBox=0\nICType_0=VK4630\nSSDToolLogName=..\\" +
             f.dir.Path().filename().string() + "_victim.txt\n");
  f.CreateAndShow().Close();
  ASSERT_EQ(f.toolkit.Dialogs().size(), 1u);
  const ui::MessageBoxRequest& box = f.toolkit.Dialogs()[0].request;
  EXPECT_EQ(box.caption, "Setting.ini");
  EXPECT_EQ(box.icon, ui::MsgIcon::kExclamation);
  EXPECT_EQ(box.buttons, ui::MsgButtons::kOK);
  EXPECT_NE(box.text.find("is refused: it has a folder part"), std::string::npos) << box.text;
  EXPECT_TRUE(f.os.Trace().Contains("SSDToolLogName="));
  {
    // Closed before the removal: Windows refuses to remove an open file.
    std::ifstream in(victim, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
  }
  std::filesystem::remove(victim);
  EXPECT_FALSE(f.dir.Exists("Log.txt"));
}

TEST(FormClose, AUserCloseDuringALongOperationWaitsForIt) {
  FormFixture f;
  f.Build();
  TUpdateDispaly& w = *f.form;
  std::vector<std::string> order;
  w.Pages.start = [&] {
    order.push_back("download starts");
    w.T_FormClose.Click();
    for (int i = 0; i < 3; ++i) {
      f.os.Sleep(250);
      w.App().ProcessMessages();
    }
    EXPECT_FALSE(w.Closed()) << "no drive is released underneath a running download";
    order.push_back("download ends");
  };
  w.OnRunLogComplete = [&](const RunLog&) { order.push_back("close path"); };
  f.CreateAndShow();
  f.app.Dispatch([&] { w.T_Start.Click(); });
  EXPECT_EQ(order, (std::vector<std::string>{"download starts", "download ends", "close path"}));
  EXPECT_TRUE(w.Closed());
}

}  // namespace
}  // namespace app::testing
