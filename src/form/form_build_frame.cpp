// The window frame: title bar, body with banner and navigation, status bar,
// timers and image lists.
#include "form/design_helpers.h"
#include "form/update_dispaly_components.h"

namespace app {

UpdateDispalyComponents::UpdateDispalyComponents(ui::Application& app)
    : ui::Form(app, "UpdateDispaly") {
  SetCaption("SSD Tools");
  SetColor(ui::kColorWhite);
  SetBounds({0, 0, kClientWidth, kClientHeight});
  BuildImageLists();
  BuildFrame();
  BuildDeviceInfoPage();
  BuildSummaryPage();
  BuildUpdatePage();
  BuildOptionPage();
  BuildStatusBar();
  for (ui::Timer* t : {&Tmr_AutoRun, &TM_StatusBarClear, &Timer1, &Timer_Status}) AddTimer(*t);
}

void UpdateDispalyComponents::BuildFrame() {
  // The body comes first so that the title bar lies above it when both are shown.
  Place(PN_MainObj, *this, 0, 24, 982, 632);
  PN_MainObj.SetColor(ui::kColorWhite);

  Place(IMG_Title, PN_MainObj, 4, 8, 530, 100);
  IMG_Title.SetDesignPicture(ui::DesignPicture::kBanner);
  Place(IMG_ICON, PN_MainObj, 8, 111, 210, 180);
  IMG_ICON.SetDesignPicture(ui::DesignPicture::kItemIcon);
  Place(IMG_Logo, PN_MainObj, 24, 408, 180, 180);
  IMG_Logo.SetDesignPicture(ui::DesignPicture::kLogo);
  Place(IMG_Option, PN_MainObj, 8, 305, 207, 49);
  IMG_Option.SetDesignPicture(ui::DesignPicture::kOptionIcon);
  Place(IMG_Summary, PN_MainObj, 8, 370, 207, 49);
  IMG_Summary.SetDesignPicture(ui::DesignPicture::kSummaryIcon);
  IMG_Summary.Hide();

  // The navigation buttons are transparent: their pictures lie beneath them.
  Place(T_DeviceInfo, PN_MainObj, 8, 112, 207, 49);
  T_DeviceInfo.SetHint("Identify Table");
  Place(T_Smart, PN_MainObj, 8, 176, 207, 49);
  T_Smart.SetHint("Smart Table");
  Place(T_UpdateFW, PN_MainObj, 8, 240, 207, 49);
  T_UpdateFW.SetHint("Update FW");
  Place(T_OptionPage, PN_MainObj, 8, 305, 207, 49);
  T_OptionPage.SetHint("Option");
  Place(T_SummaryPage, PN_MainObj, 8, 370, 207, 49);
  T_SummaryPage.SetHint("Summary Page");
  T_SummaryPage.Hide();
  for (ui::Component* b : {&T_DeviceInfo, &T_Smart, &T_UpdateFW, &T_OptionPage, &T_SummaryPage}) {
    b->SetShowHint(true);
  }

  PlaceText(LB_Timer, PN_MainObj, 864, 72, 110, 20, "Time Status");

  Place(PN_MainTitle, *this, 0, 0, 982, 26);
  PN_MainTitle.SetBevel(false);
  PN_MainTitle.Hide();
  IMG_FormTitle.SetParent(&PN_MainTitle);
  IMG_FormTitle.SetAlign(ui::Align::kClient);
  IMG_FormTitle.SetDesignPicture(ui::DesignPicture::kTitleBar);
  PlaceText(LB_VersionInfo, PN_MainTitle, 31, 2, 600, 20, "");
  LB_VersionInfo.SetFontColor(ui::kColorWhite);
  PlaceText(T_FormMin, PN_MainTitle, 921, 3, 25, 20, "_");
  T_FormMin.SetFontColor(ui::kColorWhite);
  PlaceText(T_FormClose, PN_MainTitle, 949, 3, 25, 20, "X");
  T_FormClose.SetFontColor(ui::kColorWhite);
}

void UpdateDispalyComponents::BuildStatusBar() {
  Place(StatusBar1, *this, 0, 634, 982, 25);
  StatusBar1.SetAlign(ui::Align::kBottom);
  StatusBar1.SetPanelWidths({300, 365, 50});

  Place(PN_StatusBar, *this, 7, 635, 290, 22);
  PN_StatusBar.SetBevel(false);
  LB_StatusBar.SetParent(&PN_StatusBar);
  LB_StatusBar.SetAlign(ui::Align::kClient);
  LB_StatusBar.SetFontColor(ui::kColorGray);

  Place(ProcessBar, *this, 304, 637, 281, 16);
  ProcessBar.SetRange(0, 100);

  Place(PN_ICType, *this, 672, 637, 308, 22);
  PN_ICType.SetBevel(false);
  LB_ICType.SetParent(&PN_ICType);
  LB_ICType.SetAlign(ui::Align::kClient);
  LB_ICType.SetFontColor(ui::kColorGray);
}

void UpdateDispalyComponents::BuildImageLists() {
  // Row states in index order: waiting, passed, failed, in progress.
  IM_DeviceStatusImage.Add(ui::Picture::Design(ui::DesignPicture::kStateWaiting));
  IM_DeviceStatusImage.Add(ui::Picture::Design(ui::DesignPicture::kStatePassed));
  IM_DeviceStatusImage.Add(ui::Picture::Design(ui::DesignPicture::kStateFailed));
  IM_DeviceStatusImage.Add(ui::Picture::Design(ui::DesignPicture::kStateInProgress));
  IM_OptionBtnImage.Add(ui::Picture::Design(ui::DesignPicture::kOptionItem));
  IM_OptionBtnImage.Add(ui::Picture::Design(ui::DesignPicture::kOptionItemHot));
}

}  // namespace app
