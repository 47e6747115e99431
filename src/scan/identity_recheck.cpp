#include "scan/identity_recheck.h"

#include <vector>

#include "device/ata/ata_commands.h"
#include "scan/identify_strategies.h"

namespace app {

device::DriveIdentity IdentityOfSlot(const SlotData& data, bool nvme) {
  if (nvme) {
    return device::DriveIdentity::FromTexts(
        device::NvmeIdentityTexts(data.nvmeIdentifyController),
        device::NvmeNamespaceBlocks(data.nvmeIdentifyNamespace));
  }
  return device::DriveIdentity::FromTexts(device::AtaIdentityTexts(data.ataIdentify),
                                          device::AtaCapacitySectors(data.ataIdentify));
}

device::DriveIdentity ListedIdentity(const DriveView& drive) {
  if (drive.data.listed) return *drive.data.listed;
  return IdentityOfSlot(drive.data, drive.IsNvme());
}

std::optional<device::DriveIdentity> CurrentIdentity(DriveView& drive) {
  if (drive.IsNvme()) {
    std::vector<uint8_t> controller(kSlotNvmeIdentifySize, 0);
    std::vector<uint8_t> space(kSlotNvmeIdentifySize, 0);
    if (!drive.access.NvmeIdentify(controller, 0, true) ||
        !drive.access.NvmeIdentify(space, kFirstNamespace, false)) {
      return std::nullopt;
    }
    return device::DriveIdentity::FromTexts(device::NvmeIdentityTexts(controller),
                                            device::NvmeNamespaceBlocks(space));
  }
  std::vector<uint8_t> identify(device::kAtaSector, 0);
  if (!drive.access.IdentifyDevice(identify)) return std::nullopt;
  return device::DriveIdentity::FromTexts(device::AtaIdentityTexts(identify),
                                          device::AtaCapacitySectors(identify));
}

std::string RecheckIdentity(DriveView& drive) {
  return device::IdentityChangeRefusal(drive.DisplayName(), ListedIdentity(drive),
                                       CurrentIdentity(drive));
}

}  // namespace app
