#include "lab/drives/vk46xx/vk46xx_settings.h"

#include "common/text.h"

namespace lab::drives {

namespace {

std::vector<uint8_t> FactoryCid(VkController controller) {
  // A plausible record: temperature offset 0, flash clock CLK_200, drive
  // strengths, SMART switches, PHY values; byte 0x41 bit 0 asks the updater to
  // compare CIDs.
  std::vector<uint8_t> cid(kCidSize, 0);
  cid[18] = 0x20;
  cid[19] = 0x00;
  for (size_t at : {20, 24, 28, 32}) cid[at] = 0x04;
  for (size_t at : {22, 26, 30, 34}) cid[at] = 0x06;
  cid[48] = 0x5A;
  cid[57] = 0x12;
  cid[62] = 0x01;
  cid[63] = 0x08;
  cid[64] = controller == VkController::kVk4610Xt ? 0x10 : 0x20;
  cid[65] = 0x01;
  cid[68] = 0x0A;
  cid[69] = 0x0A;
  cid[70] = 0x0A;
  cid[71] = 0x14;
  cid[72] = 0x14;
  cid[73] = 0x14;
  cid[75] = 0x28;
  cid[92] = 0x4B;
  cid[93] = 0x46;
  cid[94] = 0x50;
  cid[95] = 0x4F;
  for (size_t i = 96; i < 124; ++i) cid[i] = static_cast<uint8_t>(i * 7 + 3);
  return cid;
}

template <typename T, typename U>
void Take(const std::optional<U>& given, T& field) {
  if (given) field = static_cast<T>(*given);
}

}  // namespace

std::optional<VkController> VkControllerFromName(std::string_view name) {
  const std::string_view n = common::TrimView(name);
  if (common::EqualsNoCase(n, "VK4610XT")) return VkController::kVk4610Xt;
  if (common::EqualsNoCase(n, "VK4620XT")) return VkController::kVk4620Xt;
  if (common::EqualsNoCase(n, "VK4620XT2")) return VkController::kVk4620Xt2;
  return std::nullopt;
}

Vk46xxSettings Vk46xxDefaults(VkController controller) {
  Vk46xxSettings s;
  s.controller = controller;
  s.cid = FactoryCid(controller);
  AtaDriveSettings& a = s.ata;
  a.features.dmMaxBlocks = 512;
  a.features.wwn = 0x5001B44000000000ull;
  switch (controller) {
    case VkController::kVk4610Xt:
      a.model = "VKM SSD 128GB";
      a.serial = "VK10XT0000000001";
      a.firmware = "S0130A0";
      a.smartTag.text = "VKM4610XT";
      s.fwTag = " F1Z2 ";
      s.retryTag = "01";
      s.dieText = "1Z2 MLC 4die 2CE";
      s.romId = "4610AB";
      s.hwId = 1;
      s.nandMaker = 0x45;
      break;
    case VkController::kVk4620Xt:
      a.model = "VKM SSD 256GB";
      a.serial = "VK20XT0000000001";
      a.firmware = "S0220A0";
      a.smartTag.text = "VKM4620XT";
      s.fwTag = "FBiCS4";
      s.retryTag = "02";
      s.dieText = "BiCS4 TLC 4die 2CE";
      s.romId = "4620AB";
      s.hwId = 1;
      break;
    case VkController::kVk4620Xt2:
      a.model = "VKM SSD 512GB";
      a.serial = "VK20X20000000001";
      a.firmware = "S0301A0";
      a.smartTag.text = "VKM4620XT2";
      s.fwTag = "FBiCS5";
      s.retryTag = "03";
      s.dieText = "BiCS5 TLC 8die 4CE";
      s.romId = "4620AC";
      s.hwId = 2;
      s.capacityCode = {4, 1};
      break;
  }
  a.dmUnitBytes = uint32_t{s.unitSectors} * 512;
  return s;
}

Vk46xxSettings Vk46xxSettingsFor(const DiskConfig& disk) {
  const VkController controller =
      VkControllerFromName(disk.controller).value_or(VkController::kVk4610Xt);
  const Vk46xxSettings d = Vk46xxDefaults(controller);
  Vk46xxSettings s = d;
  s.ata = AtaSettingsFor(disk, d.ata);
  const Vk46xxKeys& k = disk.drive.vk46xx;
  Take(k.mode, s.mode);
  Take(k.fwTag, s.fwTag);
  Take(k.retryTag, s.retryTag);
  Take(k.nandMakerCode, s.nandMaker);
  Take(k.planeMode, s.planeMode);
  Take(k.capacityCode, s.capacityCode);
  Take(k.unitSectors, s.unitSectors);
  Take(k.bootParam, s.bootParam);
  Take(k.bootParams, s.bootParams);
  Take(k.validTlcPages, s.validTlcPages);
  Take(k.paramBytes, s.paramPatches);

  Take(k.dieText, s.dieText);
  Take(k.flashByte2400, s.flashByte2400);
  Take(k.flashByte2490, s.flashByte2490);
  Take(k.planeCount, s.planeCount);
  Take(k.retryTable, s.retryTable);
  Take(k.flashBytes, s.flashPatches);

  Take(k.romId, s.romId);
  Take(k.hwId, s.hwId);
  Take(k.reg10001150, s.reg10001150);
  Take(k.reg50000060, s.reg50000060);
  Take(k.cid, s.cid);
  s.retryData = k.retryData;
  Take(k.downloadNeedsPrep, s.downloadNeedsPrep);
  Take(k.commandLbas, s.commandLbas);
  Take(k.noEcho, s.noEcho);
  Take(k.failVendorCommands, s.failVendorCommands);

  // The download framing unit is the parameter block's unit.
  s.ata.dmUnitBytes = uint32_t{s.unitSectors} * 512;
  return s;
}

}  // namespace lab::drives
