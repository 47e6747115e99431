#pragma once
// How one VK4630 NVMe drive is built. Vk4630SettingsFor fills it from the
// disk's parsed lab.ini section; keys not given keep the defaults. Keys:
//
//   Model, Serial, Firmware        identify strings (40, 20, 8 characters)
//   PciVendor, PciDevice           PCI ids, hexadecimal (identify bytes 0-1,
//   PciSubVendor, PciSubDevice     control request E0001C28h)
//   ControllerName                 vendor read byte 496 (default "VK4630AA")
//   VendorPages                    1 or 2: pages of the vendor read (byte 4 of
//                                  page 0 asks for page 1)
//   VendorTag, VendorTagOffset     text placed in the last vendor page
//   FirmwareSlots                  1..7 (default 2); Slot1ReadOnly 0 or 1
//   Slot1..Slot7, ActiveSlot,      the slots as the tool first finds the drive:
//   NextSlot                       revisions staged in the other slots, the
//                                  running slot, the slot for the next reset
//   ActivationSilenceMs            no answer for this long after a commit that
//                                  activates at once
//   MaxImageKB                     largest firmware image taken (default 16384)
//   ImageVersionOffset             where an image without a CSS header keeps its
//                                  8-character revision (default 0xEFF0)
//   Eui64                          namespace EUI-64, hexadecimal
//   Temperature, AvailableSpare, SpareThreshold, PercentageUsed, PowerOnHours,
//   DataUnitsRead, DataUnitsWritten, MediaErrors      health log facts
//   MiniportLocation               answer to control request E0001C00h
//   FailCommands                   "06:2,C2:1+": admin opcodes failing at their n-th use
//   RejectDownloadChunk            n: the n-th Firmware Image Download fails
//   PowerLossAtDownloadChunk       n: power is lost during the n-th one
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "lab/config/disk_config.h"

namespace lab::drives {

struct Vk4630Settings {
  std::string model = "VKM NVMe SSD 512GB";
  std::string serial = "VK30000000000001";
  std::string firmware = "N0220A0";
  uint16_t pciVendor = 0x1F9F;
  uint16_t pciDevice = 0x4630;
  uint16_t pciSubVendor = 0x1F9F;
  uint16_t pciSubDevice = 0x4630;
  std::string controllerName = "VK4630AA";
  uint8_t vendorPages = 1;
  std::string vendorTag;
  size_t vendorTagOffset = 512;
  uint8_t firmwareSlots = 2;
  bool slot1ReadOnly = false;
  // Format NVM Attributes: bit 0 formats all namespaces as one, bit 1 erases
  // all namespaces as one.
  uint8_t fna = 0;
  static constexpr uint8_t kFnaFormatAll = 0x01;
  static constexpr uint8_t kFnaEraseAll = 0x02;
  ActivationReset activationReset = ActivationReset::kController;
  std::array<std::string, kLabFirmwareSlots> factorySlots;  // empty: no image
  uint8_t factoryActiveSlot = 1;
  uint8_t factoryNextSlot = 0;
  uint32_t activationSilenceMs = 0;
  uint32_t maxImageBytes = 16u << 20;
  size_t imageVersionOffset = 0xEFF0;
  uint64_t eui64 = 0x001F9F4630000001ull;

  uint8_t temperature = 38;  // Celsius
  uint8_t availableSpare = 100;
  uint8_t spareThreshold = 10;
  uint8_t percentageUsed = 1;
  // Critical warning bits the controller reports beside the ones it works out
  // itself (spare under its threshold, temperature).
  uint8_t criticalWarning = 0;
  uint64_t powerOnHours = 0;
  uint64_t dataUnitsRead = 0;
  uint64_t dataUnitsWritten = 0;
  uint64_t mediaErrors = 0;
  uint32_t miniportLocation = 0;

  std::vector<FaultRule> failCommands;
  uint32_t rejectDownloadChunk = 0;
  uint32_t powerLossAtDownloadChunk = 0;
};

Vk4630Settings Vk4630SettingsFor(const DiskConfig& disk, const Vk4630Settings& defaults = {});

}  // namespace lab::drives
