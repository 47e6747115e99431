#include "pages/maintenance/erase_page.h"

#include <memory>
#include <vector>

#include "common/text.h"
#include "form/run/run_list.h"
#include "common/whole_file.h"
#include "pages/maintenance/notice_boxes.h"
#include "pages/maintenance/security_erase.h"

namespace maintenance {

ErasePage::ErasePage(app::TUpdateDispaly& form, app::DriveViews& drives)
    : form_(form), drives_(drives) {
  ui::ListView& list = form_.LV_OptionErase;
  connections_.Connect(form_.SBTN_SecurityErase.OnClick, [this] { SBTN_SecurityEraseClick(); });
  connections_.Connect(list.OnColumnClick, [this](int c) { LV_OptionEraseColumnClick(c); });
  connections_.Connect(list.OnDblClick, [this] { LV_OptionEraseDblClick(); });
  connections_.Connect(list.OnSelectItem,
                       [this](int row, bool on) { LV_OptionEraseSelectItem(row, on); });
  connections_.Connect(list.OnCustomDrawItem, [this](int row, ui::DrawState& s) {
    LV_OptionEraseCustomDrawItem(row, s);
  });
  connections_.Connect(list.OnCustomDrawSubItem, [this](int row, int column, ui::DrawState& s) {
    LV_OptionEraseCustomDrawSubItem(row, column, s);
  });
  connections_.Connect(form_.T_SendErase.OnClick, [this] { T_SendEraseClick(); });
}

void ErasePage::SBTN_SecurityEraseClick() {
  form_.STC_SubItem.SetCaption(form_.SBTN_SecurityErase.Caption());
  form_.STC_SubItemDecs.SetCaption(kEraseDescription);
  form_.PN_EraseMode.SetTop(kEraseModeTop);
  form_.PN_EraseMode.SetLeft(kEraseModeLeft);
  form_.PN_EraseMode.Show();
  form_.PN_BackupMode.Hide();
}

void ErasePage::LV_OptionEraseColumnClick(int column) {
  app::TickAllOnFirstColumn(form_.LV_OptionErase, column);
}

void ErasePage::LV_OptionEraseDblClick() { app::ToggleSelectedTick(form_.LV_OptionErase); }

void ErasePage::LV_OptionEraseSelectItem(int row, bool selected) {
  app::HintSelectedRow(form_.LV_OptionErase, row, selected);
}

void ErasePage::LV_OptionEraseCustomDrawItem(int row, ui::DrawState& state) {
  app::PaintRunRow(form_.LV_OptionErase, row, state);
}

void ErasePage::LV_OptionEraseCustomDrawSubItem(int row, int column, ui::DrawState& state) {
  app::PaintRunCell(form_.LV_OptionErase, row, column, kEraseResultSub, state);
}

void ErasePage::T_SendEraseClick() {
  form_.PN_MainObj.SetEnabled(false);
  form_.MM_Microcode_ShowVersion.Clear();
  ui::ListView& list = form_.LV_OptionErase;
  bool yes = false;
  if (list.ItemCount() > 0) {
    yes = form_.App().MessageBox(kEraseConfirmText, kEraseConfirmCaption, ui::MsgButtons::kYesNo,
                                 ui::MsgIcon::kExclamation,
                                 ui::ModalResult::kNo) == ui::ModalResult::kYes;
  }
  lastRun_ = yes ? EraseTickedRows() : app::RunReport{};
  StartRescan();
  form_.PN_MainObj.SetEnabled(true);
  form_.TM_StatusBarClear.SetEnabled(true);
  list.Repaint();
}

app::RunReport ErasePage::EraseTickedRows() {
  ui::ListView& list = form_.LV_OptionErase;
  const EraseSettings settings{form_.Context().options.VuCmd, form_.Context().options.Nand3D,
                               &form_.Context().os, &drives_};
  std::vector<app::RunEntry> entries;
  for (int row = 0; row < list.ItemCount(); ++row) {
    app::RunEntry& e = entries.emplace_back();
    e.row = row;
    e.drive = list.Item(row).caption;
    // Row i is drive i; a row without a drive behind it is never erased.
    if (list.Item(row).checked && drives_.Has(row)) {
      e.operation =
          std::make_unique<SecurityEraseOperation>(drives_.At(row), settings);
    }
  }
  app::RunListSink sink(form_, list, kEraseResultSub);
  sink.clearResultOnReach = true;
  sink.deselectOnReach = true;
  sink.observer = observer_;
  app::RunContext& ctx = form_.Context();
  NoticeBoxes boxes(form_.App(), sink);
  app::DriveRunner runner(boxes, ctx.runLog, ctx.os);
  ctx.runLog.Append("[Security Erase]");
  app::RunReport report = runner.Run(std::move(entries));
  for (const app::DriveReport& d : report.drives) {
    if (!d.chosen) continue;
    ctx.runLog.Append(common::Format("Dev_%d          : %s %s", d.row, d.drive.c_str(),
                                     d.result.c_str()));
  }
  return report;
}

void ErasePage::StartRescan() {
  app::RunContext& ctx = form_.Context();
  const std::string script = "RESCAN\r\nEXIT\r\n";
  const std::vector<uint8_t> bytes(script.begin(), script.end());
  if (!common::WriteFileWhole(kRescanScriptName, bytes)) {
    ctx.os.OutputDebugStringA("[VKM] Security Erase: cannot write diskpart.txt\n");
    return;
  }
  ctx.os.WinExec(kRescanCommand, os::SW_HIDE);
}

}  // namespace maintenance
