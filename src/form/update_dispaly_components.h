#pragma once
// The component tree of the main window and of every page it hosts, at design
// geometry with the design captions, hints, items and columns. Behaviour lives
// in TUpdateDispaly (the form) and in the pages that plug into it.
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/inputs.h"
#include "ui/list_view.h"
#include "ui/progress_bar.h"
#include "ui/timer.h"

namespace app {

// Design client size of the window.
inline constexpr int kClientWidth = 982;
inline constexpr int kClientHeight = 659;

// Row images of the update and erase lists (IM_DeviceStatusImage).
inline constexpr int kRowWaiting = 0;
inline constexpr int kRowPassed = 1;
inline constexpr int kRowFailed = 2;
inline constexpr int kRowInProgress = 3;

class UpdateDispalyComponents : public ui::Form {
 public:
  explicit UpdateDispalyComponents(ui::Application& app);

  // Title bar (shown in the skinned variant or with a title bitmap).
  ui::Panel PN_MainTitle{"PN_MainTitle"};
  ui::Image IMG_FormTitle{"IMG_FormTitle"};
  ui::Label LB_VersionInfo{"LB_VersionInfo"};
  ui::FlatButton T_FormMin{"T_FormMin"};
  ui::FlatButton T_FormClose{"T_FormClose"};

  // Body with the banner, the pictures and the navigation buttons.
  ui::Panel PN_MainObj{"PN_MainObj"};
  ui::Image IMG_Title{"IMG_Title"};
  ui::Image IMG_ICON{"IMG_ICON"};
  ui::Image IMG_Logo{"IMG_Logo"};
  ui::Image IMG_Option{"IMG_Option"};
  ui::Image IMG_Summary{"IMG_Summary"};
  ui::FlatButton T_DeviceInfo{"T_DeviceInfo"};
  ui::FlatButton T_Smart{"T_Smart"};
  ui::FlatButton T_UpdateFW{"T_UpdateFW"};
  ui::FlatButton T_OptionPage{"T_OptionPage"};
  ui::FlatButton T_SummaryPage{"T_SummaryPage"};
  ui::Label LB_Timer{"LB_Timer"};

  // Device Info / SMART page.
  ui::Panel PN_DeviceInfo{"PN_DeviceInfo"};
  ui::Label ST_InfoType{"ST_InfoType"};
  ui::Label ST_DeviceName{"ST_DeviceName"};
  ui::ComboBox CMBB_DeviceList{"CMBB_DeviceList"};
  ui::ListView LV_ShowData{"LV_ShowData"};

  // Summary page (overlays the lower part of the Device Info page).
  ui::Panel PN_Summary{"PN_Summary"};
  ui::GroupBox GB_SSDInfoSummary{"GB_SSDInfoSummary"};
  ui::Label ST_ModelName{"ST_ModelName"};
  ui::Label ST_ModelName_Edit{"ST_ModelName_Edit"};
  ui::Label ST_FWVersion{"ST_FWVersion"};
  ui::Label ST_FWVersion_Edit{"ST_FWVersion_Edit"};
  ui::Label ST_SerialNumber{"ST_SerialNumber"};
  ui::Label ST_SerialNumber_Edit{"ST_SerialNumber_Edit"};
  ui::GroupBox GB_SMARTSummary{"GB_SMARTSummary"};
  ui::Label ST_PowerOnTime{"ST_PowerOnTime"};
  ui::Label ST_PowerOnTime_Edit{"ST_PowerOnTime_Edit"};
  ui::Label ST_SSDLife{"ST_SSDLife"};
  ui::Label ST_SSDLife_Edit{"ST_SSDLife_Edit"};
  ui::Label ST_BytesWritten{"ST_BytesWritten"};
  ui::Label ST_BytesWritten_Edit{"ST_BytesWritten_Edit"};
  ui::GroupBox GB_FeatureSummary{"GB_FeatureSummary"};
  ui::Label ST_Feature_SMART{"ST_Feature_SMART"};
  ui::Label ST_Feature_NCQ{"ST_Feature_NCQ"};
  ui::Label ST_Feature_APM{"ST_Feature_APM"};
  ui::Label ST_Feature_TRIM{"ST_Feature_TRIM"};
  ui::Image IMG_Check_SMART{"IMG_Check_SMART"};
  ui::Image IMG_Cross_SMART{"IMG_Cross_SMART"};
  ui::Image IMG_Check_NCQ{"IMG_Check_NCQ"};
  ui::Image IMG_Cross_NCQ{"IMG_Cross_NCQ"};
  ui::Image IMG_Check_APM{"IMG_Check_APM"};
  ui::Image IMG_Cross_APM{"IMG_Cross_APM"};
  ui::Image IMG_Check_TRIM{"IMG_Check_TRIM"};
  ui::Image IMG_Cross_TRIM{"IMG_Cross_TRIM"};
  // The drive's health verdict, under the feature marks.
  ui::Label ST_Health{"ST_Health"};
  ui::Label ST_Health_Edit{"ST_Health_Edit"};

