#pragma once
// A SCSI port of a lab machine (\\.\ScsiN:): the storage controller driver
// behind it and the disks it serves. The maker's NVMe miniport answers
// "NvmeMini" and "VkmCtrl " requests on its port; the other drivers do not.
#include <cstdint>
#include <string>
#include <vector>

namespace lab {

class LabDisk;

enum class PortDriver {
  kAhci,            // SATA disks
  kInboxNvme,       // the system's own NVMe driver
  kMakerMiniport,   // the maker's NVMe miniport
  kUsbStorage,      // a USB mass-storage device (bulk-only)
  kUsbAttachedScsi  // a UAS device
};

struct ScsiPort {
  uint32_t number = 0;
  PortDriver driver = PortDriver::kAhci;
  std::vector<LabDisk*> disks;
  std::string pciLocation;  // of the controller; empty for USB ports
  uint16_t pciVendor = 0;
  uint16_t pciDevice = 0;
  // Miniport fault switches and state.
  bool silent = false;
  bool locked = false;  // NVMe commands wait for control request 0xE0001C14
};

}  // namespace lab
