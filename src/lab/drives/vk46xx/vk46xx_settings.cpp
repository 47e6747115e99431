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

uint8_t Byte(const common::IniFile& ini, std::string_view section, std::string_view key,
             uint8_t def) {
  return static_cast<uint8_t>(ReadRanged(ini, section, key, def, 0, 0xFF));
}

std::vector<uint8_t> Bytes(const common::IniFile& ini, std::string_view section,
                           std::string_view key, const std::vector<uint8_t>& def, size_t size) {
  if (!ini.ValueExists(section, key)) return def;
  const auto v = ParseHexBytes(ini.ReadString(section, key, ""));
  return v && v->size() == size ? *v : def;
}

}  // namespace

std::string_view VkModeName(VkMode mode) {
  switch (mode) {
    case VkMode::kIsp:
      return "ISP";
    case VkMode::kMpIsp:
      return "MPISP";
    case VkMode::kRomDe:
      return "ROMDE";
    case VkMode::kNormal:
      break;
  }
  return "Normal";
}

std::optional<VkMode> VkModeFromName(std::string_view name) {
  for (VkMode m : {VkMode::kNormal, VkMode::kIsp, VkMode::kMpIsp, VkMode::kRomDe}) {
    if (common::EqualsNoCase(common::TrimView(name), VkModeName(m))) return m;
  }
  return std::nullopt;
}

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

Vk46xxSettings ReadVk46xxSettings(const common::IniFile& ini, std::string_view section) {
  const VkController controller = VkControllerFromName(ini.ReadString(section, "Controller", ""))
                                      .value_or(VkController::kVk4610Xt);
  const Vk46xxSettings d = Vk46xxDefaults(controller);
  Vk46xxSettings s = d;
  s.ata = ReadAtaDriveSettings(ini, section, d.ata);
  s.mode = VkModeFromName(ini.ReadString(section, "Mode", "")).value_or(d.mode);

  s.fwTag = ini.ValueExists(section, "FwTag") ? ini.ReadString(section, "FwTag", "").substr(0, 6)
                                              : d.fwTag;
  s.retryTag = ini.ValueExists(section, "RetryTag")
                   ? ini.ReadString(section, "RetryTag", "").substr(0, 2)
                   : d.retryTag;
  s.nandMaker = Byte(ini, section, "NandMakerCode", d.nandMaker);
  s.planeMode = Byte(ini, section, "PlaneMode", d.planeMode);
  s.capacityCode = Bytes(ini, section, "CapacityCode", d.capacityCode, 2);
  s.unitSectors =
      static_cast<uint8_t>(ReadRanged(ini, section, "UnitSectors", d.unitSectors, 1, 0xFF));
  s.bootParam = Byte(ini, section, "BootParam", d.bootParam);
  s.bootParams = Bytes(ini, section, "BootParams", d.bootParams, 3);
  s.validTlcPages =
      static_cast<uint16_t>(ReadRanged(ini, section, "ValidTlcPages", d.validTlcPages, 0, 0xFFFF));
  s.paramPatches = ParseBytePatches(ini.ReadString(section, "ParamBytes", ""));

  s.dieText = ReadText(ini, section, "DieText", d.dieText, 63);
  s.flashByte2400 = Byte(ini, section, "FlashByte2400", d.flashByte2400);
  s.flashByte2490 = Byte(ini, section, "FlashByte2490", d.flashByte2490);
  s.planeCount = Byte(ini, section, "PlaneCount", d.planeCount);
  s.retryTable = Byte(ini, section, "RetryTable", d.retryTable);
  s.flashPatches = ParseBytePatches(ini.ReadString(section, "FlashBytes", ""));

  s.romId = ReadText(ini, section, "RomId", d.romId, 8);
  s.hwId = static_cast<uint8_t>(ReadRanged(ini, section, "HwId", d.hwId, 0, 7));
  s.reg10001150 = Byte(ini, section, "Reg10001150", d.reg10001150);
  s.reg50000060 = Byte(ini, section, "Reg50000060", d.reg50000060);
  s.cid = Bytes(ini, section, "Cid", d.cid, kCidSize);
  s.downloadNeedsPrep = ReadRanged(ini, section, "DownloadNeedsPrep", 0, 0, 1) != 0;

  if (ini.ValueExists(section, "CommandLbas")) {
    std::vector<uint64_t> lbas;
    for (const std::string& e : common::Split(ini.ReadString(section, "CommandLbas", ""), ',')) {
      const auto v = ParseHex32(e);
      if (v && (*v == 0x55AA || *v == 0x789)) lbas.push_back(*v);
    }
    if (!lbas.empty()) s.commandLbas = lbas;
  }
  s.noEcho = ReadRanged(ini, section, "NoEcho", 0, 0, 1) != 0;
  s.failVendorCommands = ReadText(ini, section, "FailVendorCommands", "", 256);

  // The download framing unit is the parameter block's unit.
  s.ata.dmUnitBytes = uint32_t{s.unitSectors} * 512;
  return s;
}

}  // namespace lab::drives
