#include "pages/update/update_run.h"

#include "common/text.h"
#include "pages/update/ata_update.h"
#include "pages/update/nvme_update.h"

namespace update {

void UpdateOperation::Run(app::DriveRun& run) {
  state_.updateResult.clear();
  UpdateFlow flow(form_, drive_, columns_, state_, run);
  if (app::IdentityUnknown(drive_.Identity())) {
    // Without the current version no rule can say whether the image fits.
    flow.Refuse(kUnknownIdentityResult);
    run.Fail(state_.updateResult);
    return;
  }
  if (drive_.IsNvme()) {
    NvmeDownloadClick(flow);
  } else {
    AtaDownloadClick(flow);
  }
  const std::string& result = state_.updateResult;
  if (!UpdateSucceeded(result)) {
    run.Fail(result);
    return;
  }
  const bool reboot = drive_.profile && drive_.profile->ShowRebootMsgWhenSuccess;
  run.Pass(reboot ? std::string(kRebootResult) : result);
}

UpdateListSink::UpdateListSink(app::TUpdateDispaly& form, const app::ResultColumnMap& columns,
                               int* currentRow)
    : RunListSink(form, form.LV_UpdateDevStatus, columns.result),
      form_(form),
      resultSub_(columns.result),
      currentRow_(currentRow) {}

void UpdateListSink::DriveStarted(const app::DriveReport& d) {
  if (currentRow_) *currentRow_ = d.row;
  RunListSink::DriveStarted(d);
}

void UpdateListSink::DriveFinished(const app::DriveReport& d) {
  RunListSink::DriveFinished(d);
  const std::string cell =
      resultSub_ >= 0 ? form_.LV_UpdateDevStatus.SubItem(d.row, resultSub_) : std::string();
  form_.Context().runLog.Append(common::Format("Dev_%d          : %s", d.row, cell.c_str()));
}

}  // namespace update
