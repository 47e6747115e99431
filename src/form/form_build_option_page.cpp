// The maintenance (Option) page: the two items, their description and the
// security-erase and data-backup views.
#include "form/design_helpers.h"
#include "form/update_dispaly_components.h"

namespace app {

void UpdateDispalyComponents::BuildOptionPage() {
  Place(PN_Option, PN_MainObj, 226, 104, 754, 527);
  PN_Option.SetColor(ui::kColorWhite);
  PN_Option.Hide();

  Place(PN_Option_Item, PN_Option, 0, 0, 150, 526);
  PN_Option_Item.SetBevel(false);
  Place(IMG_OptionItem_SecurityErase, PN_Option_Item, 5, 7, 138, 35);
  IMG_OptionItem_SecurityErase.SetPicture(*IM_OptionBtnImage.At(0));
  Place(IMG_OptionItem_DataBackup, PN_Option_Item, 5, 47, 138, 35);
  IMG_OptionItem_DataBackup.SetPicture(*IM_OptionBtnImage.At(0));
  Place(IMG_OptionItem_Click, PN_Option_Item, 5, 7, 138, 35);
  IMG_OptionItem_Click.SetPicture(*IM_OptionBtnImage.At(1));
  IMG_OptionItem_Click.Hide();
  PlaceText(SBTN_SecurityErase, PN_Option_Item, 5, 7, 138, 35, "Security Erase");
  PlaceText(SBTN_DataBackup, PN_Option_Item, 5, 47, 138, 35, "Data Backup");

  Place(PN_ShoeOptionInfo, PN_Option, 157, 4, 592, 80);
  PN_ShoeOptionInfo.SetBevel(false);
  PlaceText(STC_SubItem, PN_ShoeOptionInfo, 10, 8, 400, 26, "Security Erase");
  STC_SubItem.SetFont({"", 14, ui::kColorDefault, true});
  PlaceText(STC_SubItemDecs, PN_ShoeOptionInfo, 10, 40, 570, 34,
            "Using ATA Secure Erase command to wipe all data from SSD");
  STC_SubItemDecs.SetWordWrap(true);

  // Security erase view (shown by design: the page opens on it).
  Place(PN_EraseMode, PN_Option, 157, 89, 592, 430);
  PN_EraseMode.SetBevel(false);
  Place(LV_OptionErase, PN_EraseMode, 0, 0, 592, 370);
  // Each column as wide as its texts: serial numbers above all must show whole
  // before a destructive erase (drives of one model differ only there).
  for (const char* caption :
       {"Disk (Click-Select All)", "Serial Number", "FW Ver.", "Model Name", "Result"}) {
    LV_OptionErase.AddColumn(caption, ui::kColumnFitContent);
  }
  LV_OptionErase.SetCheckBoxes(true);
  LV_OptionErase.SetRowSelect(true);
  LV_OptionErase.SetReadOnly(true);
  LV_OptionErase.SetGridLines(true);
  LV_OptionErase.SetSmallImages(&IM_DeviceStatusImage);
  LV_OptionErase.SetColor(ui::kColorWhite);
  PlaceText(T_SendErase, PN_EraseMode, 462, 380, 126, 44, "Erase");
  T_SendErase.SetTransparent(false);

  // Data backup view.
  Place(PN_BackupMode, PN_Option, 157, 89, 592, 430);
  PN_BackupMode.SetBevel(false);
  PN_BackupMode.Hide();
  struct Side {
    ui::Panel& panel;
    ui::Label& label;
    ui::ComboBox& combo;
    ui::Label& info;
    const char* caption;
    int left;
  };
  for (const Side& s :
       {Side{PN_DataBackup_SourceInfo, LBL_Source, CMBB_DeviceList_Source, ST_DataBackup_SourceInfo,
             "Source:", 0},
        Side{PN_DataBackup_Destination, LBL_Destination, CMBB_DeviceList_Destination,
             ST_DataBackup_DesInfo, "Destination:", 300}}) {
    Place(s.panel, PN_BackupMode, s.left, 0, 290, 300);
    PlaceText(s.label, s.panel, 8, 8, 200, 20, s.caption);
    Place(s.combo, s.panel, 8, 32, 274, 24);
    PlaceText(s.info, s.panel, 8, 68, 274, 120, "");
    s.info.SetWordWrap(true);
  }
  PlaceText(T_Backup, PN_BackupMode, 462, 380, 126, 44, "Start");
  PlaceText(T_Cancel, PN_BackupMode, 462, 380, 126, 44, "Cancel");
  T_Backup.SetTransparent(false);
  T_Cancel.SetTransparent(false);
  T_Cancel.SetEnabled(false);
  T_Cancel.Hide();
}

}  // namespace app
