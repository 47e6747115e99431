#pragma once
// The main form: start-up in its fixed order, show, resize, close, page
// navigation, the title bar, the option highlight, the four timers, the status
// message and the unattended mode. Pages and the device scan plug in.
#include <functional>
#include <optional>
#include <string>

#include "config/context/run_context.h"
#include "form/device_scanner.h"
#include "form/page_handlers.h"
#include "form/update_dispaly_components.h"
#include "form/window_caption.h"

namespace app {

inline constexpr const char* kScanComplete = "Scan device complete";

class TUpdateDispaly : public UpdateDispalyComponents {
 public:
  TUpdateDispaly(ui::Application& app, RunContext& ctx);

  RunContext& Context() { return ctx_; }
  os::Os& Os() { return ctx_.os; }

  // Plug points.
  PageHandlers Pages;
  // nullptr restores the built-in scanner that finds no drive.
  void SetDeviceScanner(DeviceScanner* scanner);
  DeviceScanner& Scanner() { return *scanner_; }
  // What stands in for the executable's version resource (nullopt: none).
  void SetVersionResource(std::optional<VersionResource> version) { version_ = std::move(version); }
  // Called by the close path with the complete run log, before it is released.
  std::function<void(const RunLog&)> OnRunLogComplete;

  // Per-run state.
  int ProgressPosition = 0;  // 0..100, shown by Timer1
  int ElapsedSeconds = 0;    // shown by Timer_Status
  int SelectedDevice = -1;   // the drive the information pages act on
  int DeviceCount = 0;

  // Window events.
  void FormCreate();
  void FormShow();
  void FormResize();
  void FormClose();

  // Navigation.
  void T_DeviceInfoClick();
  void T_SmartClick();
  void T_SummaryPageClick();
  void T_UpdateFWClick();
  void T_OptionPageClick();
  void T_StartClick();
  void CMBB_DeviceListChange();
  // Rescan: a click on the "Device:" caption.
  void ST_DeviceNameClick();

  // Title bar.
  void T_FormMinClick();
  void T_FormCloseClick();
  void IMG_FormTitleMouseDown(ui::MouseButton button, int x, int y);
  void PN_MainObjMouseDown(ui::MouseButton button, int x, int y);

  // Option highlight: -1 none, 0 Security Erase, 1 Data Backup.
  void SBTN_SecurityEraseMouseMove() { SetOptionHighlight(0); }
  void SBTN_DataBackupMouseMove() { SetOptionHighlight(1); }
  void PN_OptionMouseMove() { SetOptionHighlight(-1); }
  void PN_MainObjMouseMove() { SetOptionHighlight(-1); }
  void PN_Option_ItemMouseMove() { SetOptionHighlight(-1); }
  void SetOptionHighlight(int item);

  // Timers.
  void Tmr_AutoRunTimer();
  void TM_StatusBarClearTimer();
  void Timer1Timer();
  void Timer_StatusTimer();

  void LV_ShowDataCustomDrawItem(int row, ui::DrawState& state);

  // Status message: shown in LB_StatusBar and cleared by TM_StatusBarClear.
  void SetStatusMessage(const std::string& text);
  const std::string& StatusMessage() const { return LB_StatusBar.Caption(); }

 private:
  struct PageView {
    bool deviceInfo, summary, update, option, progressBar, timerLabel;
  };
  void ShowPages(const PageView& v);
  void WireEvents();
  // The status message after a scan; drives found but not listed are named
  // there, in the run log and in the trace.
  void ReportScanComplete();
  // A Setting.ini that leaves the tool unable to work is said at start-up.
  void ReportSettingsProblem();

  // Start-up steps.
  void ResetRunState();
  void ReleaseDrives();
  void ResetWindow();
  bool LoadBitmap(ui::Image& image, const char* relative);
  void ReadFirstSettingsPass();
  std::string ChooseItemIcon();
  void ApplySkin(const std::string& itemIcon);
  void StartFontInstaller();
  void ApplyDarkScheme();
  void LightenCaptionsOnDark(ui::Component& parent);
  void LoadTitleBitmaps();
  void PlaceBodyBelowTitleBar();
  void ReadSecondSettingsPass();
  // Each problem of Setting.ini: a trace line and a notice box.
  void ShowSettingsProblems();
  void ChooseStartPicture();
  void ApplyButtonVisibility();
  void ScanDevices();
  void OpenFirstPage();
  void EnterUnattendedMode();
  void ComposeCaption();

  RunContext& ctx_;
  NoDriveScanner noDrives_;
  DeviceScanner* scanner_ = &noDrives_;
  std::optional<VersionResource> version_ = BuildVersionResource();
};

}  // namespace app
