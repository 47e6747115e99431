// A run shown in the erase list: row images, the result cell, the progress the
// status-bar timer copies, and the colours both run lists paint with.
#include "form/run/run_list.h"

#include <gtest/gtest.h>

#include "form_fixture.h"

namespace app::testing {
namespace {

class PassOrFail : public DriveOperation {
 public:
  explicit PassOrFail(bool pass) : pass_(pass) {}
  void Run(DriveRun& run) override {
    run.Step("Erasing");
    run.Progress(50);
    if (pass_) {
      run.Pass("PASS");
    } else {
      run.Fail("Set Password Error...");
    }
  }

 private:
  bool pass_;
};

TEST(RunListTest, RowsShowOutcomeResultAndColoursAndTheListTicksAsUsersExpect) {
  FormFixture f;
  TUpdateDispaly& form = f.Build();
  ui::ListView& list = form.LV_OptionErase;
  for (const char* name : {"PHYSICALDRIVE1", "PHYSICALDRIVE2", "PHYSICALDRIVE3"}) {
    const int row = list.AddItem(name);
    for (int s = 0; s < 4; ++s) list.AddSubItem(row, "old");
    list.SetImageIndex(row, kRowWaiting);
  }
  constexpr int kResultSub = 3;

  RunListSink sink(form, list, kResultSub);
  sink.stepsInStatusBar = true;
  DriveRunner runner(sink, f.ctx.runLog, f.os);
  std::vector<RunEntry> entries(3);
  for (int i = 0; i < 3; ++i) {
    entries[static_cast<size_t>(i)].row = i;
    entries[static_cast<size_t>(i)].drive = list.Item(i).caption;
  }
  entries[0].operation = std::make_unique<PassOrFail>(true);
  entries[2].operation = std::make_unique<PassOrFail>(false);
  const RunReport report = runner.Run(std::move(entries));

  EXPECT_EQ(report.Passed(), 1);
  EXPECT_EQ(list.Item(0).imageIndex, kRowPassed);
  EXPECT_EQ(list.SubItem(0, kResultSub), "PASS");
  EXPECT_EQ(list.Item(1).imageIndex, kRowWaiting);
  EXPECT_EQ(list.SubItem(1, kResultSub), "old");  // not chosen: untouched
  EXPECT_EQ(list.Item(2).imageIndex, kRowFailed);
  EXPECT_EQ(list.SubItem(2, kResultSub), "Set Password Error...");
  EXPECT_EQ(form.ProgressPosition, 100);
  EXPECT_EQ(form.StatusMessage(), "Erasing");

  ui::DrawState s;
  PaintRunRow(list, 0, s);
  EXPECT_EQ(s.brushColor, 0xFFFFFFu);
  PaintRunRow(list, 1, s);
  EXPECT_EQ(s.brushColor, 0xF0F0F0u);
  PaintRunCell(list, 0, kResultSub + 1, kResultSub, s);
  EXPECT_EQ(s.textColor, 0xFF0000u);  // blue: passed
  PaintRunCell(list, 2, kResultSub + 1, kResultSub, s);
  EXPECT_EQ(s.textColor, 0x0000FFu);  // red: failed
  PaintRunCell(list, 2, 1, kResultSub, s);
  EXPECT_EQ(s.textColor, 0x010000u);

  TickAllOnFirstColumn(list, 1);
  EXPECT_FALSE(list.Item(0).checked);
  TickAllOnFirstColumn(list, 0);
  TickAllOnFirstColumn(list, 0);  // a second click never unticks
  for (int r = 0; r < 3; ++r) EXPECT_TRUE(list.Item(r).checked);
  list.SetSelected(1);
  ToggleSelectedTick(list);
  EXPECT_FALSE(list.Item(1).checked);
  HintSelectedRow(list, 1, true);
  EXPECT_EQ(list.Hint(), "PHYSICALDRIVE2");
  EXPECT_TRUE(list.ShowHint());
  HintSelectedRow(list, 1, false);
  EXPECT_FALSE(list.ShowHint());
}

}  // namespace
}  // namespace app::testing
