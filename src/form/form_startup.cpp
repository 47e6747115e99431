// FormCreate: everything between construction and the first complete device
// list, in its fixed order.
#include "common/winpath.h"
#include "config/run_log/run_log_lines.h"
#include "config/settings/settings_reader.h"
#include "form/update_dispaly.h"
#include "ui/contrast.h"

namespace app {
namespace {

// The navigation tops of the dark scheme.
constexpr int kDarkSummaryTop = 112;
constexpr int kDarkDeviceInfoTop = 176;
constexpr int kDarkSmartTop = 240;
constexpr int kDarkUpdateTop = 305;
constexpr int kDarkOptionTop = 370;

constexpr ui::TColor kDarkBody = 2103312;       // red 16, green 24, blue 32
constexpr ui::TColor kDarkPage = 3421491;       // red 51, green 53, blue 52
constexpr ui::TColor kDarkGroupText = 8806144;  // red 0, green 95, blue 134

// Captions the dark scheme leaves in the default black would vanish on its
// dark panels; they get this light grey instead.
constexpr ui::TColor kDarkCaptionText = ui::RGB(0xE8, 0xEC, 0xF0);

constexpr const char* kSkinFont = "ZK Simplified Hant";
constexpr const char* kSettingsProblemCaption = "Setting.ini";

}  // namespace

void TUpdateDispaly::FormCreate() {
  ResetRunState();
  ReleaseDrives();
  ResetWindow();
  LoadBitmap(IMG_Logo, "Res\\Icon.BMP");
  ReadFirstSettingsPass();
  ApplySkin(ChooseItemIcon());
  ApplyDarkScheme();
  LoadTitleBitmaps();
  PlaceBodyBelowTitleBar();
  ReadSecondSettingsPass();
  ReportSettingsProblem();
  ApplyButtonVisibility();
  ScanDevices();
  OpenFirstPage();
  ReportScanComplete();
  // Every page occupies the same rectangle.
  PN_UpdateFW.SetBounds(
      {PN_DeviceInfo.Left(), PN_DeviceInfo.Top(), PN_UpdateFW.Width(), PN_UpdateFW.Height()});
  EnterUnattendedMode();
  ComposeCaption();
  LB_ICType.SetCaption(ControllerListLabel(ctx_.profiles));
  AppendToolInfo(ctx_.runLog, Caption());
}

void TUpdateDispaly::ResetRunState() {
  ctx_.runLog.Clear();
  ctx_.settingsProblems.clear();
  ctx_.options.SSDToolTitle.clear();
  ctx_.options.SSDToolLogName.clear();
  ctx_.options.AutoRun = false;
  ctx_.options.PopUpMsgBox = false;
  ctx_.options.AutoClose = false;
  ctx_.options.ErrorLog = false;
  AppendStartLines(ctx_.runLog, ctx_.os.GetLocalTime());
}

void TUpdateDispaly::ReleaseDrives() {
  scanner_->ClearCurrentFirmware();
  scanner_->ReleaseAll();
  App().ProcessMessages();
}

void TUpdateDispaly::ResetWindow() {
  CMBB_DeviceList.Clear();
  PN_MainObj.SetTop(0);
  T_OptionPage.Hide();
  IMG_Option.Hide();
}

bool TUpdateDispaly::LoadBitmap(ui::Image& image, const char* relative) {
  // A missing bitmap is skipped silently: the design picture stays.
  const std::string path = ctx_.ToolPath(relative);
  if (!ctx_.os.FileExists(path)) return false;
  image.LoadFromFile(common::ToNativePath(path));
  return true;
}

void TUpdateDispaly::ReadFirstSettingsPass() { ctx_.ReadSettingsFirstPass(); }

std::string TUpdateDispaly::ChooseItemIcon() {
  if (!ctx_.options.UpdateFWOnly) return "Res\\SSDItemIcon.BMP";
  const std::string icon = "Res\\UpdateFWIcon.BMP";
  // Without its picture the update-only variant is not offered at all.
  if (!ctx_.os.FileExists(ctx_.ToolPath(icon))) ctx_.options.UpdateFWOnly = false;
  return icon;
}

void TUpdateDispaly::ApplySkin(const std::string& itemIcon) {
  if (!LoadBitmap(IMG_ICON, itemIcon.c_str())) return;
  if (!ctx_.options.UpdateFWOnly && ctx_.options.CustomerType != 1) {
    T_DeviceInfo.SetBounds({11, 118, 207, 56});
    T_Smart.SetBounds({11, 173, 207, 56});
    T_UpdateFW.SetBounds({11, 228, 207, 56});
  }
  LoadBitmap(IMG_Option, "Res\\SSDOptionIcon.BMP");
  LoadBitmap(IMG_Summary, "Res\\SSDSummaryIcon.BMP");
  PN_MainTitle.Show();
  PN_MainObj.SetTop(PN_MainTitle.Height());
  SetBorderStyle(ui::BorderStyle::kNone);
  SetClientSize(PN_MainObj.Width(), ClientHeight());
  StartFontInstaller();
}

void TUpdateDispaly::StartFontInstaller() {
  const std::string installer = ctx_.ToolPath("Res\\Font\\fontinst.exe");
  if (!ctx_.os.FileExists(installer)) return;
  // Started without waiting: the fonts may arrive after the window is up.
  ctx_.os.WinExec(installer + " /copy", os::SW_SHOWNORMAL);
  for (ui::Component* c :
       {static_cast<ui::Component*>(&ST_DownloadFWSec), static_cast<ui::Component*>(&ST_InfoType),
        static_cast<ui::Component*>(&ST_DeviceName),
        static_cast<ui::Component*>(&LV_UpdateDevStatus),
        static_cast<ui::Component*>(&LV_ShowData)}) {
    c->SetFontFamily(kSkinFont);
  }
}

void TUpdateDispaly::ApplyDarkScheme() {
  if (ctx_.options.CustomerType != 1) return;
  for (ui::Component* c :
       {static_cast<ui::Component*>(&PN_MainObj), static_cast<ui::Component*>(&PN_MainTitle),
        static_cast<ui::Component*>(&StatusBar1), static_cast<ui::Component*>(&LB_StatusBar),
        static_cast<ui::Component*>(&LB_ICType), static_cast<ui::Component*>(this)}) {
    c->SetColor(kDarkBody);
  }
  PN_MainObj.SetBevel(false);
  for (ui::Panel* p : {&PN_UpdateFW, &PN_DeviceInfo, &PN_Option}) p->SetColor(kDarkPage);
  PN_UpdateFW.SetHeight(T_Start.Top() + T_Start.Height() + 1);
  PN_Option.SetHeight(PN_Option_Item.Height() + 1);
  for (ui::GroupBox* g : {&GB_SSDInfoSummary, &GB_SMARTSummary, &GB_FeatureSummary}) {
    g->SetFontColor(kDarkGroupText);
  }
  T_SummaryPage.SetTop(kDarkSummaryTop);
  IMG_Summary.SetTop(kDarkSummaryTop);
  T_DeviceInfo.SetTop(kDarkDeviceInfoTop);
  IMG_ICON.SetTop(kDarkDeviceInfoTop);
  T_Smart.SetTop(kDarkSmartTop);
  T_UpdateFW.SetTop(kDarkUpdateTop);
  T_OptionPage.SetTop(kDarkOptionTop);
  IMG_Option.SetTop(kDarkOptionTop);
  LightenCaptionsOnDark(*this);
}

void TUpdateDispaly::LightenCaptionsOnDark(ui::Component& parent) {
  for (ui::Component* c : parent.Children()) {
    const ui::Kind k = c->GetKind();
    const bool caption =
        k == ui::Kind::kLabel || k == ui::Kind::kGroupBox || k == ui::Kind::kCheckBox;
    // Text on a picture is the picture's business; text with a colour of its
    // own keeps it.
    if (caption && !ui::LiesOnPicture(*c) && c->GetFont().color == ui::kColorDefault &&
        ui::ContrastRatio(ui::TextColorOf(*c), ui::BackgroundOf(*c, ui::kColorWhite)) <
            ui::kReadableContrast) {
      c->SetFontColor(kDarkCaptionText);
    }
    LightenCaptionsOnDark(*c);
  }
}

void TUpdateDispaly::LoadTitleBitmaps() {
  // The title bitmap alone shows the custom title bar; the border stays.
  if (LoadBitmap(IMG_FormTitle, "Res\\Title.BMP")) PN_MainTitle.Show();
  LoadBitmap(Image6, "Res\\FFUStart.BMP");
  LoadBitmap(IMG_Title, "Res\\SSDTitle.BMP");
}

void TUpdateDispaly::PlaceBodyBelowTitleBar() {
  // The custom title bar lies above the body, never over it: the body moves
  // down by the bar's height and the window grows by as much, so the banner is
  // whole and the status bar (aligned to the bottom) stays below the page
  // buttons. Without the bar the design geometry stands as it is.
  if (!PN_MainTitle.Visible()) return;
  PN_MainObj.SetTop(PN_MainTitle.Height());
  SetClientSize(ClientWidth(), kClientHeight + PN_MainTitle.Height());
}

void TUpdateDispaly::ReadSecondSettingsPass() {
  if (ctx_.ReadSettingsSecondPass()) {
    LB_Start.SetFontColor(static_cast<ui::TColor>(ctx_.options.FFUStartColor) & 0xFFFFFFu);
    ShowSettingsProblems();
  }
  ChooseStartPicture();
}

void TUpdateDispaly::ShowSettingsProblems() {
  // Shown whatever PopUpMsgBox says: a refused setting changes what the run
  // does (no log file, say), and nothing else would tell.
  for (const std::string& problem : ctx_.settingsProblems) {
    ctx_.os.OutputDebugStringA("[VKM_DEBUG] " + problem + "\n");
    App().MessageBox(problem, kSettingsProblemCaption, ui::MsgButtons::kOK,
                     ui::MsgIcon::kExclamation);
  }
}

void TUpdateDispaly::ReportSettingsProblem() {
  const std::string& problem = ctx_.settingsProblem;
  if (problem.empty()) return;
  ctx_.runLog.Append("***Warning*** " + problem);
  // An unattended run has nobody to press OK: there the run log tells.
  if (ctx_.options.AutoRun && ctx_.options.AutoClose) return;
  App().MessageBox(problem, kSettingFileName, ui::MsgButtons::kOK, ui::MsgIcon::kExclamation);
}

void TUpdateDispaly::ChooseStartPicture() {
  // The caption colour is the user's (FFUStartColor); our own picture follows
  // it: a dark face for light captions, a light one for dark captions. A
  // bitmap from Res\ stays as it is; the choice only shows if it cannot be read.
  const ui::TColor face =
      ui::BetterBackground(ui::TextColorOf(LB_Start), ui::kStartFaceDark, ui::kStartFaceLight);
  ui::Picture picture = Image6.GetPicture();
  picture.design = face == ui::kStartFaceDark ? ui::DesignPicture::kStartButton
                                              : ui::DesignPicture::kStartButtonLight;
  Image6.SetPicture(picture);
}

void TUpdateDispaly::ApplyButtonVisibility() {
  const AppOptions& o = ctx_.options;
  if (o.UpdateFWOnly) {
    T_Smart.Hide();
    T_DeviceInfo.Hide();
    T_UpdateFW.Show();
  } else if (o.EnableOption) {
    T_OptionPage.Show();
    IMG_Option.Show();
  }
  if (o.EnableSummary) {
    T_SummaryPage.Show();
    IMG_Summary.Show();
  }
  if (ctx_.updateSetting.ICVer10XT >= 0) CMBB_ICVersion.SetEnabled(false);
  if (!ctx_.profiles.Contains("VK4610XT")) {
    GB_UpdateSetting.Hide();
    Label5.Hide();
  }
}

void TUpdateDispaly::ScanDevices() {
  DeviceCount = scanner_->ScanAndFill(*this, DeviceScanner::Occasion::kStartup);
  SelectedDevice = DeviceCount > 0 ? 0 : -1;
}

void TUpdateDispaly::OpenFirstPage() {
  CMBB_DeviceList.SetItemIndex(SelectedDevice);
  if (ctx_.options.UpdateFWOnly) {
    T_UpdateFW.Click();
  } else {
    T_DeviceInfo.Click();
  }
}

void TUpdateDispaly::EnterUnattendedMode() {
  if (!ctx_.options.AutoRun) return;
  Tmr_AutoRun.SetEnabled(true);
  // No user input for the rest of the run: the update closes the window.
  if (ctx_.options.AutoClose) SetEnabled(false);
}

void TUpdateDispaly::ComposeCaption() {
  SetCaption(BuildWindowCaption(ctx_.options.SSDToolTitle, version_, Caption()));
  ctx_.caption = Caption();
}

}  // namespace app
