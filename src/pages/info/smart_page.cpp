// The SMART page: the NVMe SMART / Health log decoded by its rule file, or the
// ATA SMART attribute table named by the profile's SMART rule section.
#include "pages/info/info_pages.h"
#include "pages/info/list_view_rows.h"
#include "pages/info/page_status.h"
#include "pages/info/smart/ata_smart_table.h"
#include "pages/info/smart/nvme_smart_decimal.h"
#include "controller/nvme/nvme_ssd_hba.h"

namespace info {

void InfoPages::T_SmartClick() {
  form_.LV_ShowData.Clear();
  lastHealth_.reset();
  lastAttributes_.clear();
  if (!SelectCurrentDrive()) return;
  if (Current().IsNvmeDrive()) {
    ShowNvmeSmart();
  } else {
    ShowAtaSmart();
  }
}

void InfoPages::ShowNvmeSmart() {
  SetUpColumns(NvmeSmartColumns(), true);
  app::DriveAccess& drive = Current();
  const int result = drive.ReadSmartHealthLog(smartLog_);
  std::string problem;
  if (result == controller::kNvmeOk) {
    JudgeNvmeHealth();
    RowList decoded;
    problem = DecodeNvmeSmartLog(smartLog_, CurrentRules(), decoded, Reporter());
    AppendDecimalColumn(decoded.MutableRows());
    ListViewRows rows(form_.LV_ShowData);
    for (InfoRow& row : decoded.MutableRows()) rows.AddRow(std::move(row));
  }
  form_.SetStatusMessage(problem.empty() ? NvmeSmartLogStatusText(result, drive.NvmeStatusCode(),
                                                                  drive.NvmeStatusCodeType())
                                         : problem);
}

void InfoPages::ShowAtaSmart() {
  SetUpColumns(AtaSmartColumns(), false);
  app::DriveAccess& drive = Current();
  app::SlotData& data = CurrentData();
  // Some drives answer SMART READ DATA only once SMART is on; a failure here
  // shows up in the read that follows.
  drive.SmartEnableOperations();
  if (!drive.SmartReadData(data.smartData)) {
    form_.SetStatusMessage(ReadSmartFailText(0));
    return;
  }
  const std::span<const uint8_t> smart =
      std::span<const uint8_t>(data.smartData).first(kSmartDataBytes);
  JudgeAtaHealth(smart);
  const std::string problem = ShowAtaSmartTable(smart);
  form_.SetStatusMessage(problem.empty() ? kReadSmartOk : problem);
}

std::string InfoPages::ShowAtaSmartTable(std::span<const uint8_t> smartData) {
  ListViewRows rows(form_.LV_ShowData);
  return info::ShowAtaSmartTable(smartData, CurrentRules(), rows);
}

}  // namespace info
