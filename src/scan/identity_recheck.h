#pragma once
// The check destructive work makes right before it acts on an identified
// drive: its identity is read again through its access object and compared
// with the identity it was listed with.
#include <optional>
#include <string>

#include "device/core/identity_match.h"
#include "scan/drive_view.h"

namespace app {

// What the drive was listed as: the slot's snapshot taken when the lists were
// filled, or (for a slot no list was filled from) what the scan read into it.
device::DriveIdentity ListedIdentity(const DriveView& drive);

// The identity the drive reports now: IDENTIFY DEVICE (model, serial and the
// sectors of words 60..61 / 100..103) or Identify Controller and Identify
// Namespace 1 (its size); nothing when the drive does not answer.
std::optional<device::DriveIdentity> CurrentIdentity(DriveView& drive);

// "" while the drive is the listed one, else the refusal text
// ("PHYSICALDRIVE3 is no longer the drive that was listed: serial VK1 is now VK2").
std::string RecheckIdentity(DriveView& drive);

// The listed identity of what the scan read into `data` (NVMe or ATA).
device::DriveIdentity IdentityOfSlot(const SlotData& data, bool nvme);

}  // namespace app
