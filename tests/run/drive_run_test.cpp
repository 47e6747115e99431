// The run model on fake operations: the report each drive ends with, what the
// sink is told in which order, and what reaches the run log and the trace.
#include "run/drive_run.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/virtual_os.h"

namespace {

using app::DriveReport;
using app::DriveRun;
using app::RunOutcome;

class ScriptOperation : public app::DriveOperation {
 public:
  explicit ScriptOperation(std::function<void(DriveRun&)> body) : body_(std::move(body)) {}
  void Run(DriveRun& run) override { body_(run); }

 private:
  std::function<void(DriveRun&)> body_;
};

// Notes every sink call as text.
class RecordingSink : public app::RunSink {
 public:
  std::vector<std::string> events;
  void DriveStarted(const DriveReport& d) override { events.push_back("start " + d.drive); }
  void StepChanged(const DriveReport& d) override { events.push_back("step " + d.step); }
  void ProgressChanged(const DriveReport& d) override {
    events.push_back("progress " + std::to_string(d.progress));
  }
  void DriveFinished(const DriveReport& d) override {
    events.push_back(std::string("end ") + d.drive + " " + app::OutcomeName(d.outcome));
  }
};

class DriveRunTest : public ::testing::Test {
 protected:
  os::VirtualOs os;
  app::RunLog log;
  RecordingSink sink;
  app::DriveRunner runner{sink, log, os};

  static app::RunEntry Entry(int row, std::string name, std::function<void(DriveRun&)> body) {
    app::RunEntry e;
    e.row = row;
    e.drive = std::move(name);
    if (body) e.operation = std::make_unique<ScriptOperation>(std::move(body));
    return e;
  }
};

TEST_F(DriveRunTest, EachDriveEndsWithItsOwnVerdictInListOrder) {
  std::vector<app::RunEntry> entries;
  entries.push_back(Entry(0, "PHYSICALDRIVE1", [](DriveRun& run) {
    run.Step("Download");
    run.Progress(40);
    run.Progress(30);  // never goes back
    run.Step("Commit");
    run.Progress(250);  // clamped
    run.Log("Dev_0 done");
    run.Pass("PASS");
  }));
  entries.push_back(Entry(1, "PHYSICALDRIVE2", nullptr));  // not ticked
  entries.push_back(Entry(2, "PHYSICALDRIVE3", [](DriveRun& run) {
    run.Step("Set Password");
    run.Fail("Set Password Error...");
  }));
  entries.push_back(
      Entry(3, "PHYSICALDRIVE4", [](DriveRun& run) { run.Trace("[VKM] nothing decided\n"); }));

  const app::RunReport r = runner.Run(std::move(entries));

  ASSERT_EQ(r.drives.size(), 4u);
  EXPECT_EQ(r.drives[0].outcome, RunOutcome::kPassed);
  EXPECT_EQ(r.drives[0].result, "PASS");
  EXPECT_EQ(r.drives[0].steps, (std::vector<std::string>{"Download", "Commit"}));
  EXPECT_EQ(r.drives[0].log, std::vector<std::string>{"Dev_0 done"});
  EXPECT_EQ(r.drives[1].outcome, RunOutcome::kWaiting);
  EXPECT_FALSE(r.drives[1].chosen);
  EXPECT_EQ(r.drives[2].outcome, RunOutcome::kFailed);
  EXPECT_EQ(r.drives[2].result, "Set Password Error...");
  // An operation that returns without a verdict has not succeeded.
  EXPECT_EQ(r.drives[3].outcome, RunOutcome::kFailed);
  EXPECT_EQ(r.drives[3].result, "Error");
  EXPECT_EQ(r.Chosen(), 3);
  EXPECT_EQ(r.Passed(), 1);
  EXPECT_EQ(r.Failed(), 2);
  EXPECT_FALSE(r.AllPassed());
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"Dev_0 done"});

  EXPECT_EQ(sink.events, (std::vector<std::string>{
                             "start PHYSICALDRIVE1", "step Download", "progress 40", "step Commit",
                             "progress 100", "progress 100", "end PHYSICALDRIVE1 passed",
                             "end PHYSICALDRIVE2 waiting", "start PHYSICALDRIVE3",
                             "step Set Password", "progress 100", "end PHYSICALDRIVE3 failed",
                             "start PHYSICALDRIVE4", "progress 100", "end PHYSICALDRIVE4 failed"}));
}

TEST_F(DriveRunTest, CancelStopsBeforeTheNextDriveAndIsNeverAllPassed) {
  bool cancel = false;
  runner.cancelled = [&cancel] { return cancel; };
  bool sawCancelInside = false;
  std::vector<app::RunEntry> entries;
  entries.push_back(Entry(0, "A", [&](DriveRun& run) {
    cancel = true;
    sawCancelInside = run.Cancelled();
    run.Pass("PASS");
  }));
  int secondRan = 0;
  entries.push_back(Entry(1, "B", [&](DriveRun& run) {
    ++secondRan;
    run.Pass("PASS");
  }));

  const app::RunReport r = runner.Run(std::move(entries));
  EXPECT_TRUE(sawCancelInside);
  EXPECT_EQ(secondRan, 0);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.drives[1].outcome, RunOutcome::kWaiting);
  EXPECT_FALSE(r.AllPassed());
}

TEST_F(DriveRunTest, NothingChosenIsNotAllPassed) {
  std::vector<app::RunEntry> entries;
  entries.push_back(Entry(0, "A", nullptr));
  const app::RunReport r = runner.Run(std::move(entries));
  EXPECT_EQ(r.Chosen(), 0);
  EXPECT_FALSE(r.AllPassed());
}

}  // namespace
