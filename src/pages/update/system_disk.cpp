#include "pages/update/system_disk.h"

#include "common/text.h"

namespace update {

bool HoldsRunningSystem(const UpdateFlow& flow) { return flow.drive.data.systemDisk; }

bool MayActivateNow(UpdateFlow& flow, const std::string& how) {
  if (!HoldsRunningSystem(flow)) return true;
  app::TUpdateDispaly& form = flow.form;
  // The choice exists only where it can be seen: in the unlocked advanced group.
  const bool insisted =
      form.GB_AdavnceMode.Visible() && form.CHK_Microcode_SystemActivateNow.Checked();
  if (insisted && flow.AskYes(common::Format(kLiveOnSystemQuestion, flow.Caption().c_str()))) {
    flow.run.Log(common::Format(
        "Dev_%d          : holds the running system; the new firmware is activated now, as "
        "asked for in the advanced group",
        flow.Row()));
    return true;
  }
  flow.run.Log(common::Format(
      "Dev_%d          : holds the running system, so the new firmware is not activated under "
      "it: %s; it becomes active at the next reset or power cycle",
      flow.Row(), how.c_str()));
  return false;
}

void PassWithReboot(UpdateFlow& flow) {
  if (UpdateSucceeded(flow.state.updateResult)) flow.state.updateResult = kRebootResult;
}

}  // namespace update
