#pragma once
// The Data Backup item of the Option page: the two disk lists with their
// info texts, Start (T_Backup) running the clone through the run model, and
// Cancel. The page connects to the form's components for as long as it lives.
#include <functional>
#include <optional>
#include <string>

#include "run/drive_run.h"
#include "form/update_dispaly.h"
#include "pages/maintenance/backup_disk.h"
#include "pages/maintenance/clone_operation.h"
#include "pages/maintenance/progress_scale.h"
#include "ui/scoped_handler.h"

namespace maintenance {

inline constexpr const char* kBackupDescription =
    "Clone hard drive for transfer data from one hard disk to another drive";
inline constexpr int kBackupModeLeft = 157;
inline constexpr int kBackupModeTop = 89;
inline constexpr uint32_t kTimerStatusMs = 1000;

class BackupPage : private ClonePresenter {
 public:
  BackupPage(app::TUpdateDispaly& form, device::AspiLib& aspi);
  BackupPage(const BackupPage&) = delete;
  BackupPage& operator=(const BackupPage&) = delete;

  void SBTN_DataBackupClick();
  void CMBB_DeviceList_SourceChange();
  void CMBB_DeviceList_DestinationChange();
  void T_BackupClick();
  void T_CancelClick();

  // The last run: its report, the result code and what the copy did.
  const app::RunReport& LastRun() const { return lastRun_; }
  int LastResult() const { return lastResult_; }
  // The last warning of the last run (why it was refused or failed), or "".
  const std::string& LastWarning() const { return lastWarning_; }
  const CopyCounts& LastCounts() const { return lastCounts_; }
  const BackupDiskSource& Disks() const { return disks_; }
  // Called after each chunk with the percentage shown (the command line
  // prints it).
  std::function<void(int percent)> OnProgress;
  // Called whenever the copy lets the window run: before each chunk and
  // between the zeroing requests of a long stretch (the command line looks
  // for Ctrl+C here).
  std::function<void()> OnPoll;

 private:
  // ClonePresenter.
  void Warn(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void CopyStarting(uint64_t sectors) override;
  void CopyEnded() override;
  void FirstAttemptFailed() override;
  void Finish(const std::string& status) override;
  void Refused() override;
  void BeforeChunk(uint64_t position) override;
  void AfterChunk(uint64_t position, uint64_t sectors) override;
  bool Cancelled() override { return cancel_; }

  void ShowInfo(ui::ComboBox& list, ui::Label& info);
  void Lock();
  void Unlock();

  app::TUpdateDispaly& form_;
  AspiBackupDisks disks_;
  bool cancel_ = true;
  std::optional<ProgressScale> scale_;
  app::RunReport lastRun_;
  int lastResult_ = kResultRefused;
  std::string lastWarning_;
  CopyCounts lastCounts_;
  ui::Connections connections_;
};

}  // namespace maintenance
