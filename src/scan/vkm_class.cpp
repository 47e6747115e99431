#include "scan/vkm_class.h"

#include <algorithm>

#include "device/core/fixed_text.h"

namespace app {

bool VKMClass::Attach(device::StorageDevice* dev) {
  if (dev == nullptr) return false;
  devAttribute_ = dev->devAttribute;
  devHaId_ = dev->devHaId;
  devTarget_ = dev->devTarget;
  devLun_ = dev->devLun;
  devOrder_ = dev->devOrder;
  device::SetFixedText(devName_, device::FixedText(dev->devName));
  if (IsNvmeDrive()) return controller::VK4630::Attach(dev);
  return controller::VK4540LT::Attach(dev);
}

void VKMClass::SetControllerName(std::string_view text, uint32_t n) {
  controller::VK4540LT::SetControllerName(text, n);
  controller::VK4630::SetControllerName(text, n);
}

bool VKMClass::SmartEnableOperations() {
  if (IsNvmeDrive()) return controller::VK4630::SmartEnableOperations();
  return controller::VK4540LT::SmartEnableOperations();
}

bool VKMClass::SmartReadData(std::span<uint8_t> out) {
  if (IsNvmeDrive()) return controller::VK4630::SmartReadData(out);
  return controller::VK4540LT::SmartReadData(out);
}

bool VKMClass::SmartReadThresholds(std::span<uint8_t> out) {
  return !IsNvmeDrive() && controller::VK4540LT::SmartReadThresholds(out);
}

void VKMClass::Close() {
  if (IsNvmeDrive()) {
    controller::VK4630::Close();
  } else {
    controller::VK4540LT::Close();
  }
}

bool VKMClass::IsOpen() const {
  return IsNvmeDrive() ? controller::VK4630::IsOpen() : controller::VK4540LT::IsOpen();
}

bool VKMClass::Ready() const {
  return IsNvmeDrive() ? controller::VK4630::Ready() : controller::VK4540LT::Ready();
}

device::StorageDevice* VKMClass::Drive() const {
  return IsNvmeDrive() ? controller::VK4630::Device() : controller::VK4540LT::Device();
}

int VKMClass::ReadParameterBlock(std::span<uint8_t> out) {
  // NVMe controllers have no parameter block behind the sector protocol.
  if (IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4540LT::ReadParameterBlock(out);
}

bool VKMClass::IdentifyDevice(std::span<uint8_t> out) {
  if (IsNvmeDrive()) return false;
  return controller::VK4540LT::IdentifyDevice(out);
}

int VKMClass::ModeQuery(int* mode, std::span<uint8_t> modeSector) {
  if (IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4540LT::ModeQuery(mode, modeSector);
}

int VKMClass::NvmeVendorRead(std::span<uint8_t> out, uint8_t selector) {
  if (!IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4630::VendorRead(out, selector);
}

bool VKMClass::NvmeIdentify(std::span<uint8_t> out, uint32_t nsid, bool controller) {
  if (!IsNvmeDrive()) return false;
  return controller::VK4630::Identify(out, nsid, controller);
}

int VKMClass::ReadSmartHealthLog(std::span<uint8_t> out) {
  if (!IsNvmeDrive()) return controller::kNvmeOpenFailed;
  return controller::VK4630::GetLogPage(out, kSmartHealthLogId, 0, kAllNamespaces, 0, 0);
}

int VKMClass::ReadFirmwareSlotLog(std::span<uint8_t> out) {
  if (!IsNvmeDrive()) return controller::kNvmeOpenFailed;
  return controller::VK4630::GetLogPage(out, kFirmwareSlotLogId, 0, kAllNamespaces, 0, 0);
}

uint16_t VKMClass::NvmeStatusCode() const { return controller::VK4630::StatusCode(); }

uint16_t VKMClass::NvmeStatusCodeType() const { return controller::VK4630::StatusCodeType(); }

void VKMClass::SetCommandTimeout(uint32_t seconds) {
  if (device::StorageDevice* d = Drive()) d->SetTimeout(seconds);
}

int VKMClass::SecuritySetPassword(std::span<const uint8_t> block) {
  return IsNvmeDrive() ? 1 : controller::VK4540LT::SecuritySetPassword(block);
}

int VKMClass::SecurityErasePrepare() {
  return IsNvmeDrive() ? 1 : controller::VK4540LT::SecurityErasePrepare();
}

int VKMClass::SecurityEraseUnit(std::span<const uint8_t> block) {
  return IsNvmeDrive() ? 1 : controller::VK4540LT::SecurityEraseUnit(block);
}

int VKMClass::SecurityDisablePassword(std::span<const uint8_t> block) {
  return IsNvmeDrive() ? 1 : controller::VK4540LT::SecurityDisablePassword(block);
}

int VKMClass::VendorErase(std::span<uint8_t> out, bool flag) {
  if (IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4540LT::ReadStatusBlock(out, flag);
}

int VKMClass::NvmeAdminCommand(std::span<const uint8_t, 64> image, std::span<uint8_t> data) {
  if (!IsNvmeDrive()) return kWrongAccessPath;
  controller::NvmeCommandImage command{};
  std::copy(image.begin(), image.end(), command.begin());
  return controller::VK4630::VendorCommand(command, data);
}

int VKMClass::ReadControllerMemory(uint32_t address, std::span<uint8_t> out) {
  if (IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4540LT::ReadMemory(address, out, true);
}

int VKMClass::WriteControllerMemory(uint32_t address, std::span<const uint8_t> data) {
  if (IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4540LT::WriteMemory(address, data, true);
}

int VKMClass::DMicrocode(uint8_t subcommand, uint32_t totalBlocks, uint32_t chunkBlocks,
                         std::span<const uint8_t> image, std::span<const uint8_t> identify,
                         bool dma, bool activate) {
  if (IsNvmeDrive()) return controller::kDmCommandFailed;
  return controller::VK4540LT::DMicrocode(subcommand, totalBlocks, chunkBlocks, image, identify, dma,
                                      activate);
}

int VKMClass::ReadSectors(uint32_t lba, uint32_t count, std::span<uint8_t> buffer) {
  if (IsNvmeDrive()) return controller::VK4630::ReadSectors(lba, count, buffer);
  return controller::VK4540LT::ReadSectorsOpening(lba, count, buffer);
}

int VKMClass::WriteSectors(uint32_t lba, uint32_t count, std::span<const uint8_t> buffer) {
  if (IsNvmeDrive()) return controller::VK4630::WriteSectors(lba, count, buffer);
  return controller::VK4540LT::WriteSectorsOpening(lba, count, buffer);
}

controller::VK4540LT* VKMClass::SataVendorObject() {
  if (IsNvmeDrive()) return nullptr;
  return this;
}

int VKMClass::NvmeFirmwareDownload(std::span<const uint8_t> piece, uint32_t offset) {
  if (!IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4630::FirmwareImageDownload(piece, offset);
}

int VKMClass::NvmeFirmwareCommit(uint32_t action, uint32_t slot) {
  if (!IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4630::FirmwareCommit(action, slot, false);
}

int VKMClass::NvmeVendorNoData(bool flag) {
  if (!IsNvmeDrive()) return kWrongAccessPath;
  return controller::VK4630::VendorNoData(flag);
}

std::string VKMClass::DevName() const { return device::FixedText(devName_); }

}  // namespace app
