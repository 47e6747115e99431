#pragma once
// The Security Erase item of the Option page: the erase list's behaviour and
// the erase of every ticked drive in list order after one confirmation, then
// a rescan of the disks by the partitioning tool. The page connects to the
// form's components for as long as it lives.
#include <string>

#include "run/drive_run.h"
#include "form/update_dispaly.h"
#include "scan/drive_view.h"
#include "ui/scoped_handler.h"

namespace maintenance {

inline constexpr const char* kEraseDescription =
    "Using ATA Secure Erase command to wipe all data from SSD";
inline constexpr const char* kEraseConfirmCaption = "Message";
inline constexpr const char* kEraseConfirmText =
    "Application will deletes all of data on the selected SSD drive!!\n"
    "Are you sure to do this Security Erase flow...";
inline constexpr const char* kRescanScriptName = "diskpart.txt";
inline constexpr const char* kRescanCommand = "DISKPART /s diskpart.txt";
inline constexpr int kEraseResultSub = 3;  // "Result" is the fourth sub-item
inline constexpr int kEraseModeLeft = 157;
inline constexpr int kEraseModeTop = 89;

class ErasePage {
 public:
  ErasePage(app::TUpdateDispaly& form, app::DriveViews& drives);
  ErasePage(const ErasePage&) = delete;
  ErasePage& operator=(const ErasePage&) = delete;

  void SBTN_SecurityEraseClick();
  void LV_OptionEraseColumnClick(int column);
  void LV_OptionEraseDblClick();
  void LV_OptionEraseSelectItem(int row, bool selected);
  void LV_OptionEraseCustomDrawItem(int row, ui::DrawState& state);
  void LV_OptionEraseCustomDrawSubItem(int row, int column, ui::DrawState& state);
  void T_SendEraseClick();

  // The last erase run, row by row (empty before the first).
  const app::RunReport& LastRun() const { return lastRun_; }
  // Also told how each erase goes (null: nobody).
  void SetObserver(app::RunSink* observer) { observer_ = observer; }

 private:
  app::RunReport EraseTickedRows();
  // Writes the rescan script whole and starts the partitioning tool hidden.
  void StartRescan();

  app::TUpdateDispaly& form_;
  app::DriveViews& drives_;
  app::RunReport lastRun_;
  app::RunSink* observer_ = nullptr;
  ui::Connections connections_;
};

}  // namespace maintenance
