#pragma once
// The lists that show a run over ticked drives (the update list, the erase
// list) share their row states, their painting and their tick behaviour. A
// RunListSink shows a running DriveRunner in such a list and in the form's
// progress bar and status bar.
#include <string>

#include "run/drive_run.h"
#include "form/update_dispaly_components.h"
#include "ui/list_view.h"

namespace app {

class TUpdateDispaly;

inline constexpr ui::TColor kRunRowIdleBackground = 0xF0F0F0;
inline constexpr ui::TColor kRunRowDoneBackground = 0xFFFFFF;
inline constexpr ui::TColor kRunRowText = 0x010000;
inline constexpr ui::TColor kRunResultFailedText = 0x0000FF;  // red (COLORREF)
inline constexpr ui::TColor kRunResultPassedText = 0xFF0000;  // blue

int RowImageOf(RunOutcome outcome);

// Row background: white once a run touched the row, light grey otherwise.
void PaintRunRow(const ui::ListView& list, int row, ui::DrawState& state);
// Cell text: the result cell (sub-item `resultSub`, -1: none) red for a failed
// row and blue for a passed one, the default text colour elsewhere.
void PaintRunCell(const ui::ListView& list, int row, int column, int resultSub,
                  ui::DrawState& state);

// Header click on the first column ticks every row (it never unticks); a
// double click toggles the selected row; selecting a row shows its caption as
// the hint.
void TickAllOnFirstColumn(ui::ListView& list, int column);
void ToggleSelectedTick(ui::ListView& list);
void HintSelectedRow(ui::ListView& list, int row, bool selected);

class RunListSink : public RunSink {
 public:
  // `resultSub`: the sub-item of the result cell, -1 when the list has none.
  RunListSink(TUpdateDispaly& form, ui::ListView& list, int resultSub)
      : form_(form), list_(list), resultSub_(resultSub) {}

  // Show each step's name in the status bar.
  bool stepsInStatusBar = false;
  // What happens to every row the run reaches: its image goes back to
  // waiting and the progress to 0; optionally its result cell is emptied and
  // it is deselected.
  bool clearResultOnReach = false;
  bool deselectOnReach = false;
  // Told everything this sink is told (a command line's progress lines).
  RunSink* observer = nullptr;

  void RowReached(const DriveReport& d) override;
  void DriveStarted(const DriveReport& d) override;
  void StepChanged(const DriveReport& d) override;
  void ProgressChanged(const DriveReport& d) override;
  void DriveFinished(const DriveReport& d) override;
  void Idle() override;

 private:
  void SetResult(int row, const std::string& text);

  TUpdateDispaly& form_;
  ui::ListView& list_;
  int resultSub_;
};

}  // namespace app
