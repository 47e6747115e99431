#include "form/update_dispaly.h"

#include "common/text.h"
#include "config/run_log/run_log_lines.h"

namespace app {

TUpdateDispaly::TUpdateDispaly(ui::Application& app, RunContext& ctx)
    : UpdateDispalyComponents(app), ctx_(ctx) {
  WireEvents();
  // Construction: the elapsed-time display idles until a backup starts it.
  Timer_Status.SetEnabled(false);
  LB_Timer.SetCaption("");
}

void TUpdateDispaly::WireEvents() {
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnResize = [this] { FormResize(); };
  OnClose = [this] { FormClose(); };

  T_DeviceInfo.OnClick = [this] { T_DeviceInfoClick(); };
  T_Smart.OnClick = [this] { T_SmartClick(); };
  T_SummaryPage.OnClick = [this] { T_SummaryPageClick(); };
  T_UpdateFW.OnClick = [this] { T_UpdateFWClick(); };
  T_OptionPage.OnClick = [this] { T_OptionPageClick(); };
  T_Start.OnClick = [this] { T_StartClick(); };
  CMBB_DeviceList.OnChange = [this] { CMBB_DeviceListChange(); };
  ST_DeviceName.OnClick = [this] { ST_DeviceNameClick(); };

  T_FormMin.OnClick = [this] { T_FormMinClick(); };
  T_FormClose.OnClick = [this] { T_FormCloseClick(); };
  IMG_FormTitle.OnMouseDown = [this](ui::MouseButton b, int x, int y) {
    IMG_FormTitleMouseDown(b, x, y);
  };
  PN_MainObj.OnMouseDown = [this](ui::MouseButton b, int x, int y) {
    PN_MainObjMouseDown(b, x, y);
  };

  SBTN_SecurityErase.OnMouseMove = [this](int, int) { SBTN_SecurityEraseMouseMove(); };
  SBTN_DataBackup.OnMouseMove = [this](int, int) { SBTN_DataBackupMouseMove(); };
  PN_Option.OnMouseMove = [this](int, int) { PN_OptionMouseMove(); };
  PN_MainObj.OnMouseMove = [this](int, int) { PN_MainObjMouseMove(); };
  for (ui::Component* c :
       {static_cast<ui::Component*>(&PN_EraseMode), static_cast<ui::Component*>(&PN_BackupMode),
        static_cast<ui::Component*>(&PN_DataBackup_SourceInfo),
        static_cast<ui::Component*>(&PN_DataBackup_Destination),
        static_cast<ui::Component*>(&PN_ShoeOptionInfo),
        static_cast<ui::Component*>(&PN_Option_Item)}) {
    c->OnMouseMove = [this](int, int) { PN_Option_ItemMouseMove(); };
  }

  Tmr_AutoRun.OnTimer = [this] { Tmr_AutoRunTimer(); };
  TM_StatusBarClear.OnTimer = [this] { TM_StatusBarClearTimer(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Timer_Status.OnTimer = [this] { Timer_StatusTimer(); };

  LV_ShowData.OnCustomDrawItem = [this](int row, ui::DrawState& s) {
    LV_ShowDataCustomDrawItem(row, s);
  };
}

void TUpdateDispaly::SetDeviceScanner(DeviceScanner* scanner) {
  scanner_ = scanner ? scanner : &noDrives_;
}

void TUpdateDispaly::FormShow() { LB_VersionInfo.SetCaption(Caption()); }

void TUpdateDispaly::FormResize() {
  // The three status controls lie over the status bar's panels.
  const ui::Rect bar = StatusBar1.Bounds();
  PN_StatusBar.SetBounds({bar.left + 8, bar.top + 5, PN_StatusBar.Width(), PN_StatusBar.Height()});
  const int progressLeft = StatusBar1.PanelWidth(0) + 3;
  ProcessBar.SetBounds({progressLeft, bar.top + 2, StatusBar1.PanelWidth(1) - 3, bar.height - 2});
  const int icLeft = StatusBar1.PanelWidth(1) + ProcessBar.Left() + 3;
  PN_ICType.SetBounds({icLeft, bar.top + 5, ClientWidth() - icLeft - 3, PN_ICType.Height()});
}

void TUpdateDispaly::FormClose() {
  ctx_.FinishRunLog();
  if (OnRunLogComplete) OnRunLogComplete(ctx_.runLog);
  ctx_.runLog.Clear();
  // Setting.ini is never written.
  scanner_->ReleaseAll();
}

void TUpdateDispaly::ShowPages(const PageView& v) {
  PN_DeviceInfo.SetVisible(v.deviceInfo);
  PN_Summary.SetVisible(v.summary);
  PN_UpdateFW.SetVisible(v.update);
  PN_Option.SetVisible(v.option);
  ProcessBar.SetVisible(v.progressBar);
  LB_Timer.SetVisible(v.timerLabel);
}

void TUpdateDispaly::T_DeviceInfoClick() {
  ShowPages({true, false, false, false, false, false});
  if (Pages.deviceInfo) Pages.deviceInfo();
}

void TUpdateDispaly::T_SmartClick() {
  ShowPages({true, false, false, false, false, false});
  if (Pages.smart) Pages.smart();
}

void TUpdateDispaly::T_SummaryPageClick() {
  ShowPages({true, true, false, false, false, false});
  if (Pages.summary) Pages.summary();
}

void TUpdateDispaly::T_UpdateFWClick() {
  ShowPages({false, false, true, false, true, false});
  if (Pages.updateFW) Pages.updateFW();
}

void TUpdateDispaly::T_OptionPageClick() {
  ShowPages({false, false, false, true, false, true});
  // The maintenance page always opens on the security-erase view.
  SetOptionHighlight(-1);
  SBTN_SecurityErase.Click();
  if (Pages.optionPage) Pages.optionPage();
}

void TUpdateDispaly::T_StartClick() {
  if (Pages.start) {
    Pages.start();
    return;
  }
  // Without the update page nothing can be updated; an unattended run that
  // asked to close afterwards still closes.
  if (ctx_.options.AutoClose) App().PostClose(*this);
}

void TUpdateDispaly::CMBB_DeviceListChange() {
  const int index = CMBB_DeviceList.ItemIndex();
  if (index == SelectedDevice) return;
  SelectedDevice = index;
  const std::string& firstColumn = LV_ShowData.Column(0).caption;
  if (PN_Summary.Visible()) {
    T_SummaryPage.Click();
  } else if (LV_ShowData.ColumnCount() > 0 && firstColumn == "Device Info") {
    T_DeviceInfo.Click();
  } else if (LV_ShowData.ColumnCount() > 0 && firstColumn == "SMART") {
    T_Smart.Click();
  } else {
    LV_ShowData.Clear();
  }
}

void TUpdateDispaly::ST_DeviceNameClick() {
  PN_DeviceInfo.SetEnabled(false);
  scanner_->ReleaseAll();
  App().ProcessMessages();
  CMBB_DeviceList.Clear();
  DeviceCount = scanner_->ScanAndFill(*this, DeviceScanner::Occasion::kRescan);
  CMBB_DeviceList.SetItemIndex(SelectedDevice);
  if (PN_Summary.Visible()) {
    T_SummaryPage.Click();
  } else {
    T_DeviceInfo.Click();
  }
  ReportScanComplete();
  PN_DeviceInfo.SetEnabled(true);
}

void TUpdateDispaly::ReportScanComplete() {
  const std::string dropped = scanner_->DroppedText();
  if (dropped.empty()) {
    SetStatusMessage(kScanComplete);
    return;
  }
  // A drive the user came to check must not vanish without a word.
  ctx_.os.OutputDebugStringA("[VKM_SCAN] ScanTarget: " + dropped + "\n");
  ctx_.runLog.Append(dropped);
  SetStatusMessage(std::string(kScanComplete) + " - " + dropped);
}

void TUpdateDispaly::T_FormMinClick() { App().Minimize(); }

void TUpdateDispaly::T_FormCloseClick() { App().PostClose(*this); }

void TUpdateDispaly::IMG_FormTitleMouseDown(ui::MouseButton button, int, int) {
  if (button == ui::MouseButton::kLeft) App().BeginWindowMove();
}

void TUpdateDispaly::PN_MainObjMouseDown(ui::MouseButton button, int, int) {
  if (button == ui::MouseButton::kLeft) App().BeginWindowMove();
}

void TUpdateDispaly::SetOptionHighlight(int item) {
  IMG_OptionItem_Click.Hide();
  IMG_OptionItem_SecurityErase.Show();
  IMG_OptionItem_DataBackup.Show();
  ui::Component* button = nullptr;
  ui::Image* own = nullptr;
  if (item == 0) {
    button = &SBTN_SecurityErase;
    own = &IMG_OptionItem_SecurityErase;
  } else if (item == 1) {
    button = &SBTN_DataBackup;
    own = &IMG_OptionItem_DataBackup;
  }
  if (!button) return;
  IMG_OptionItem_Click.SetBounds(
      {button->Left(), button->Top(), IMG_OptionItem_Click.Width(), IMG_OptionItem_Click.Height()});
  IMG_OptionItem_Click.Show();
  own->Hide();
}

void TUpdateDispaly::Tmr_AutoRunTimer() {
  Tmr_AutoRun.SetEnabled(false);
  for (int row = 0; row < LV_UpdateDevStatus.ItemCount(); ++row) {
    LV_UpdateDevStatus.SetChecked(row, true);
  }
  T_UpdateFW.Click();
  T_Start.Click();
}

void TUpdateDispaly::TM_StatusBarClearTimer() {
  LB_StatusBar.SetCaption("");
  ProgressPosition = 0;
  TM_StatusBarClear.SetEnabled(false);
}

void TUpdateDispaly::Timer1Timer() {
  App().ProcessMessages();
  ProcessBar.SetPosition(ProgressPosition);
}

void TUpdateDispaly::Timer_StatusTimer() {
  const int s = ElapsedSeconds;
  LB_Timer.SetCaption(common::Format("%d:%.2d:%.2d", s / 3600, (s / 60) % 60, s % 60));
  ++ElapsedSeconds;
}

void TUpdateDispaly::LV_ShowDataCustomDrawItem(int row, ui::DrawState& state) {
  state.textColor = 0x272727;
  if (row % 2 == 0) state.brushColor = 0xF0F0F0;
}

void TUpdateDispaly::SetStatusMessage(const std::string& text) {
  LB_StatusBar.SetCaption(text);
  // A message set while the timer runs does not restart its interval.
  TM_StatusBarClear.SetEnabled(true);
}

}  // namespace app
