#pragma once
// The probe options of a scan (ScanFlags) and the settings it reads.
#include <cstdint>

namespace device {

inline constexpr uint32_t SCAN_SCSI_INQUIRY = 0x00000001;
inline constexpr uint32_t SCAN_ATAPI = 0x00000002;
inline constexpr uint32_t SCAN_ATA_BUS = 0x00000010;
inline constexpr uint32_t SCAN_NVME_MINIPORT = 0x00000100;
inline constexpr uint32_t SCAN_NVME = 0x00000200;
inline constexpr uint32_t SCAN_NVME_BRIDGE = 0x00000400;
inline constexpr uint32_t SCAN_GENESYS = 0x00001000;
inline constexpr uint32_t SCAN_VKM_PWR = 0x00002000;
inline constexpr uint32_t SCAN_VKM_SINGLE_PWR = 0x00004000;
inline constexpr uint32_t SCAN_VKM_SINGLE_LKG = 0x00008000;
inline constexpr uint32_t SCAN_VKM_UFD = 0x40000000;

// The USB probes run only when one of these is asked for.
inline constexpr uint32_t kScanUsbProbeMask = 0x4000F402;

// The settings the scan and the SCSI transport read ([Option] of Setting.ini).
struct ScanSettings {
  bool ShowPhysicalOnly = true;     // letters only find the system disk
  bool IncludeSystemDrive = true;   // list the disk holding the system folder
  bool DisCheckSCSIStatus = false;  // CHECK CONDITION counts as success
};

}  // namespace device
