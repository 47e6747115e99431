#include "scan/device_table.h"

#include <stdexcept>

namespace app {

void SlotData::ClearReadData() {
  profileIndex = -1;
  systemDisk = false;
  diskNumber = -1;
  ataIdentify.fill(0);
  smartData.fill(0);
  parameterBlock.fill(0);
  nvmeIdentifyController.fill(0);
  nvmeIdentifyNamespace.fill(0);
  nvmeVendorInfo.fill(0);
  listed.reset();
}

DeviceTable::DeviceTable() {
  for (auto& slot : slots_) slot = std::make_unique<DeviceSlot>();
}

void DeviceTable::CommitCandidate() {
  if (deviceCount_ < kMaxDeviceSlots) ++deviceCount_;
}

DeviceSlot& DeviceTable::Slot(int index) {
  if (index < 0 || index >= kMaxDeviceSlots) throw std::out_of_range("device slot index");
  return *slots_[static_cast<size_t>(index)];
}

const DeviceSlot& DeviceTable::Slot(int index) const {
  if (index < 0 || index >= kMaxDeviceSlots) throw std::out_of_range("device slot index");
  return *slots_[static_cast<size_t>(index)];
}

void DeviceTable::ClearCurrentFirmware() {
  for (auto& slot : slots_) slot->data.ClearCurrentFirmware();
}

}  // namespace app
