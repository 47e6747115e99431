#pragma once
// The USB host-controller and hub walk: every port of every hub below the
// host controllers "\\.\HCD0" to "\\.\HCD9", with the device on it and
// whether its hub is one of the recognised external hubs.
#include "device/enumeration/hub_port_table.h"
#include "platform/os.h"

namespace device {

inline constexpr int kHostControllerCount = 10;
// Hubs nest at most five deep below a root hub; deeper answers are ignored.
inline constexpr int kMaxHubDepth = 6;

// Clears the table and fills it. Returns false when a controller's walk
// failed (later controllers are then not walked).
bool BuildHubPortTable(os::Os& os, HubPortTable& table);

}  // namespace device
