#pragma once
// New firmware is never activated under the running system: on the disk that
// holds it, an activation that would restart the controller at once is turned
// into one at the next reset, unless the user ticked the advanced group's
// "Live on system disk" and answered Yes to the question that names the risk.
#include <string>

#include "pages/update/update_flow.h"

namespace update {

inline constexpr const char* kLiveOnSystemQuestion =
    "Device <%s> holds the running system.\n\nActivating the new firmware now restarts its "
    "controller under the running system: the system can stop responding or lose data, and the "
    "drive may not come back until the machine is restarted.\n\nActivate now anyway?";

// True when the drive holds the running system (the scan's mark) or its disk
// is in use now (a mounted file system, active swap, a member of a device in
// use): either way its controller is not restarted under it.
bool HoldsRunningSystem(UpdateFlow& flow);
// For an activation that would run the new firmware at once: true when it may
// (not the system disk, or the user insisted and said Yes); false when it is
// to wait for the next reset, with the reason in the run log (`how` says what
// is sent instead).
bool MayActivateNow(UpdateFlow& flow, const std::string& how);
// The row's result after a deferred activation on the system disk: the reboot
// text, whatever the drive reports until then.
void PassWithReboot(UpdateFlow& flow);

}  // namespace update
