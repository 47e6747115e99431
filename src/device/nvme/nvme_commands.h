#pragma once
// NVMe operations the device layer itself needs: Identify (controller or
// namespace) and the vendor control request of the miniport driver.
#include <cstdint>
#include <span>

#include "device/core/storage_device.h"

namespace device {

// Identify Controller (CNS 1, NSID 0): 4096 bytes into out.
bool NvmeIdentifyController(StorageDevice& dev, std::span<uint8_t> out);
// Identify Namespace (CNS 0) of `nsid`: 4096 bytes into out.
bool NvmeIdentifyNamespace(StorageDevice& dev, uint32_t nsid, std::span<uint8_t> out);
// A "VkmCtrl " control request without data, admin, reopen force 1. Control
// requests with data: build an NvmeCommandRecord with that signature and
// ControlCode and pass it to ExecuteNvmeCommand.
bool NvmeVendorControl(StorageDevice& dev, uint32_t controlCode);

}  // namespace device
