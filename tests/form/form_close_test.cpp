#include <gtest/gtest.h>

#include "form_fixture.h"

namespace app::testing {
namespace {

TEST(FormClose, EndLinesThenTheFileThenReleaseOfLogAndDrives) {
  FormFixture f;
  f.Settings("[Option]\nErrorLog=1\nSSDToolLogName=" + f.dir.Str() + "/Log.txt\n");
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
  EXPECT_EQ(f.dir.Read("Setting.ini"),
            "[Option]\nErrorLog=1\nSSDToolLogName=" + f.dir.Str() + "/Log.txt\n");
}

TEST(FormClose, WithoutErrorLogNoFileIsWrittenAndTheOldOneIsGone) {
  FormFixture f;
  f.dir.Write("Log.txt", "previous run");
  f.Settings("[Option]\nErrorLog=0\nSSDToolLogName=" + f.dir.Str() + "/Log.txt\n");
  f.CreateAndShow().Close();
  EXPECT_FALSE(f.dir.Exists("Log.txt"));
}

TEST(FormClose, AnUnwritableLogStillClosesTheWindow) {
  FormFixture f;
  f.os.Trace().SetCapture(true);
  f.Settings("[Option]\nErrorLog=1\nSSDToolLogName=" + f.dir.Str() + "/no such folder/Log.txt\n");
  TUpdateDispaly& w = f.CreateAndShow();
  w.T_FormClose.Click();
  f.app.ProcessMessages();
  EXPECT_TRUE(w.Closed());
  EXPECT_TRUE(f.app.Terminated());
  EXPECT_TRUE(f.os.Trace().Contains("Cannot write the run log"));
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
