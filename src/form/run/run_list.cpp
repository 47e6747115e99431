#include "form/run/run_list.h"

#include "form/update_dispaly.h"

namespace app {

int RowImageOf(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kWaiting:
      return kRowWaiting;
    case RunOutcome::kRunning:
      return kRowInProgress;
    case RunOutcome::kPassed:
      return kRowPassed;
    case RunOutcome::kFailed:
      return kRowFailed;
  }
  return kRowWaiting;
}

void PaintRunRow(const ui::ListView& list, int row, ui::DrawState& state) {
  const int image = list.Item(row).imageIndex;
  const bool touched = image == kRowPassed || image == kRowFailed || image == kRowInProgress;
  state.brushColor = touched ? kRunRowDoneBackground : kRunRowIdleBackground;
}

void PaintRunCell(const ui::ListView& list, int row, int column, int resultSub,
                  ui::DrawState& state) {
  state.textColor = kRunRowText;
  // Column 0 is the caption; sub-item s is column s + 1.
  if (resultSub < 0 || column != resultSub + 1) return;
  const int image = list.Item(row).imageIndex;
  if (image == kRowFailed) state.textColor = kRunResultFailedText;
  if (image == kRowPassed) state.textColor = kRunResultPassedText;
}

void TickAllOnFirstColumn(ui::ListView& list, int column) {
  if (column != 0) return;
  for (int row = 0; row < list.ItemCount(); ++row) list.SetChecked(row, true);
}

void ToggleSelectedTick(ui::ListView& list) {
  const int row = list.Selected();
  if (row < 0) return;
  list.SetChecked(row, !list.Item(row).checked);
}

void HintSelectedRow(ui::ListView& list, int row, bool selected) {
  if (selected) list.SetHint(list.Item(row).caption);
  list.SetShowHint(selected);
}

void RunListSink::SetResult(int row, const std::string& text) {
  if (resultSub_ >= 0) list_.SetSubItem(row, resultSub_, text);
}

void RunListSink::RowReached(const DriveReport& d) {
  if (observer) observer->RowReached(d);
  if (clearResultOnReach) SetResult(d.row, "");
  if (deselectOnReach && list_.Selected() == d.row) list_.SetSelected(-1);
  list_.SetImageIndex(d.row, kRowWaiting);
  form_.ProgressPosition = 0;
}

void RunListSink::DriveStarted(const DriveReport& d) {
  if (observer) observer->DriveStarted(d);
  list_.SetImageIndex(d.row, kRowInProgress);
  SetResult(d.row, "");
  form_.ProgressPosition = 0;
}

void RunListSink::StepChanged(const DriveReport& d) {
  if (observer) observer->StepChanged(d);
  if (stepsInStatusBar) form_.SetStatusMessage(d.step);
}

void RunListSink::ProgressChanged(const DriveReport& d) {
  if (observer) observer->ProgressChanged(d);
  form_.ProgressPosition = d.progress;
}

void RunListSink::DriveFinished(const DriveReport& d) {
  if (observer) observer->DriveFinished(d);
  if (d.outcome == RunOutcome::kPassed || d.outcome == RunOutcome::kFailed) {
    list_.SetImageIndex(d.row, RowImageOf(d.outcome));
    SetResult(d.row, d.result);
  }
  list_.Repaint();
  // Every row the run walks ends with a full progress bar, chosen or not.
  form_.ProgressPosition = 100;
  form_.App().ProcessMessages();
}

void RunListSink::Idle() {
  if (observer) observer->Idle();
  form_.App().ProcessMessages();
}

}  // namespace app
