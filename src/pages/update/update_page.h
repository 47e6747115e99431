#pragma once
// The firmware update page: the update list's behaviour and painting, the
// advanced group behind its access code, the page's defaults when it opens,
// and the update run over the ticked rows (also the unattended run the form
// starts with AutoRun). The page connects to the form's components for as
// long as it lives.
#include <functional>
#include <string>

#include "run/drive_run.h"
#include "form/update_dispaly.h"
#include "pages/update/update_flow.h"
#include "scan/drive_view.h"
#include "scan/result_column_map.h"
#include "ui/scoped_handler.h"

namespace update {

inline constexpr const char* kAccessCode = "QXJ";
inline constexpr const char* kAccessCaption = "Switch to RD mode....";
inline constexpr const char* kAccessPrompt = "Password";
inline constexpr const char* kStartWarning =
    "Application will update firmware!! Please do not turn off your computer";
inline constexpr const char* kStartWarningCaption = "Message";
inline constexpr const char* kNothingTicked =
    "Please select the device in which you would like to update FW...";
inline constexpr const char* kNothingTickedCaption = "Warning...";
inline constexpr const char* kResultInfoLine = "[Result Info]";
inline constexpr const char* kShowDataCaption = "Update FW";
inline constexpr ui::TColor kNewestRebootText = 0xB97373;

// Defaults of the advanced combo boxes.
inline constexpr int kDefaultSubCmd = 0;    // "0x03h"
inline constexpr int kDefaultDmaMode = 0;   // "PIO Mode"
inline constexpr int kDefaultTranSize = 5;  // "32"
inline constexpr int kDefaultActive = 3;    // "011b"

class UpdatePage {
 public:
  UpdatePage(app::TUpdateDispaly& form, app::DriveViews& drives,
             const app::ResultColumnMap& columns);
  UpdatePage(const UpdatePage&) = delete;
  UpdatePage& operator=(const UpdatePage&) = delete;

  void T_UpdateFWClick();
  void T_StartClick();
  void ST_DownloadFWSecDblClick();
  void LV_UpdateDevStatusColumnClick(int column);
  void LV_UpdateDevStatusDblClick();
  void LV_UpdateDevStatusSelectItem(int row, bool selected);
  void LV_UpdateDevStatusCustomDrawItem(int row, ui::DrawState& state);
  void LV_UpdateDevStatusCustomDrawSubItem(int row, int column, ui::DrawState& state);
  void MM_Microcode_ShowVersionChange();
  // The advanced group's buttons, pressed by hand on the current drive.
  void BTN_Microcode_DownloadClick();
  void BTN_Microcode_CommitClick();
  void BTN_Microcode_NVMeDownloadClick();
  void BTN_Microcode_NVMeCommitClick();

  // The last update run, row by row (empty before the first).
  const app::RunReport& LastRun() const { return lastRun_; }
  const UpdateState& State() const { return state_; }
  int CurrentDevice() const { return currentRow_; }
  // Also told how each drive of a run goes (null: nobody).
  void SetObserver(app::RunSink* observer) { observer_ = observer; }

 private:
  void ApplyDefaults();
  void RefreshSelectedRow();
  // The buttons that start work on a drive, with the page buttons; off while
  // a run goes on, so that no second run starts on a drive in mid-update.
  void SetRunButtonsEnabled(bool on);
  app::RunReport UpdateTickedRows();
  // A step of the procedures on the current drive, outside a run.
  void RunByHand(const std::function<void(UpdateFlow&)>& step);

  app::TUpdateDispaly& form_;
  app::DriveViews& drives_;
  const app::ResultColumnMap& columns_;
  UpdateState state_;
  int currentRow_ = -1;
  app::RunReport lastRun_;
  // A run (the whole list, or one step by hand) is going on; a click that
  // reaches a button all the same (a click from code) is not obeyed.
  bool running_ = false;
  app::RunSink* observer_ = nullptr;
  ui::Connections connections_;
};

}  // namespace update
