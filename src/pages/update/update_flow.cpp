#include "pages/update/update_flow.h"

#include "common/text.h"
#include "config/run_log/run_log_lines.h"
#include "package/update_rules.h"
#include "scan/identity_recheck.h"

namespace update {

bool UpdateSucceeded(std::string_view updateResult) {
  return updateResult.find(kPass) != std::string_view::npos ||
         updateResult.find(kNoNeedToUpgrade) != std::string_view::npos;
}

std::string UpdateFlow::Caption() const { return form.LV_UpdateDevStatus.Item(drive.row).caption; }

std::string UpdateFlow::Cell(int sub) const {
  if (sub < 0) return {};
  return form.LV_UpdateDevStatus.SubItem(drive.row, sub);
}

void UpdateFlow::SetCell(int sub, const std::string& text) {
  if (sub < 0) return;
  form.LV_UpdateDevStatus.SetSubItem(drive.row, sub, text);
}

bool UpdateFlow::AnyTicked() const {
  const ui::ListView& list = form.LV_UpdateDevStatus;
  for (int r = 0; r < list.ItemCount(); ++r) {
    if (list.Item(r).checked) return true;
  }
  return false;
}

bool UpdateFlow::AskYes(const std::string& text) {
  // Every question of the update risks the drive on Yes: Enter answers No.
  return form.App().MessageBox(text, "", ui::MsgButtons::kYesNo, ui::MsgIcon::kQuestion,
                               ui::ModalResult::kNo) == ui::ModalResult::kYes;
}

void UpdateFlow::TrimMemo() {
  ui::Memo& memo = form.MM_Microcode_ShowVersion;
  memo.SetText(common::Trim(memo.Text()));
}

bool UpdateFlow::StillListed() {
  const std::string changed = app::RecheckIdentity(drive);
  if (changed.empty()) return true;
  run.Log(
      app::RowNoteLine(Row(), common::Format("%s; no firmware was sent to it", changed.c_str())));
  Refuse(changed);
  return false;
}

void JudgeReportedVersion(UpdateFlow& flow, const std::string& reported, bool deferred,
                          bool checkVersion) {
  const std::string expected = common::Trim(flow.state.expectedFwVer);
  if (firmware::ReportedVersionMatches(reported, expected)) return;
  // Both versions are drive or image bytes: escaped before they are logged.
  const std::string now = common::ShownText(common::Trim(reported));
  const std::string wanted = common::ShownText(expected);
  if (deferred) {
    // The image is stored but runs only after the drive is reset or power
    // cycled: not a failure, but the user has to know.
    flow.state.updateResult = kRebootResult;
    flow.run.Log(app::RowNoteLine(
        flow.Row(), common::Format("the new firmware %s becomes active at the next reset or power "
                                   "cycle of the drive; it reports %s until then",
                                   wanted.empty() ? "image" : wanted.c_str(), now.c_str())));
    return;
  }
  if (!checkVersion) return;
  flow.Refuse(kCheckFwVersion);
  flow.run.Log(
      app::RowNoteLine(flow.Row(), common::Format("%s Expected FW:%s, Drive FW:%s", kCheckFwVersion,
                                                  wanted.c_str(), now.c_str())));
}

}  // namespace update
