// The firmware update page with its advanced group and update settings.
#include "form/design_helpers.h"
#include "form/update_dispaly_components.h"

namespace app {

void UpdateDispalyComponents::BuildUpdatePage() {
  Place(PN_UpdateFW, PN_MainObj, 223, 100, 754, 527);
  PN_UpdateFW.SetColor(ui::kColorWhite);
  PN_UpdateFW.Hide();

  PlaceText(ST_DownloadFWSec, PN_UpdateFW, 8, 6, 300, 22, "Download FW");
  ST_DownloadFWSec.SetFontSize(12);

  Place(LV_UpdateDevStatus, PN_UpdateFW, 0, 32, 754, 300);
  for (const auto& [caption, width] : {std::pair<const char*, int>{"Disk (Click-Select All)", 150},
                                       {"Serial Number", 155},
                                       {"Curr FW Ver.", 97},
                                       {"Newest FW Ver.", 97},
                                       {"Model Name", 115},
                                       {"FW Tag", 97},
                                       {"Result", 550}}) {
    LV_UpdateDevStatus.AddColumn(caption, width);
  }
  LV_UpdateDevStatus.SetCheckBoxes(true);
  LV_UpdateDevStatus.SetRowSelect(true);
  LV_UpdateDevStatus.SetReadOnly(true);
  LV_UpdateDevStatus.SetGridLines(true);
  LV_UpdateDevStatus.SetSmallImages(&IM_DeviceStatusImage);
  LV_UpdateDevStatus.SetColor(ui::kColorWhite);

  BuildAdvancedGroup();

  PlaceText(GB_UpdateSetting, PN_UpdateFW, 572, 338, 178, 64, "Update Setting");
  PlaceText(Label5, GB_UpdateSetting, 8, 28, 100, 20, "IC Version (10XT):");
  Place(CMBB_ICVersion, GB_UpdateSetting, 110, 25, 60, 24);
  CMBB_ICVersion.SetItems({"AB", "AD"});

  // The Start button: a picture, its caption and the transparent button on top.
  Place(Image6, PN_UpdateFW, 604, 430, 146, 90);
  Image6.SetDesignPicture(ui::DesignPicture::kStartButton);
  PlaceText(LB_Start, PN_UpdateFW, 604, 462, 146, 26, "Start");
  LB_Start.SetAlignment(ui::Alignment::kCenter);
  LB_Start.SetFont({"", 14, ui::kColorDefault, true});
  Place(T_Start, PN_UpdateFW, 604, 430, 146, 90);
}

void UpdateDispalyComponents::BuildAdvancedGroup() {
  PlaceText(GB_AdavnceMode, PN_UpdateFW, 4, 338, 560, 184, "Adavnce Mode");
  GB_AdavnceMode.Hide();
  Place(MM_Microcode_ShowVersion, GB_AdavnceMode, 8, 20, 250, 156);
  MM_Microcode_ShowVersion.SetReadOnly(true);
  PlaceText(CHK_Microcode_CheckFWVer, GB_AdavnceMode, 268, 20, 160, 20, "Enable Check FWVer");
  CHK_Microcode_CheckFWVer.SetChecked(true);

  struct Choice {
    ui::Label& label;
    ui::ComboBox& combo;
    const char* caption;
    std::vector<std::string> items;
  };
  const Choice choices[] = {
      {LBL_DMAMode, CMBB_Microcode_DMAMode, "DMA/PIO:", {"PIO Mode", "DMA Mode"}},
      {LBL_SubCMD, CMBB_Microcode_SubCMD, "Sub CMD:", {"0x03h", "0x0Eh / 0x0Fh"}},
      {LBL_TranSize,
       CMBB_Microcode_TranSize,
       "Size(KB):",
       {"1", "2", "4", "8", "16", "32", "64", "128", "256", "512", "768", "1024"}},
      {LBL_Active, CMBB_Microcode_Active, "Action:", {"000b", "001b", "010b", "011b"}},
  };
  int top = 46;
  for (const Choice& c : choices) {
    PlaceText(c.label, GB_AdavnceMode, 268, top + 3, 70, 20, c.caption);
    Place(c.combo, GB_AdavnceMode, 340, top, 92, 24);
    c.combo.SetItems(c.items);
    top += 26;
  }
  PlaceText(LBL_Slot, GB_AdavnceMode, 268, top + 3, 70, 20, "Slot:");
  Place(EDT_Slot, GB_AdavnceMode, 340, top, 92, 24);
  EDT_Slot.SetText("1");

  PlaceText(BTN_Microcode_Download, GB_AdavnceMode, 440, 20, 112, 28, "Download");
  PlaceText(BTN_Microcode_Commit, GB_AdavnceMode, 440, 52, 112, 28, "Commit");
  PlaceText(BTN_Microcode_NVMeDownload, GB_AdavnceMode, 440, 96, 112, 28, "NVMe Download");
  PlaceText(BTN_Microcode_NVMeCommit, GB_AdavnceMode, 440, 128, 112, 28, "NVMe Commit");
  PlaceText(CHK_Microcode_SystemActivateNow, GB_AdavnceMode, 440, 158, 116, 20,
            "Live on system disk");
  CHK_Microcode_SystemActivateNow.SetChecked(false);
}

}  // namespace app
