#pragma once
// The access-path bits of StorageDevice::devAttribute: how a drive was opened
// and which transport its commands take.
#include <cstdint>

namespace device {

inline constexpr uint32_t STORAGE_PHYSICAL = 0x00000001;
inline constexpr uint32_t STORAGE_LOGICAL = 0x00000002;
inline constexpr uint32_t STORAGE_SCSI = 0x00000004;
inline constexpr uint32_t STORAGE_SCSI_PORT = 0x00000008;
inline constexpr uint32_t STORAGE_NVME_BRIDGE = 0x00000010;
inline constexpr uint32_t STORAGE_VKM_UFD = 0x00000080;
inline constexpr uint32_t STORAGE_VKM_SINGLE_LKG = 0x00100000;
inline constexpr uint32_t STORAGE_VKM_TESTER = 0x01000000;
inline constexpr uint32_t STORAGE_VKM_PWR = 0x02000000;
inline constexpr uint32_t STORAGE_VOLUME_LOCKED = 0x04000000;
inline constexpr uint32_t STORAGE_VKM_SINGLE_PWR = 0x08000000;
inline constexpr uint32_t STORAGE_SCSI_ATAPI = 0x10000000;
inline constexpr uint32_t STORAGE_NVME = 0x20000000;
inline constexpr uint32_t STORAGE_NVME_MINIPORT = 0x40000000;
inline constexpr uint32_t STORAGE_ATA = 0x80000000u;

// Any of these marks an NVMe drive.
inline constexpr uint32_t kNvmeMask = STORAGE_NVME_BRIDGE | STORAGE_NVME | STORAGE_NVME_MINIPORT;
static_assert(kNvmeMask == 0x60000010);
// NVMe reached through the drive's own handle (native or bridge), not the port.
inline constexpr uint32_t kNvmeOwnHandleMask = STORAGE_NVME | STORAGE_NVME_BRIDGE;

inline bool IsNvme(uint32_t attribute) { return (attribute & kNvmeMask) != 0; }

}  // namespace device
