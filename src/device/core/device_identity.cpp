#include "device/core/device_identity.h"

#include <cstring>
#include <vector>

#include "device/ata/ata_commands.h"
#include "device/core/fixed_text.h"
#include "device/core/identity_reader.h"
#include "device/nvme/nvme_command_record.h"
#include "device/nvme/nvme_commands.h"
#include "device/scsi/scsi_commands.h"

namespace device {
namespace {

void SetIdentity(StorageDevice& dev, const IdentityTexts& t) {
  SetFixedText(dev.devSerial, t.serial);
  SetFixedText(dev.devModel, t.model);
  SetFixedText(dev.devFirmware, t.firmware);
}

}  // namespace

void FillIdentityStrings(StorageDevice& dev) {
  std::memset(dev.devSerial, 0, sizeof dev.devSerial);
  std::memset(dev.devModel, 0, sizeof dev.devModel);
  std::memset(dev.devFirmware, 0, sizeof dev.devFirmware);
  if (IsNvme(dev.devAttribute)) {
    std::vector<uint8_t> identify(kNvmeIdentifySize, 0);
    if (!NvmeIdentifyController(dev, identify)) return;
    SetIdentity(dev, NvmeIdentityTexts(identify));
    return;
  }
  if (dev.devAttribute & STORAGE_VKM_UFD) return;
  std::vector<uint8_t> identify(kAtaSector, 0);
  if (!AtaIdentifyDevice(dev, identify)) return;
  SetIdentity(dev, AtaIdentityTexts(identify));
}

void ReadDeviceCapacity(StorageDevice& dev) {
  // A device reached only through its SCSI port cannot carry READ CAPACITY.
  dev.devCapacity = dev.CanCarryScsi() ? ReadCapacityBlocks(dev) : 0;
}

}  // namespace device
