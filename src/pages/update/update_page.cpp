#include "pages/update/update_page.h"

#include <memory>
#include <vector>

#include "common/text.h"
#include "form/run/run_list.h"
#include "package/firmware_tag.h"
#include "package/parameter_block.h"
#include "pages/update/ata_update.h"
#include "pages/update/nvme_update.h"
#include "pages/update/update_run.h"
#include "scan/scan_rules.h"

namespace update {
namespace {

// A procedure step as a run operation (a button pressed by hand).
class StepOperation : public app::DriveOperation {
 public:
  StepOperation(app::TUpdateDispaly& form, app::DriveView drive,
                const app::ResultColumnMap& columns, UpdateState& state,
                const std::function<void(UpdateFlow&)>& step)
      : form_(form), drive_(drive), columns_(columns), state_(state), step_(step) {}
  void Run(app::DriveRun& run) override {
    UpdateFlow flow(form_, drive_, columns_, state_, run);
    step_(flow);
    if (UpdateSucceeded(state_.updateResult)) {
      run.Pass(state_.updateResult);
    } else {
      run.Fail(state_.updateResult);
    }
  }

 private:
  app::TUpdateDispaly& form_;
  app::DriveView drive_;
  const app::ResultColumnMap& columns_;
  UpdateState& state_;
  const std::function<void(UpdateFlow&)>& step_;
};

void DefaultWhenUnset(ui::ComboBox& combo, int index) {
  if (combo.ItemIndex() < 0) combo.SetItemIndex(index);
}

}  // namespace

UpdatePage::UpdatePage(app::TUpdateDispaly& form, app::DriveViews& drives,
                       const app::ResultColumnMap& columns)
    : form_(form), drives_(drives), columns_(columns) {
  ui::ListView& list = form_.LV_UpdateDevStatus;
  connections_.Connect(form_.Pages.updateFW, [this] { T_UpdateFWClick(); });
  connections_.Connect(form_.Pages.start, [this] { T_StartClick(); });
  connections_.Connect(form_.ST_DownloadFWSec.OnDblClick, [this] { ST_DownloadFWSecDblClick(); });
  // The caption of the information pages unlocks the advanced group too.
  connections_.Connect(form_.ST_InfoType.OnDblClick, [this] { ST_DownloadFWSecDblClick(); });
  connections_.Connect(list.OnColumnClick, [this](int c) { LV_UpdateDevStatusColumnClick(c); });
  connections_.Connect(list.OnDblClick, [this] { LV_UpdateDevStatusDblClick(); });
  connections_.Connect(list.OnSelectItem,
                       [this](int row, bool on) { LV_UpdateDevStatusSelectItem(row, on); });
  connections_.Connect(list.OnCustomDrawItem, [this](int row, ui::DrawState& s) {
    LV_UpdateDevStatusCustomDrawItem(row, s);
  });
  connections_.Connect(list.OnCustomDrawSubItem, [this](int row, int column, ui::DrawState& s) {
    LV_UpdateDevStatusCustomDrawSubItem(row, column, s);
  });
  connections_.Connect(form_.MM_Microcode_ShowVersion.OnChange,
                       [this] { MM_Microcode_ShowVersionChange(); });
  connections_.Connect(form_.BTN_Microcode_Download.OnClick,
                       [this] { BTN_Microcode_DownloadClick(); });
  connections_.Connect(form_.BTN_Microcode_Commit.OnClick, [this] { BTN_Microcode_CommitClick(); });
  connections_.Connect(form_.BTN_Microcode_NVMeDownload.OnClick,
                       [this] { BTN_Microcode_NVMeDownloadClick(); });
  connections_.Connect(form_.BTN_Microcode_NVMeCommit.OnClick,
                       [this] { BTN_Microcode_NVMeCommitClick(); });
}

void UpdatePage::ApplyDefaults() {
  DefaultWhenUnset(form_.CMBB_Microcode_SubCMD, kDefaultSubCmd);
  DefaultWhenUnset(form_.CMBB_Microcode_DMAMode, kDefaultDmaMode);
  DefaultWhenUnset(form_.CMBB_Microcode_TranSize, kDefaultTranSize);
  DefaultWhenUnset(form_.CMBB_Microcode_Active, kDefaultActive);
  const app::RunContext& ctx = form_.Context();
  const int icVer = ctx.updateSetting.ICVer10XT;
  DefaultWhenUnset(form_.CMBB_ICVersion, icVer >= 0 ? icVer : 0);
  if (ctx.options.ROMCheckICVer) form_.CMBB_ICVersion.SetEnabled(false);
}

void UpdatePage::T_UpdateFWClick() {
  ApplyDefaults();
  ui::ListView& data = form_.LV_ShowData;
  if (data.ColumnCount() > 0) data.SetColumnCaption(0, kShowDataCaption);
  data.Clear();
  RefreshSelectedRow();
}

void UpdatePage::RefreshSelectedRow() {
  const int row = form_.SelectedDevice;
  if (!drives_.Has(row)) return;
  app::DriveView drive = drives_.At(row);
  // IDENTIFY DEVICE is an ATA command; NVMe rows keep what the scan read.
  if (drive.IsNvme() || !drive.access.IdentifyDevice(drive.data.ataIdentify)) return;
  ui::ListView& list = form_.LV_UpdateDevStatus;
  const app::IdentityTexts ids = app::AtaIdentityTexts(drive.data.ataIdentify);
  const auto shown = [](std::string_view raw) { return common::ShownText(common::Trim(raw)); };
  if (columns_.currentFw >= 0) list.SetSubItem(row, columns_.currentFw, shown(ids.firmware));
  if (columns_.modelName >= 0) list.SetSubItem(row, columns_.modelName, shown(ids.model));
  if (columns_.HasFwTag()) {
    const firmware::ParameterBlock block(drive.data.parameterBlock);
    list.SetSubItem(row, columns_.fwTag, shown(firmware::ExtractFirmwareIdentity(block).tag));
  }
}

void UpdatePage::SetRunButtonsEnabled(bool on) {
  for (ui::Component* c :
       {static_cast<ui::Component*>(&form_.T_Start),
        static_cast<ui::Component*>(&form_.T_DeviceInfo),
        static_cast<ui::Component*>(&form_.T_Smart), static_cast<ui::Component*>(&form_.T_UpdateFW),
        static_cast<ui::Component*>(&form_.T_OptionPage),
        static_cast<ui::Component*>(&form_.BTN_Microcode_Download),
        static_cast<ui::Component*>(&form_.BTN_Microcode_Commit),
        static_cast<ui::Component*>(&form_.BTN_Microcode_NVMeDownload),
        static_cast<ui::Component*>(&form_.BTN_Microcode_NVMeCommit)}) {
    c->SetEnabled(on);
  }
}

void UpdatePage::T_StartClick() {
  // The run is one handler of the message loop: a close asked for while a
  // drive is being written waits until the run has finished.
  form_.App().Dispatch([this] {
    if (running_) return;
    running_ = true;
    SetRunButtonsEnabled(false);
    form_.MM_Microcode_ShowVersion.Clear();
    app::RunContext& ctx = form_.Context();
    ctx.runLog.Append("");
    ui::ListView& list = form_.LV_UpdateDevStatus;
    if (list.ItemCount() > 0) {
      if (ctx.options.PopUpMsgBox) {
        form_.App().MessageBox(kStartWarning, kStartWarningCaption, ui::MsgButtons::kOK,
                               ui::MsgIcon::kExclamation);
      }
      ctx.runLog.Append(kResultInfoLine);
    }
    lastRun_ = UpdateTickedRows();
    if (lastRun_.Chosen() == 0 && ctx.options.PopUpMsgBox) {
      form_.App().MessageBox(kNothingTicked, kNothingTickedCaption, ui::MsgButtons::kOK,
                             ui::MsgIcon::kExclamation);
    }
    SetRunButtonsEnabled(true);
    running_ = false;
    form_.TM_StatusBarClear.SetEnabled(true);
    list.Repaint();
    if (ctx.options.AutoClose) form_.App().PostClose(form_);
  });
}

app::RunReport UpdatePage::UpdateTickedRows() {
  ui::ListView& list = form_.LV_UpdateDevStatus;
  std::vector<app::RunEntry> entries;
  for (int row = 0; row < list.ItemCount(); ++row) {
    app::RunEntry& e = entries.emplace_back();
    e.row = row;
    e.drive = list.Item(row).caption;
    // Row i is drive i; a row without a drive behind it is never updated.
    if (list.Item(row).checked && drives_.Has(row)) {
      e.operation = std::make_unique<UpdateOperation>(form_, drives_.At(row), columns_, state_);
    }
  }
  // The current device follows the run.
  UpdateListSink sink(form_, columns_, &currentRow_);
  sink.observer = observer_;
  app::RunContext& ctx = form_.Context();
  app::DriveRunner runner(sink, ctx.runLog, ctx.os);
  return runner.Run(std::move(entries));
}

void UpdatePage::ST_DownloadFWSecDblClick() {
  std::string answer;
  form_.App().InputQuery(kAccessCaption, kAccessPrompt, answer);
  form_.GB_AdavnceMode.Hide();
  if (common::Trim(answer) == kAccessCode) form_.GB_AdavnceMode.Show();
}

void UpdatePage::LV_UpdateDevStatusColumnClick(int column) {
  app::TickAllOnFirstColumn(form_.LV_UpdateDevStatus, column);
}

void UpdatePage::LV_UpdateDevStatusDblClick() { app::ToggleSelectedTick(form_.LV_UpdateDevStatus); }

void UpdatePage::LV_UpdateDevStatusSelectItem(int row, bool selected) {
  app::HintSelectedRow(form_.LV_UpdateDevStatus, row, selected);
}

void UpdatePage::LV_UpdateDevStatusCustomDrawItem(int row, ui::DrawState& state) {
  app::PaintRunRow(form_.LV_UpdateDevStatus, row, state);
}

void UpdatePage::LV_UpdateDevStatusCustomDrawSubItem(int row, int column, ui::DrawState& state) {
  const ui::ListView& list = form_.LV_UpdateDevStatus;
  app::PaintRunCell(list, row, column, columns_.result, state);
  if (columns_.newestFw < 0 || column != columns_.newestFw + 1) return;
  // The offered version shows only on a row that asks for a reboot; elsewhere
  // it is painted in the row's background.
  if (columns_.result >= 0 && list.SubItem(row, columns_.result) == kRebootResult) {
    state.textColor = kNewestRebootText;
    return;
  }
  ui::DrawState row_{};
  app::PaintRunRow(list, row, row_);
  state.textColor = row_.brushColor;
}

void UpdatePage::MM_Microcode_ShowVersionChange() {
  form_.MM_Microcode_ShowVersion.ScrollToBottom();
}

void UpdatePage::RunByHand(const std::function<void(UpdateFlow&)>& step) {
  if (running_) return;
  const ui::ListView& list = form_.LV_UpdateDevStatus;
  int row = list.Selected();
  if (row < 0) row = currentRow_;
  if (row < 0) row = form_.SelectedDevice;
  if (!drives_.Has(row)) {
    form_.SetStatusMessage(kSelectDevice);
    return;
  }
  currentRow_ = row;
  std::vector<app::RunEntry> entries;
  app::RunEntry& e = entries.emplace_back();
  e.row = row;
  e.drive = list.Item(row).caption;
  e.operation = std::make_unique<StepOperation>(form_, drives_.At(row), columns_, state_, step);
  ProgressOnlySink sink(form_);
  app::RunContext& ctx = form_.Context();
  app::DriveRunner runner(sink, ctx.runLog, ctx.os);
  running_ = true;
  SetRunButtonsEnabled(false);
  runner.Run(std::move(entries));
  SetRunButtonsEnabled(true);
  running_ = false;
}

void UpdatePage::BTN_Microcode_DownloadClick() {
  RunByHand([](UpdateFlow& f) { AtaDownloadClick(f); });
}

void UpdatePage::BTN_Microcode_CommitClick() {
  RunByHand([](UpdateFlow& f) { AtaCommitClick(f, false); });
}

void UpdatePage::BTN_Microcode_NVMeDownloadClick() {
  RunByHand([](UpdateFlow& f) { NvmeDownloadClick(f); });
}

void UpdatePage::BTN_Microcode_NVMeCommitClick() {
  RunByHand([](UpdateFlow& f) { NvmeCommitClick(f); });
}

}  // namespace update
