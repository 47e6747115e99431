// The Device Info / SMART page and the Summary page.
#include "form/design_helpers.h"
#include "form/update_dispaly_components.h"

namespace app {

void UpdateDispalyComponents::BuildDeviceInfoPage() {
  Place(PN_DeviceInfo, PN_MainObj, 224, 101, 752, 475);
  PN_DeviceInfo.SetColor(ui::kColorWhite);
  // The caption row above the list: the information type over the first
  // column, the drive selector over the second.
  PlaceText(ST_InfoType, PN_DeviceInfo, 8, 5, 200, 20, "Information:");
  PlaceText(ST_DeviceName, PN_DeviceInfo, 406, 5, 50, 20, "Device:");
  Place(CMBB_DeviceList, PN_DeviceInfo, 456, 2, 290, 24);
  Place(LV_ShowData, PN_DeviceInfo, 0, 28, 752, 447);
  LV_ShowData.AddColumn("Item", 400);
  LV_ShowData.AddColumn("Describe", 345);
  LV_ShowData.SetGridLines(true);
  LV_ShowData.SetRowSelect(true);
  LV_ShowData.SetReadOnly(true);
  LV_ShowData.SetColor(ui::kColorWhite);
}

void UpdateDispalyComponents::BuildSummaryPage() {
  Place(PN_Summary, PN_MainObj, 224, 128, 753, 449);
  PN_Summary.SetColor(ui::kColorWhite);
  PN_Summary.SetBevel(false);

  struct Row {
    ui::Label& caption;
    ui::Label& value;
    const char* text;
  };
  auto fillGroup = [](ui::GroupBox& group, std::initializer_list<Row> rows) {
    int top = 28;
    for (const Row& r : rows) {
      PlaceText(r.caption, group, 24, top, 170, 22, r.text);
      PlaceText(r.value, group, 200, top, 500, 22, "");
      top += 32;
    }
  };

  PlaceText(GB_SSDInfoSummary, PN_Summary, 16, 10, 721, 130, "SSD Info Summary:");
  fillGroup(GB_SSDInfoSummary, {{ST_ModelName, ST_ModelName_Edit, "Model Name:"},
                                {ST_FWVersion, ST_FWVersion_Edit, "Firmware Version:"},
                                {ST_SerialNumber, ST_SerialNumber_Edit, "Serial Number:"}});
  PlaceText(GB_SMARTSummary, PN_Summary, 16, 150, 721, 130, "S.M.A.R.T. Summary:");
  fillGroup(GB_SMARTSummary, {{ST_PowerOnTime, ST_PowerOnTime_Edit, "Power-On Time:"},
                              {ST_SSDLife, ST_SSDLife_Edit, "SSD Life:"},
                              {ST_BytesWritten, ST_BytesWritten_Edit, "Bytes Written:"}});

  PlaceText(GB_FeatureSummary, PN_Summary, 16, 290, 721, 110, "Feature Summary:");
  struct Feature {
    ui::Label& caption;
    ui::Image& check;
    ui::Image& cross;
    const char* text;
  };
  const Feature features[] = {{ST_Feature_SMART, IMG_Check_SMART, IMG_Cross_SMART, "S.M.A.R.T."},
                              {ST_Feature_NCQ, IMG_Check_NCQ, IMG_Cross_NCQ, "NCQ"},
                              {ST_Feature_APM, IMG_Check_APM, IMG_Cross_APM, "APM"},
                              {ST_Feature_TRIM, IMG_Check_TRIM, IMG_Cross_TRIM, "TRIM"}};
  int left = 24;
  for (const Feature& f : features) {
    PlaceText(f.caption, GB_FeatureSummary, left, 44, 100, 22, f.text);
    // Check and cross share one place; at most one of them is shown.
    Place(f.check, GB_FeatureSummary, left + 100, 36, 36, 36);
    f.check.SetDesignPicture(ui::DesignPicture::kCheck);
    f.check.Hide();
    Place(f.cross, GB_FeatureSummary, left + 100, 36, 36, 36);
    f.cross.SetDesignPicture(ui::DesignPicture::kCross);
    f.cross.Hide();
    left += 175;
  }
  // Below the groups, in the panel's free strip; the caption and value line
  // up with the group rows above.
  PlaceText(ST_Health, PN_Summary, 40, 412, 170, 22, "Health:");
  PlaceText(ST_Health_Edit, PN_Summary, 216, 412, 521, 22, "");
  // The reasons can outrun the line: the hint lists them whole.
  ST_Health_Edit.SetShowHint(true);
}

}  // namespace app
