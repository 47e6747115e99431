#pragma once
// What the configuration manager says about a drive through its parent
// device: the PCI location code of a drive under PCI and the USB identity of
// a drive on a USB port.
#include <cstdint>

#include "device/core/usb_location.h"
#include "platform/os.h"

namespace device {

inline constexpr uint32_t kLocationUnknown = 0xFFFFFFFFu;

// The parent's PCI location as (bus << 16) | (device << 3) | function; 0
// when the parent is not on PCI; kLocationUnknown when a look-up failed.
uint32_t LocationCodeOf(os::Os& os, os::DEVINST devInst);

// VID and PID from the parent's hardware id and port and hub numbers from
// its location text, into `record` (fields left as they are when absent).
void UsbIdentityOf(os::Os& os, os::DEVINST devInst, UsbLocationRecord& record);

}  // namespace device
