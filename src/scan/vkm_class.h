#pragma once
// VKMClass: the application's per-drive object. It is both the SATA vendor
// object (VK4540LT) and the NVMe one (VK4630) and sends each routed call to the
// side that matches the bound drive's access path, so a slot can hold either
// kind of drive.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/core/storage_device.h"
#include "scan/drive_access.h"
#include "controller/nvme/vk4630.h"
#include "controller/sata/vk4540lt.h"

namespace app {

// What a routed call returns when the bound drive is on the other path (an
// ATA-only command on an NVMe drive, or the reverse): nothing is sent.
inline constexpr int kWrongAccessPath = -127;
inline constexpr size_t kDevNameSize = 50;
inline constexpr uint8_t kSmartHealthLogId = 0x02;
inline constexpr uint8_t kFirmwareSlotLogId = 0x03;
inline constexpr uint32_t kAllNamespaces = 0xFFFFFFFFu;

class VKMClass : public controller::VK4540LT, public controller::VK4630, public DriveAccess {
 public:
  VKMClass() = default;

  // Copies the drive's address fields and name, then attaches the NVMe side
  // (vendor read) for an NVMe drive and the SATA side otherwise. One override
  // for both bases: whichever base pointer a caller holds ends up here.
  bool Attach(device::StorageDevice* dev) override;

  // Both sides get the name at once.
  void SetControllerName(std::string_view text, uint32_t n) override;

  // Routed by the bound drive's access path.
  bool SmartEnableOperations() override;
  bool SmartReadData(std::span<uint8_t> out) override;
  void Close() override;
  bool IsOpen() const;
  bool Ready() const;
  // The drive the routed side is bound to (null before the first attach).
  device::StorageDevice* Drive() const;

  // ATA side only; kWrongAccessPath / false on an NVMe drive, without a command.
  int ReadParameterBlock(std::span<uint8_t> out) override;
  bool SmartReadThresholds(std::span<uint8_t> out) override;
  bool IdentifyDevice(std::span<uint8_t> out) override;
  int ModeQuery(int* mode, std::span<uint8_t> modeSector) override;
  // NVMe side only; kWrongAccessPath / false on an ATA drive, without a command.
  int NvmeVendorRead(std::span<uint8_t> out, uint8_t selector) override;
  bool NvmeIdentify(std::span<uint8_t> out, uint32_t nsid, bool controller) override;
  int ReadSmartHealthLog(std::span<uint8_t> out) override;
  int ReadFirmwareSlotLog(std::span<uint8_t> out) override;
  uint16_t NvmeStatusCode() const override;
  uint16_t NvmeStatusCodeType() const override;

  void SetCommandTimeout(uint32_t seconds) override;
  // ATA side only: 1 on an NVMe drive, without a command.
  int SecuritySetPassword(std::span<const uint8_t> block) override;
  int SecurityErasePrepare() override;
  int SecurityEraseUnit(std::span<const uint8_t> block) override;
  int SecurityDisablePassword(std::span<const uint8_t> block) override;
  int VendorErase(std::span<uint8_t> out, bool flag) override;
  // NVMe side only: kWrongAccessPath on an ATA drive, without a command.
  int NvmeAdminCommand(std::span<const uint8_t, 64> image, std::span<uint8_t> data) override;

  // Firmware update. ATA side: memory, download engine, sectors (kWrongAccessPath
  // on an NVMe drive); NVMe side: image download, commit, no-data command
  // (kWrongAccessPath on an ATA drive). Nothing is sent on the wrong path.
  int ReadControllerMemory(uint32_t address, std::span<uint8_t> out) override;
  int WriteControllerMemory(uint32_t address, std::span<const uint8_t> data) override;
  int DMicrocode(uint8_t subcommand, uint32_t totalBlocks, uint32_t chunkBlocks,
                 std::span<const uint8_t> image, std::span<const uint8_t> identify, bool dma,
                 bool activate) override;
  int ReadSectors(uint32_t lba, uint32_t count, std::span<uint8_t> buffer) override;
  int WriteSectors(uint32_t lba, uint32_t count, std::span<const uint8_t> buffer) override;
  controller::VK4540LT* SataVendorObject() override;
  int NvmeFirmwareDownload(std::span<const uint8_t> piece, uint32_t offset) override;
  int NvmeFirmwareCommit(uint32_t action, uint32_t slot) override;
  uint32_t NvmeCompletionDw0() const override { return controller::VK4630::CompletionDw0(); }
  int NvmeVendorNoData(bool flag) override;
  uint32_t AccessAttribute() const override { return devAttribute_; }

  // The copies taken at attach.
  bool IsNvmeDrive() const override { return device::IsNvme(devAttribute_); }
  uint32_t Attribute() const { return devAttribute_; }
  uint32_t HaId() const { return devHaId_; }
  uint32_t TargetId() const { return devTarget_; }
  uint32_t LunId() const { return devLun_; }
  Address ScsiAddress() const override { return {devHaId_, devTarget_, devLun_}; }
  uint32_t Order() const { return devOrder_; }
  // The bound drive's display name (devName), as it was at attach.
  std::string DevName() const override;

 private:
  uint32_t devAttribute_ = 0;
  uint32_t devHaId_ = 0;
  uint32_t devTarget_ = 0;
  uint32_t devLun_ = 0;
  uint32_t devOrder_ = 0;
  char devName_[kDevNameSize] = {};
};

}  // namespace app
