#include "device/ata/ata_commands.h"

#include "device/ata/ata_pass_thru.h"

namespace device {
namespace {

constexpr uint8_t kCmdIdentify = 0xEC;
constexpr uint8_t kCmdSmart = 0xB0;
constexpr uint8_t kSmartEnable = 0xD8;
constexpr uint8_t kSmartReadData = 0xD0;
constexpr uint8_t kSmartReadThresholds = 0xD1;
constexpr uint8_t kSmartLbaMid = 0x4F;
constexpr uint8_t kSmartLbaHigh = 0xC2;
constexpr uint8_t kCmdReadDma = 0xC8;
constexpr uint8_t kCmdReadSectors = 0x20;
constexpr uint8_t kCmdWriteDma = 0xCA;
constexpr uint8_t kCmdWriteSectors = 0x30;
constexpr uint8_t kCmdDownloadPio = 0x92;
constexpr uint8_t kCmdDownloadDma = 0x93;
constexpr uint8_t kCmdSecuritySetPassword = 0xF1;
constexpr uint8_t kCmdSecurityErasePrepare = 0xF3;
constexpr uint8_t kCmdSecurityEraseUnit = 0xF4;
constexpr uint8_t kCmdSecurityDisablePassword = 0xF6;
constexpr uint8_t kDeviceLba = 0xE0;
constexpr uint8_t kDeviceSmart = 0xA0;

constexpr uint16_t kFlagsIn = os::ATA_FLAGS_DATA_IN;
constexpr uint16_t kFlagsOut = os::ATA_FLAGS_DATA_OUT;
constexpr uint16_t kFlagsDmaIn = os::ATA_FLAGS_USE_DMA | os::ATA_FLAGS_DATA_IN;        // 12
constexpr uint16_t kFlagsPioIn = os::ATA_FLAGS_NO_MULTIPLE | os::ATA_FLAGS_DATA_IN;    // 22
constexpr uint16_t kFlagsDmaOut = os::ATA_FLAGS_USE_DMA | os::ATA_FLAGS_DATA_OUT;      // 14
constexpr uint16_t kFlagsPioOut = os::ATA_FLAGS_NO_MULTIPLE | os::ATA_FLAGS_DATA_OUT;  // 24

void Put(uint8_t* tf, const AtaRegisters& r) {
  tf[os::kTaskFileFeatures] = static_cast<uint8_t>(r.features);
  tf[os::kTaskFileCount] = static_cast<uint8_t>(r.count);
  tf[os::kTaskFileLbaLow] = static_cast<uint8_t>(r.lbaLow);
  tf[os::kTaskFileLbaMid] = static_cast<uint8_t>(r.lbaMid);
  tf[os::kTaskFileLbaHigh] = static_cast<uint8_t>(r.lbaHigh);
  tf[os::kTaskFileDevice] = static_cast<uint8_t>(r.device);
  tf[os::kTaskFileCommand] = static_cast<uint8_t>(r.command);
}

AtaRegisters Get(const uint8_t* tf) {
  return AtaRegisters{tf[os::kTaskFileFeatures], tf[os::kTaskFileCount],   tf[os::kTaskFileLbaLow],
                      tf[os::kTaskFileLbaMid],   tf[os::kTaskFileLbaHigh], tf[os::kTaskFileDevice],
                      tf[os::kTaskFileCommand]};
}

os::ATA_PASS_THROUGH_DIRECT Block(uint16_t flags, const AtaRegisters& regs) {
  os::ATA_PASS_THROUGH_DIRECT block{};
  block.AtaFlags = flags;
  Put(block.CurrentTaskFile, regs);
  return block;
}

// Sector length of `count` (24 bits) sectors; false when the buffer is short.
bool SectorBytes(uint32_t count, size_t bufferSize, size_t* length) {
  *length = size_t{count & 0xFFFFFF} * kAtaSector;
  return *length <= bufferSize;
}

AtaRegisters SectorRegisters(uint32_t lba, uint32_t count, uint8_t command) {
  return AtaRegisters{0,
                      count & 0xFF,
                      lba & 0xFF,
                      (lba >> 8) & 0xFF,
                      (lba >> 16) & 0xFF,
                      static_cast<uint32_t>(kDeviceLba | ((lba >> 24) & 0x0F)),
                      command};
}

}  // namespace

bool AtaIdentifyDevice(StorageDevice& dev, std::span<uint8_t> out) {
  if (out.size() < kAtaSector) return false;
  auto block = Block(kFlagsIn, AtaRegisters{0, 1, 0, 0, 0, kDeviceLba, kCmdIdentify});
  return AtaPassThru(dev, out.first(kAtaSector), block, true);
}

bool AtaSmartEnableOperations(StorageDevice& dev) {
  auto block =
      Block(os::ATA_FLAGS_DRDY_REQUIRED,
            AtaRegisters{kSmartEnable, 0, 0, kSmartLbaMid, kSmartLbaHigh, kDeviceSmart, kCmdSmart});
  return AtaPassThru(dev, {}, block, true);
}

bool AtaSmartReadData(StorageDevice& dev, std::span<uint8_t> out) {
  if (out.size() < kAtaSector) return false;
  auto block = Block(kFlagsIn, AtaRegisters{kSmartReadData, 1, 1, kSmartLbaMid, kSmartLbaHigh,
                                            kDeviceSmart, kCmdSmart});
  return AtaPassThru(dev, out.first(kAtaSector), block, true);
}

bool AtaSmartReadThresholds(StorageDevice& dev, std::span<uint8_t> out) {
  if (out.size() < kAtaSector) return false;
  auto block = Block(kFlagsIn, AtaRegisters{kSmartReadThresholds, 1, 1, kSmartLbaMid, kSmartLbaHigh,
                                            kDeviceSmart, kCmdSmart});
  return AtaPassThru(dev, out.first(kAtaSector), block, true);
}

bool AtaReadSectors(StorageDevice& dev, uint32_t lba, uint32_t count, std::span<uint8_t> buffer,
                    bool dma, AtaRegisters* result) {
  size_t length = 0;
  if (!SectorBytes(count, buffer.size(), &length)) return false;
  auto block = Block(dma ? kFlagsDmaIn : kFlagsPioIn,
                     SectorRegisters(lba, count, dma ? kCmdReadDma : kCmdReadSectors));
  const bool ok = AtaPassThru(dev, buffer.first(length), block, true);
  if (result != nullptr) *result = Get(block.CurrentTaskFile);
  return ok;
}

bool AtaWriteSectors(StorageDevice& dev, uint32_t lba, uint32_t count,
                     std::span<const uint8_t> buffer, bool dma) {
  size_t length = 0;
  if (!SectorBytes(count, buffer.size(), &length)) return false;
  auto block = Block(dma ? kFlagsDmaOut : kFlagsPioOut,
                     SectorRegisters(lba, count, dma ? kCmdWriteDma : kCmdWriteSectors));
  return AtaPassThruOut(dev, buffer.first(length), block, false);
}

bool AtaDownloadMicrocode(StorageDevice& dev, uint8_t subcommand, uint32_t offset, uint32_t count,
                          std::span<const uint8_t> data, bool dma, AtaRegisters* result) {
  if (data.empty()) return false;
  constexpr uint8_t kActivate = 0x0F;
  AtaRegisters regs{subcommand, 0, 0, 0, 0, kDeviceLba, dma ? kCmdDownloadDma : kCmdDownloadPio};
  if (subcommand == 0x03 || subcommand == 0x07 || subcommand == 0x0E) {
    regs.count = count & 0xFF;
    regs.lbaLow = (count >> 8) & 0xFF;
    regs.lbaMid = offset & 0xFF;
    regs.lbaHigh = (offset >> 8) & 0xFF;
  }
  uint16_t flags = dma ? kFlagsDmaOut : kFlagsPioOut;
  size_t length = size_t{count} * kAtaSector;
  if (subcommand == kActivate) {
    flags = os::ATA_FLAGS_DRDY_REQUIRED;
    length = 0;
  }
  if (length > data.size()) return false;
  auto block = Block(flags, regs);
  const bool ok = AtaPassThruOut(dev, data.first(length), block, false);
  if (result != nullptr) *result = Get(block.CurrentTaskFile);
  return ok;
}

bool AtaGenericDataIn(StorageDevice& dev, AtaRegisters& regs, const AtaRegisters& previous,
                      uint32_t sectors, std::span<uint8_t> buffer, bool dma, bool ext48) {
  const size_t length = size_t{sectors} * kAtaSector;
  if (length > buffer.size()) return false;
  uint16_t flags = dma ? kFlagsDmaIn : kFlagsPioIn;
  if (sectors == 0) flags &= static_cast<uint16_t>(~kFlagsIn);
  if (ext48) flags |= os::ATA_FLAGS_48BIT_COMMAND;
  auto block = Block(flags, regs);
  if (ext48) Put(block.PreviousTaskFile, previous);
  const bool ok = AtaPassThru(dev, buffer.first(length), block, true);
  regs = Get(block.CurrentTaskFile);
  return ok;
}

bool AtaGenericDataOut(StorageDevice& dev, AtaRegisters& regs, const AtaRegisters& previous,
                       uint32_t sectors, std::span<const uint8_t> buffer, bool dma, bool ext48) {
  const size_t length = size_t{sectors} * kAtaSector;
  if (length > buffer.size()) return false;
  uint16_t flags = dma ? kFlagsDmaOut : kFlagsPioOut;
  if (sectors == 0) flags &= static_cast<uint16_t>(~kFlagsOut);
  if (ext48) flags |= os::ATA_FLAGS_48BIT_COMMAND;
  auto block = Block(flags, regs);
  if (ext48) Put(block.PreviousTaskFile, previous);
  const bool ok = AtaPassThruOut(dev, buffer.first(length), block, true);
  regs = Get(block.CurrentTaskFile);
  return ok;
}

int AtaSecuritySetPassword(StorageDevice& dev, std::span<const uint8_t> block) {
  if ((dev.devAttribute & STORAGE_ATA) == 0) return 1;
  AtaRegisters regs{0, 1, 0, 0, 0, kDeviceLba, kCmdSecuritySetPassword};
  return AtaGenericDataOut(dev, regs, {}, 1, block, false, false) ? 0 : 1;
}

int AtaSecurityErasePrepare(StorageDevice& dev) {
  if ((dev.devAttribute & STORAGE_ATA) == 0) return 1;
  AtaRegisters regs{0, 0, 0, 0, 0, kDeviceLba, kCmdSecurityErasePrepare};
  return AtaGenericDataIn(dev, regs, {}, 0, {}, false, false) ? 0 : 1;
}

int AtaSecurityEraseUnit(StorageDevice& dev, std::span<const uint8_t> block) {
  if ((dev.devAttribute & STORAGE_ATA) == 0) return 1;
  AtaRegisters regs{0, 1, 0, 0, 0, kDeviceLba, kCmdSecurityEraseUnit};
  return AtaGenericDataOut(dev, regs, {}, 1, block, false, false) ? 0 : 1;
}

int AtaSecurityDisablePassword(StorageDevice& dev, std::span<const uint8_t> block) {
  if ((dev.devAttribute & STORAGE_ATA) == 0) return 1;
  AtaRegisters regs{0, 1, 0, 0, 0, kDeviceLba, kCmdSecurityDisablePassword};
  return AtaGenericDataOut(dev, regs, {}, 1, block, false, false) ? 0 : 1;
}

}  // namespace device
