#pragma once
// Format NVM aimed at the namespace of the selected disk, and the refusal of
// a format that would reach further: a controller whose Format NVM
// Attributes (Identify Controller FNA) say it formats or securely erases all
// its namespaces as one takes every namespace with it, so the erase of one
// namespace is refused while another of them holds the running system or is
// in use.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "platform/os.h"
#include "scan/drive_view.h"

namespace maintenance {

inline constexpr size_t kIdentifyFna = 524;
inline constexpr uint8_t kFnaFormatAll = 0x01;  // a format applies to all namespaces
inline constexpr uint8_t kFnaEraseAll = 0x02;   // a secure erase applies to all namespaces

// The namespace id of an NVMe drive: its LUN + 1 where its SCSI address is
// known, else 1 (the only namespace such a drive has been seen with).
uint32_t NamespaceIdOf(const app::DriveView& drive);

// True when Identify Controller says a format or secure erase of one
// namespace is one of all of them (FNA bit 0 or 1).
bool FormatsAllNamespaces(std::span<const uint8_t> identifyController);

// Why `drive` may not be formatted alone, or "" when it may: "PHYSICALDRIVE3
// cannot be formatted alone: its controller formats all namespaces together
// and PHYSICALDRIVE2 (namespace 1) holds the running system". Each other
// namespace is checked as the system reports it now (device::QueryDiskUse)
// and by the scan's mark of the listed drives.
std::string SharedFormatRefusal(os::Os& os, app::DriveViews& drives, const app::DriveView& drive);

}  // namespace maintenance
