#include "lab/drives/vk46xx/vk46xx_blocks.h"

#include <algorithm>

#include "common/bytes.h"

namespace lab::drives {

namespace {

void PutText(std::span<uint8_t> block, size_t offset, std::string_view text, size_t max) {
  for (size_t i = 0; i < text.size() && i < max && offset + i < block.size(); ++i) {
    block[offset + i] = static_cast<uint8_t>(text[i]);
  }
}

// Blank-padded to exactly n characters.
std::string Padded(std::string_view text, size_t n) {
  std::string s(text.substr(0, n));
  s.resize(n, ' ');
  return s;
}

std::vector<uint8_t> NandId(uint8_t maker) {
  switch (maker) {
    case 0x98:
      return {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x1C};
    case 0x45:
      return {0x45, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08, 0x1C};
    default:
      return {maker, 0x3C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  }
}

}  // namespace

std::string_view ModeSectorName(VkController controller) {
  switch (controller) {
    case VkController::kVk4620Xt:
      return "VK4620XT";
    case VkController::kVk4620Xt2:
      return "VK4620XA";
    case VkController::kVk4610Xt:
      break;
  }
  return "VK4610XT";
}

std::string_view ParameterSignature(VkController controller) {
  return controller == VkController::kVk4610Xt ? "VK4610PARA" : "VK4620PARA";
}

Sector BuildModeSector(const Vk46xxSettings& s, VkMode running, const std::string& firmware) {
  Sector m{};
  if (running != VkMode::kNormal) PutText(m, mode_sector::kModeText, VkModeName(running), 8);
  PutText(m, mode_sector::kMagic, "VKMMODE", 8);
  m[mode_sector::kModeCode] = static_cast<uint8_t>(running);
  PutText(m, mode_sector::kFirmware, Padded(firmware, 8), 8);
  PutText(m, mode_sector::kName, ModeSectorName(s.controller), 8);
  PutText(m, mode_sector::kRomId, s.romId, 8);
  PutText(m, mode_sector::kSerial, s.ata.serial, 20);
  return m;
}

std::vector<uint8_t> BuildParameterBlock(const Vk46xxSettings& s, const std::string& firmware,
                                         uint64_t sectors) {
  std::vector<uint8_t> p(param::kSize, 0);
  PutText(p, param::kSignature, ParameterSignature(s.controller), 10);
  p[param::kPlaneMode] = s.planeMode;
  for (size_t i = 0; i < s.capacityCode.size() && i < 2; ++i)
    p[param::kCapacityCode + i] = s.capacityCode[i];
  p[param::kChannels] = s.channels;
  p[param::kCePerChannel] = s.cePerChannel;
  p[param::kDiesPerCe] = s.diesPerCe;
  p[param::kUnitSectors] = s.unitSectors;
  p[param::kBootParam] = s.bootParam;
  common::WriteLe16(p, param::kValidTlcPages, s.validTlcPages);
  common::WriteLe64(p, param::kCapacitySectors, sectors);
  p[param::kNandMaker] = s.nandMaker;
  for (size_t i = 0; i < s.bootParams.size() && i < 3; ++i)
    p[param::kBootParams + i] = s.bootParams[i];
  PutText(p, param::kIdentity, Padded(firmware, 8), 8);
  PutText(p, param::kRetryTag, s.retryTag, 2);
  PutText(p, param::kFwTag, s.fwTag, 6);
  ApplyBytePatches(p, s.paramPatches);
  return p;
}

std::vector<uint8_t> BuildFlashInfoBlock(const Vk46xxSettings& s, const Sector& identify) {
  std::vector<uint8_t> f(flash::kSize, 0);
  std::copy(identify.begin(), identify.end(), f.begin() + flash::kIdentifyTemplate);
  PutText(f, flash::kMagic, "VKMFLASH", 8);
  const auto id = s.nandId.empty() ? NandId(s.nandMaker) : s.nandId;
  std::copy_n(id.begin(), std::min<size_t>(id.size(), 16), f.begin() + flash::kNandId);
  PutText(f, flash::kDieText, s.dieText, 63);  // the block is zeroed: NUL follows
  f[flash::kByte2400] = s.flashByte2400;
  f[flash::kByte2490] = s.flashByte2490;
  f[flash::kGeometry] = s.channels;
  f[flash::kGeometry + 1] = s.cePerChannel;
  common::WriteLe16(f, flash::kGeometry + 2, s.pageSize);
  common::WriteLe16(f, flash::kGeometry + 4, s.pagesPerBlock);
  f[flash::kGeometry + 6] = s.diesPerCe;
  f[flash::kPlaneCount] = s.planeCount;
  f[flash::kRetryTable] = s.retryTable;
  ApplyBytePatches(f, s.flashPatches);
  return f;
}

std::vector<uint8_t> BuildVendorIdentify(const Vk46xxSettings& s, VkMode running,
                                         const std::string& firmware, uint64_t sectors) {
  std::vector<uint8_t> v(kVendorIdentifySize, 0);
  PutText(v, 0, "VKMVID", 8);
  PutText(v, 8, ModeSectorName(s.controller), 8);
  PutText(v, 16, Padded(firmware, 8), 8);
  PutText(v, 24, Padded(s.ata.serial, 20), 20);
  PutText(v, 44, Padded(s.ata.model, 40), 40);
  common::WriteLe64(v, 84, sectors);
  v[92] = static_cast<uint8_t>(running);
  v[93] = s.hwId;
  PutText(v, 96, s.romId, 8);
  PutText(v, 104, ParameterSignature(s.controller), 10);
  return v;
}

std::vector<uint8_t> BuildEraseStatus(uint8_t subOpcode, bool ok, uint64_t sectors) {
  std::vector<uint8_t> e(kEraseStatusSize, 0);
  PutText(e, 0, "VKMERASE", 8);
  e[8] = subOpcode;
  e[9] = ok ? 0x00 : 0xFF;
  common::WriteLe64(e, 16, ok ? sectors : 0);
  return e;
}

}  // namespace lab::drives
