#include "lab/drives/vk4630/vk4630_settings.h"

namespace lab::drives {

namespace {

template <typename T, typename U>
void Take(const std::optional<U>& given, T& field) {
  if (given) field = static_cast<T>(*given);
}

}  // namespace

Vk4630Settings Vk4630SettingsFor(const DiskConfig& disk, const Vk4630Settings& d) {
  Vk4630Settings s = d;
  if (!disk.model.empty()) s.model = disk.model;
  if (!disk.serial.empty()) s.serial = disk.serial;
  if (!disk.firmware.empty()) s.firmware = disk.firmware;
  s.pciVendor = disk.pciVendor;
  s.pciDevice = disk.pciDevice;
  const DriveKeys& all = disk.drive;
  const Vk4630Keys& k = all.vk4630;
  Take(k.pciSubVendor, s.pciSubVendor);
  Take(k.pciSubDevice, s.pciSubDevice);
  Take(k.controllerName, s.controllerName);
  Take(k.vendorPages, s.vendorPages);
  Take(k.vendorTag, s.vendorTag);
  Take(k.vendorTagOffset, s.vendorTagOffset);
  Take(k.firmwareSlots, s.firmwareSlots);
  Take(k.slot1ReadOnly, s.slot1ReadOnly);
  Take(k.fna, s.fna);
  Take(k.activationReset, s.activationReset);
  for (size_t i = 0; i < s.factorySlots.size(); ++i) Take(k.slotRevisions[i], s.factorySlots[i]);
  Take(k.activeSlot, s.factoryActiveSlot);
  Take(k.nextSlot, s.factoryNextSlot);
  Take(k.activationSilenceMs, s.activationSilenceMs);
  if (k.maxImageKB) s.maxImageBytes = *k.maxImageKB * 1024;
  Take(k.imageVersionOffset, s.imageVersionOffset);
  Take(k.eui64, s.eui64);
  Take(all.temperature, s.temperature);
  Take(k.availableSpare, s.availableSpare);
  Take(k.spareThreshold, s.spareThreshold);
  Take(k.percentageUsed, s.percentageUsed);
  Take(k.criticalWarning, s.criticalWarning);
  Take(all.powerOnHours, s.powerOnHours);
  Take(k.dataUnitsRead, s.dataUnitsRead);
  Take(k.dataUnitsWritten, s.dataUnitsWritten);
  Take(k.mediaErrors, s.mediaErrors);
  Take(k.miniportLocation, s.miniportLocation);
  Take(all.failCommands, s.failCommands);
  Take(all.rejectDownloadChunk, s.rejectDownloadChunk);
  Take(all.powerLossAtDownloadChunk, s.powerLossAtDownloadChunk);
  return s;
}

}  // namespace lab::drives
