#include "pages/maintenance/backup_page.h"

#include <cmath>
#include <memory>
#include <vector>

#include "common/text.h"

namespace maintenance {

BackupPage::BackupPage(app::TUpdateDispaly& form, device::AspiLib& aspi)
    : form_(form), disks_(aspi) {
  connections_.Connect(form_.SBTN_DataBackup.OnClick, [this] { SBTN_DataBackupClick(); });
  connections_.Connect(form_.CMBB_DeviceList_Source.OnChange,
                       [this] { CMBB_DeviceList_SourceChange(); });
  connections_.Connect(form_.CMBB_DeviceList_Destination.OnChange,
                       [this] { CMBB_DeviceList_DestinationChange(); });
  connections_.Connect(form_.T_Backup.OnClick, [this] { T_BackupClick(); });
  connections_.Connect(form_.T_Cancel.OnClick, [this] { T_CancelClick(); });
}

void BackupPage::SBTN_DataBackupClick() {
  form_.STC_SubItem.SetCaption(form_.SBTN_DataBackup.Caption());
  form_.STC_SubItemDecs.SetCaption(kBackupDescription);
  form_.PN_BackupMode.SetTop(kBackupModeTop);
  form_.PN_BackupMode.SetLeft(kBackupModeLeft);
  form_.PN_BackupMode.Show();
  form_.PN_EraseMode.Hide();
  form_.ST_DataBackup_SourceInfo.SetCaption("");
  form_.ST_DataBackup_DesInfo.SetCaption("");
  if (!form_.CMBB_DeviceList_Source.Text().empty()) CMBB_DeviceList_SourceChange();
  if (!form_.CMBB_DeviceList_Destination.Text().empty()) CMBB_DeviceList_DestinationChange();
}

void BackupPage::ShowInfo(ui::ComboBox& list, ui::Label& info) {
  const std::optional<BackupDisk> disk = disks_.At(list.ItemIndex());
  if (disk) info.SetCaption(DiskInfoText(*disk));
}

void BackupPage::CMBB_DeviceList_SourceChange() {
  ShowInfo(form_.CMBB_DeviceList_Source, form_.ST_DataBackup_SourceInfo);
}

void BackupPage::CMBB_DeviceList_DestinationChange() {
  ShowInfo(form_.CMBB_DeviceList_Destination, form_.ST_DataBackup_DesInfo);
}

void BackupPage::T_BackupClick() {
  lastWarning_.clear();
  form_.ElapsedSeconds = 0;
  form_.Timer_Status.SetInterval(kTimerStatusMs);
  form_.Timer_Status.SetEnabled(true);
  app::RunContext& ctx = form_.Context();
  const int source = form_.CMBB_DeviceList_Source.ItemIndex();
  const int destination = form_.CMBB_DeviceList_Destination.ItemIndex();
  ClonePresenter& presenter = *this;
  auto operation = std::make_unique<CloneOperation>(ctx.os, disks_, source, destination,
                                                    ctx.options.IgnoreWriteZeroPattern, presenter);
  CloneOperation& clone = *operation;
  // The run owns what it is given and drops it when it ends; the clone's
  // result and counts are read afterwards, so the page keeps the operation.
  struct Forward : app::DriveOperation {
    explicit Forward(CloneOperation& c) : op(c) {}
    void Run(app::DriveRun& run) override { op.Run(run); }
    CloneOperation& op;
  };
  std::vector<app::RunEntry> entries(1);
  entries[0].row = 0;
  entries[0].drive =
      form_.CMBB_DeviceList_Source.Text() + " -> " + form_.CMBB_DeviceList_Destination.Text();
  entries[0].operation = std::make_unique<Forward>(clone);
  app::RunSink sink;
  app::DriveRunner runner(sink, ctx.runLog, ctx.os);
  ctx.runLog.Append("[Data Backup]");
  lastRun_ = runner.Run(std::move(entries));
  lastResult_ = clone.Result();
  lastCounts_ = clone.Counts();
  lastRun_.cancelled = lastResult_ == kResultCancelled;
  if (!lastRun_.drives.empty()) {
    ctx.runLog.Append(common::Format("Data Backup      : %s %s", lastRun_.drives[0].drive.c_str(),
                                     lastRun_.drives[0].result.c_str()));
  }
}

void BackupPage::T_CancelClick() { cancel_ = true; }

// --- ClonePresenter ---------------------------------------------------------------

void BackupPage::Warn(const std::string& text) {
  lastWarning_ = text;
  form_.App().MessageBox(text, kWarningCaption, ui::MsgButtons::kOK, ui::MsgIcon::kExclamation);
}

bool BackupPage::Confirm(const std::string& text) {
  return form_.App().MessageBox(text, kConfirmCaption, ui::MsgButtons::kYesNo,
                                ui::MsgIcon::kExclamation,
                                ui::ModalResult::kNo) == ui::ModalResult::kYes;
}

void BackupPage::CopyStarting(uint64_t sectors) {
  scale_.emplace(sectors);
  form_.ProcessBar.SetRange(0, scale_->Max());
  form_.ProcessBar.SetPosition(0);
  form_.ProgressPosition = 0;
  form_.ProcessBar.Show();
  Lock();
}

void BackupPage::BeforeChunk(uint64_t position) {
  form_.App().ProcessMessages();
  if (OnPoll) OnPoll();
  // The status-bar timer copies ProgressPosition into the bar: keep them one.
  form_.ProgressPosition = scale_->Position(position);
  form_.ProcessBar.SetPosition(form_.ProgressPosition);
}

void BackupPage::AfterChunk(uint64_t position, uint64_t sectors) {
  const int percent = static_cast<int>(
      std::lround(static_cast<double>(position) / static_cast<double>(sectors) * 100.0));
  form_.LB_StatusBar.SetCaption(common::Format("%d%%", percent));
  if (OnProgress) OnProgress(percent);
}

void BackupPage::CopyEnded() {
  form_.ProgressPosition = form_.ProcessBar.Max();
  form_.ProcessBar.SetPosition(form_.ProcessBar.Max());
}

void BackupPage::FirstAttemptFailed() {
  form_.LB_StatusBar.SetCaption("");
  form_.TM_StatusBarClear.SetEnabled(true);
  Unlock();
}

void BackupPage::Finish(const std::string& status) {
  form_.LB_StatusBar.SetCaption(status);
  form_.Timer_Status.SetEnabled(false);
  form_.App().MessageBox(status, kResultCaption, ui::MsgButtons::kOK, ui::MsgIcon::kNone);
  form_.TM_StatusBarClear.SetEnabled(true);
  Unlock();
}

void BackupPage::Refused() { form_.Timer_Status.SetEnabled(false); }

void BackupPage::Lock() {
  cancel_ = false;
  for (ui::Component* c : std::initializer_list<ui::Component*>{
           &form_.T_DeviceInfo, &form_.T_Smart, &form_.T_UpdateFW, &form_.T_OptionPage,
           &form_.T_SummaryPage, &form_.SBTN_SecurityErase, &form_.SBTN_DataBackup,
           &form_.CMBB_DeviceList_Source, &form_.CMBB_DeviceList_Destination, &form_.T_Backup}) {
    c->SetEnabled(false);
  }
  form_.T_Backup.Hide();
  form_.T_Cancel.SetEnabled(true);
  form_.T_Cancel.Show();
}

void BackupPage::Unlock() {
  for (ui::Component* c : std::initializer_list<ui::Component*>{
           &form_.T_DeviceInfo, &form_.T_Smart, &form_.T_UpdateFW, &form_.T_OptionPage,
           &form_.T_SummaryPage, &form_.SBTN_SecurityErase, &form_.SBTN_DataBackup,
           &form_.CMBB_DeviceList_Source, &form_.CMBB_DeviceList_Destination, &form_.T_Backup}) {
    c->SetEnabled(true);
  }
  form_.T_Backup.Show();
  form_.T_Cancel.SetEnabled(false);
  form_.T_Cancel.Hide();
  cancel_ = true;
}

}  // namespace maintenance