  // Firmware update page.
  ui::Panel PN_UpdateFW{"PN_UpdateFW"};
  ui::Label ST_DownloadFWSec{"ST_DownloadFWSec"};
  ui::ListView LV_UpdateDevStatus{"LV_UpdateDevStatus"};
  ui::GroupBox GB_AdavnceMode{"GB_AdavnceMode"};
  ui::Memo MM_Microcode_ShowVersion{"MM_Microcode_ShowVersion"};
  ui::CheckBox CHK_Microcode_CheckFWVer{"CHK_Microcode_CheckFWVer"};
  ui::Label LBL_DMAMode{"LBL_DMAMode"};
  ui::ComboBox CMBB_Microcode_DMAMode{"CMBB_Microcode_DMAMode"};
  ui::Label LBL_SubCMD{"LBL_SubCMD"};
  ui::ComboBox CMBB_Microcode_SubCMD{"CMBB_Microcode_SubCMD"};
  ui::Label LBL_TranSize{"LBL_TranSize"};
  ui::ComboBox CMBB_Microcode_TranSize{"CMBB_Microcode_TranSize"};
  ui::Label LBL_Active{"LBL_Active"};
  ui::ComboBox CMBB_Microcode_Active{"CMBB_Microcode_Active"};
  ui::Label LBL_Slot{"LBL_Slot"};
  ui::Edit EDT_Slot{"EDT_Slot"};
  ui::Button BTN_Microcode_Download{"BTN_Microcode_Download"};
  ui::Button BTN_Microcode_Commit{"BTN_Microcode_Commit"};
  ui::Button BTN_Microcode_NVMeDownload{"BTN_Microcode_NVMeDownload"};
  ui::Button BTN_Microcode_NVMeCommit{"BTN_Microcode_NVMeCommit"};
  // Unticked, the disk holding the running system never gets new firmware
  // activated under it; ticked, the user is asked once per drive.
  ui::CheckBox CHK_Microcode_SystemActivateNow{"CHK_Microcode_SystemActivateNow"};
  ui::GroupBox GB_UpdateSetting{"GB_UpdateSetting"};
  ui::Label Label5{"Label5"};
  ui::ComboBox CMBB_ICVersion{"CMBB_ICVersion"};
  ui::Image Image6{"Image6"};
  ui::Label LB_Start{"LB_Start"};
  ui::FlatButton T_Start{"T_Start"};

  // Maintenance (Option) page.
  ui::Panel PN_Option{"PN_Option"};
  ui::Panel PN_Option_Item{"PN_Option_Item"};
  ui::Image IMG_OptionItem_SecurityErase{"IMG_OptionItem_SecurityErase"};
  ui::Image IMG_OptionItem_DataBackup{"IMG_OptionItem_DataBackup"};
  ui::Image IMG_OptionItem_Click{"IMG_OptionItem_Click"};
  ui::FlatButton SBTN_SecurityErase{"SBTN_SecurityErase"};
  ui::FlatButton SBTN_DataBackup{"SBTN_DataBackup"};
  ui::Panel PN_ShoeOptionInfo{"PN_ShoeOptionInfo"};
  ui::Label STC_SubItem{"STC_SubItem"};
  ui::Label STC_SubItemDecs{"STC_SubItemDecs"};
  ui::Panel PN_EraseMode{"PN_EraseMode"};
  ui::ListView LV_OptionErase{"LV_OptionErase"};
  ui::FlatButton T_SendErase{"T_SendErase"};
  ui::Panel PN_BackupMode{"PN_BackupMode"};
  ui::Panel PN_DataBackup_SourceInfo{"PN_DataBackup_SourceInfo"};
  ui::Label LBL_Source{"LBL_Source"};
  ui::ComboBox CMBB_DeviceList_Source{"CMBB_DeviceList_Source"};
  ui::Label ST_DataBackup_SourceInfo{"ST_DataBackup_SourceInfo"};
  ui::Panel PN_DataBackup_Destination{"PN_DataBackup_Destination"};
  ui::Label LBL_Destination{"LBL_Destination"};
  ui::ComboBox CMBB_DeviceList_Destination{"CMBB_DeviceList_Destination"};
  ui::Label ST_DataBackup_DesInfo{"ST_DataBackup_DesInfo"};
  ui::FlatButton T_Backup{"T_Backup"};
  ui::FlatButton T_Cancel{"T_Cancel"};

  // Status bar.
  ui::StatusBar StatusBar1{"StatusBar1"};
  ui::Panel PN_StatusBar{"PN_StatusBar"};
  ui::Label LB_StatusBar{"LB_StatusBar"};
  ui::ProgressBar ProcessBar{"ProcessBar"};
  ui::Panel PN_ICType{"PN_ICType"};
  ui::Label LB_ICType{"LB_ICType"};

  // Timers and image lists.
  ui::Timer Tmr_AutoRun{"Tmr_AutoRun", 10, false};
  ui::Timer TM_StatusBarClear{"TM_StatusBarClear", 2000, false};
  ui::Timer Timer1{"Timer1", 200, true};
  ui::Timer Timer_Status{"Timer_Status", 1000, true};
  ui::ImageList IM_DeviceStatusImage{"IM_DeviceStatusImage", 16, 16};
  ui::ImageList IM_OptionBtnImage{"IM_OptionBtnImage", 138, 35};

 private:
  void BuildImageLists();
  void BuildFrame();
  void BuildStatusBar();
  void BuildDeviceInfoPage();
  void BuildSummaryPage();
  void BuildUpdatePage();
  void BuildAdvancedGroup();
  void BuildOptionPage();
};

}  // namespace app
