#pragma once
// The SetupAPI walk over the disk-interface set: which physical drive
// numbers exist, and for each its SetupAPI member, PCI location code and USB
// location record (USBSTOR serial token, port, hub match).
#include <array>
#include <cstdint>

#include "device/core/usb_location.h"
#include "device/enumeration/hub_port_table.h"
#include "platform/os.h"

namespace device {

// Tables indexed by physical drive number. They cover every number the
// physical-drive walk probes (0..127); larger numbers are skipped.
struct PerScanTables {
  static constexpr int kDriveNumbers = 128;
  std::array<uint32_t, kDriveNumbers> listIndex{};  // member index + 1, 0 = none
  std::array<uint32_t, kDriveNumbers> location{};   // 0xFFFFFFFF = none
  std::array<UsbLocationRecord, kDriveNumbers> usb{};
  void Clear();
};

inline constexpr os::DWORD kInterfaceDetailBufferSize = 1024;
inline constexpr os::DWORD kInstanceIdBufferSize = 1024;

// Physical drive number of member `index` of the disk-interface set, or -1.
int PhysicalDriveNumberOf(os::Os& os, os::HDEVINFO set, os::DWORD index);

// Walks every member of the set, fills the tables and returns how many
// physical drives were found (devQty).
int WalkDiskSet(os::Os& os, os::HDEVINFO set, PerScanTables& tables, const HubPortTable& hubs);

}  // namespace device
