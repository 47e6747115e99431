#include "lab/drives/vk4630/vk4630_settings.h"

#include "lab/drives/value_text.h"

namespace lab::drives {

namespace {

uint16_t Hex16(const common::IniFile& ini, std::string_view section, std::string_view key,
               uint16_t def) {
  if (!ini.ValueExists(section, key)) return def;
  std::string v = ini.ReadString(section, key, "");
  if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) v = v.substr(2);
  const auto n = ParseHex32(v);
  return n && *n <= 0xFFFF ? static_cast<uint16_t>(*n) : def;
}

template <typename T>
T Ranged(const common::IniFile& ini, std::string_view section, std::string_view key, T def,
         uint64_t min, uint64_t max) {
  return static_cast<T>(ReadRanged(ini, section, key, def, min, max));
}

}  // namespace

Vk4630Settings ReadVk4630Settings(const common::IniFile& ini, std::string_view section,
                                  const Vk4630Settings& d) {
  Vk4630Settings s = d;
  s.model = ReadText(ini, section, "Model", d.model, 40);
  s.serial = ReadText(ini, section, "Serial", d.serial, 20);
  s.firmware = ReadText(ini, section, "Firmware", d.firmware, 8);
  s.pciVendor = Hex16(ini, section, "PciVendor", d.pciVendor);
  s.pciDevice = Hex16(ini, section, "PciDevice", d.pciDevice);
  s.pciSubVendor = Hex16(ini, section, "PciSubVendor", d.pciSubVendor);
  s.pciSubDevice = Hex16(ini, section, "PciSubDevice", d.pciSubDevice);
  s.controllerName = ReadText(ini, section, "ControllerName", d.controllerName, 16);
  s.vendorPages = Ranged<uint8_t>(ini, section, "VendorPages", d.vendorPages, 1, 2);
  s.vendorTag = ReadText(ini, section, "VendorTag", d.vendorTag, 64);
  s.vendorTagOffset = Ranged<size_t>(ini, section, "VendorTagOffset", d.vendorTagOffset, 0, 2047);
  s.firmwareSlots = Ranged<uint8_t>(ini, section, "FirmwareSlots", d.firmwareSlots, 1, 7);
  s.slot1ReadOnly = ReadRanged(ini, section, "Slot1ReadOnly", d.slot1ReadOnly ? 1 : 0, 0, 1) != 0;
  s.maxImageBytes = static_cast<uint32_t>(
      ReadRanged(ini, section, "MaxImageKB", d.maxImageBytes / 1024, 4, 262144) * 1024);
  s.imageVersionOffset =
      Ranged<size_t>(ini, section, "ImageVersionOffset", d.imageVersionOffset, 0, 0x10000000);
  s.eui64 = ReadRanged(ini, section, "Eui64", d.eui64, 0, UINT64_MAX);
  if (ini.ValueExists(section, "Eui64")) {
    std::string v = ini.ReadString(section, "Eui64", "");
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) v = v.substr(2);
    if (const auto b = ParseHexBytes(v); b && b->size() == 8) {
      s.eui64 = 0;
      for (uint8_t x : *b) s.eui64 = s.eui64 << 8 | x;
    }
  }
  s.temperature = Ranged<uint8_t>(ini, section, "Temperature", d.temperature, 0, 150);
  s.availableSpare = Ranged<uint8_t>(ini, section, "AvailableSpare", d.availableSpare, 0, 100);
  s.spareThreshold = Ranged<uint8_t>(ini, section, "SpareThreshold", d.spareThreshold, 0, 100);
  s.percentageUsed = Ranged<uint8_t>(ini, section, "PercentageUsed", d.percentageUsed, 0, 255);
  s.powerOnHours = ReadRanged(ini, section, "PowerOnHours", d.powerOnHours, 0, UINT64_MAX);
  s.dataUnitsRead = ReadRanged(ini, section, "DataUnitsRead", d.dataUnitsRead, 0, UINT64_MAX);
  s.dataUnitsWritten =
      ReadRanged(ini, section, "DataUnitsWritten", d.dataUnitsWritten, 0, UINT64_MAX);
  s.mediaErrors = ReadRanged(ini, section, "MediaErrors", d.mediaErrors, 0, UINT64_MAX);
  s.miniportLocation =
      Ranged<uint32_t>(ini, section, "MiniportLocation", d.miniportLocation, 0, UINT32_MAX);
  s.failCommands = ReadText(ini, section, "FailCommands", d.failCommands, 256);
  s.rejectDownloadChunk =
      Ranged<uint32_t>(ini, section, "RejectDownloadChunk", d.rejectDownloadChunk, 0, UINT32_MAX);
  s.powerLossAtDownloadChunk = Ranged<uint32_t>(ini, section, "PowerLossAtDownloadChunk",
                                                d.powerLossAtDownloadChunk, 0, UINT32_MAX);
  return s;
}

}  // namespace lab::drives
