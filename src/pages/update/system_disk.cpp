#include "pages/update/system_disk.h"

#include "common/text.h"
#include "device/usage/disk_use.h"
#include "device/usage/namespace_siblings.h"

namespace update {

bool HoldsRunningSystem(const UpdateFlow& flow) { return flow.drive.data.systemDisk; }

std::string LiveActivationRefusal(UpdateFlow& flow) {
  const std::string name = flow.drive.DisplayName();
  device::DiskUse use;
  const int disk = device::DiskNumberOfName(name);
  if (disk >= 0) use = device::QueryDiskUse(flow.Ctx().os, disk);
  if (HoldsRunningSystem(flow)) use.systemDisk = true;
  return device::DiskUseRefusal(name, use);
}

bool MayActivateNow(UpdateFlow& flow, const std::string& how) {
  const std::string refusal = LiveActivationRefusal(flow);
  if (refusal.empty()) return true;
  if (!HoldsRunningSystem(flow)) {
    // A disk in use: its users would see the controller restart under them;
    // the advanced group's choice is only for the system disk.
    flow.run.Log(common::Format("Dev_%d          : %s, so the new firmware is not activated "
                                "under it: %s; it becomes active at the next reset or power "
                                "cycle",
                                flow.Row(), refusal.c_str(), how.c_str()));
    return false;
  }
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
