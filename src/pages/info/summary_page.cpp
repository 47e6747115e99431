// The Summary page: identity, power-on time, life, bytes written and the four
// feature marks of the selected drive, read afresh on every visit.
#include <array>

#include "pages/info/info_pages.h"
#include "pages/info/page_status.h"
#include "pages/info/smart/ata_smart_table.h"
#include "controller/nvme/nvme_ssd_hba.h"

namespace info {

void InfoPages::ResetSummary() {
  for (ui::Label* value :
       {&form_.ST_ModelName_Edit, &form_.ST_FWVersion_Edit, &form_.ST_SerialNumber_Edit,
        &form_.ST_PowerOnTime_Edit, &form_.ST_SSDLife_Edit, &form_.ST_BytesWritten_Edit}) {
    value->SetCaption("");
  }
  form_.ST_Health_Edit.SetCaption("");
  form_.ST_Health_Edit.SetHint("");
  for (ui::Image* image :
       {&form_.IMG_Check_SMART, &form_.IMG_Cross_SMART, &form_.IMG_Check_NCQ, &form_.IMG_Cross_NCQ,
        &form_.IMG_Check_APM, &form_.IMG_Cross_APM, &form_.IMG_Check_TRIM, &form_.IMG_Cross_TRIM}) {
    image->Hide();
  }
}

void InfoPages::T_SummaryPageClick() {
  ResetSummary();
  lastSummary_.reset();
  lastHealth_.reset();
  if (!SelectCurrentDrive()) return;
  SummaryValues values;
  const bool read = Current().IsNvmeDrive() ? ReadNvmeSummary(values) : ReadAtaSummary(values);
  if (read) {
    FillSummary(values);
    lastSummary_ = values;
  }
}

bool InfoPages::ReadAtaSummary(SummaryValues& values) {
  app::DriveAccess& drive = Current();
  app::SlotData& data = CurrentData();
  if (!drive.IdentifyDevice(data.ataIdentify)) {
    form_.SetStatusMessage(ReadConfigFailText(0));
    return false;
  }
  form_.SetStatusMessage(kReadConfigOk);
  drive.SmartEnableOperations();
  if (!drive.SmartReadData(data.smartData)) {
    form_.SetStatusMessage(ReadSmartFailText(0));
    return false;
  }
  form_.SetStatusMessage(kReadSmartOk);
  JudgeAtaHealth(std::span<const uint8_t>(data.smartData).first(kSmartDataBytes));
  values = AtaSummaryValues(std::span<const uint8_t>(data.ataIdentify).first(app::kAtaSectorBytes),
                            std::span<const uint8_t>(data.smartData).first(kSmartDataBytes));
  return true;
}

bool InfoPages::ReadNvmeSummary(SummaryValues& values) {
  // ATA IDENTIFY and SMART READ DATA mean nothing to an NVMe drive: its
  // Identify Controller data and health log carry the same facts. Identify is
  // sent again so that a firmware update since the scan shows its new revision.
  app::DriveAccess& drive = Current();
  std::array<uint8_t, kNvmeIdentifyBytes> identify{};
  if (!drive.NvmeIdentify(identify, 0, true)) {
    form_.SetStatusMessage(ReadConfigFailText(0));
    return false;
  }
  form_.SetStatusMessage(kReadConfigOk);
  const int result = drive.ReadSmartHealthLog(smartLog_);
  form_.SetStatusMessage(
      NvmeSmartLogStatusText(result, drive.NvmeStatusCode(), drive.NvmeStatusCodeType()));
  if (result != controller::kNvmeOk) return false;
  JudgeNvmeHealth();
  values = NvmeSummaryValues(identify, smartLog_);
  return true;
}

void InfoPages::FillSummary(const SummaryValues& values) {
  const SummaryTexts t = FormatSummary(values);
  form_.ST_ModelName_Edit.SetCaption(t.modelName);
  form_.ST_FWVersion_Edit.SetCaption(t.fwVersion);
  form_.ST_SerialNumber_Edit.SetCaption(t.serialNumber);
  form_.ST_PowerOnTime_Edit.SetCaption(t.powerOnTime);
  form_.ST_SSDLife_Edit.SetCaption(t.ssdLife);
  form_.ST_BytesWritten_Edit.SetCaption(t.bytesWritten);
  if (lastHealth_) {
    form_.ST_Health_Edit.SetCaption(HealthLine(*lastHealth_));
    std::string hint;
    for (const std::string& reason : lastHealth_->reasons)
      hint += (hint.empty() ? "" : "\n") + reason;
    form_.ST_Health_Edit.SetHint(hint);
  }

  auto mark = [](bool on, ui::Image& check, ui::Image& cross) {
    check.SetVisible(on);
    cross.SetVisible(!on);
  };
  const SummaryFeatures& f = values.features;
  mark(f.smart, form_.IMG_Check_SMART, form_.IMG_Cross_SMART);
  mark(f.trim, form_.IMG_Check_TRIM, form_.IMG_Cross_TRIM);
  mark(f.ncq, form_.IMG_Check_NCQ, form_.IMG_Cross_NCQ);
  mark(f.apm, form_.IMG_Check_APM, form_.IMG_Cross_APM);
}

}  // namespace info
