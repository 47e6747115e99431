#include "pages/update/system_disk.h"

#include "common/text.h"
#include "config/run_log/run_log_lines.h"
#include "scan/drive_use.h"

namespace update {

namespace {

// Why the new firmware must not run at once on this drive: "" when nothing
// holds it; "holds the running system"; or "is in use (<what>)". A disk in
// use is treated as the system disk: restarting its controller under a
// mounted file system or active swap is the same risk.
std::string HeldBecause(UpdateFlow& flow) {
  if (flow.drive.data.systemDisk) return "holds the running system";
  const device::DiskUse use = app::DriveUse(flow.Ctx().os, flow.drive);
  if (use.systemDisk) return "holds the running system";
  if (!use.InUse()) return "";
  std::string users;
  for (const std::string& u : use.users) users += (users.empty() ? "" : ", ") + u;
  return "is in use (" + users + ")";
}

}  // namespace

bool HoldsRunningSystem(UpdateFlow& flow) { return !HeldBecause(flow).empty(); }

bool MayActivateNow(UpdateFlow& flow, const std::string& how) {
  const std::string held = HeldBecause(flow);
  if (held.empty()) return true;
  app::TUpdateDispaly& form = flow.form;
  // The choice exists only where it can be seen: in the unlocked advanced group.
  const bool insisted =
      form.GB_AdavnceMode.Visible() && form.CHK_Microcode_SystemActivateNow.Checked();
  if (insisted && flow.AskYes(common::Format(kLiveOnSystemQuestion, flow.Caption().c_str()))) {
    flow.run.Log(app::RowNoteLine(
        flow.Row(),
        common::Format("%s; the new firmware is activated now, as asked for in the advanced "
                       "group",
                       held.c_str())));
    return true;
  }
  flow.run.Log(app::RowNoteLine(
      flow.Row(),
      common::Format("%s, so the new firmware is not activated under it: %s; it becomes "
                     "active at the next reset or power cycle",
                     held.c_str(), how.c_str())));
  return false;
}

void PassWithReboot(UpdateFlow& flow) {
  if (UpdateSucceeded(flow.state.updateResult)) flow.state.updateResult = kRebootResult;
}

}  // namespace update
