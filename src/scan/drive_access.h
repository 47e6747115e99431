#pragma once
// A drive's access object: the commands the scan, the device-list fill and the
// pages send to one identified drive. VKMClass implements them on a real drive;
// tests put scripted controllers in their place.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/core/storage_device.h"

namespace controller {
class VK4540LT;
}

namespace app {

class DriveAccess {
 public:
  virtual ~DriveAccess() = default;

  // The name the attach tests look for (the profile's VKMStrTag), first n characters.
  virtual void SetControllerName(std::string_view text, uint32_t n) = 0;
  // Binds the object to `dev` and reports whether the controller answered as one of ours.
  virtual bool Attach(device::StorageDevice* dev) = 0;
  // IDENTIFY DEVICE, 512 bytes; true on success.
  virtual bool IdentifyDevice(std::span<uint8_t> out) = 0;
  // The 1024-byte ParameterBlock; 0 on success. Not read on an NVMe drive.
  virtual int ReadParameterBlock(std::span<uint8_t> out) = 0;
  virtual bool SmartEnableOperations() = 0;
  // SMART READ DATA, 512 bytes; true on success.
  virtual bool SmartReadData(std::span<uint8_t> out) = 0;
  // SMART READ THRESHOLDS, 512 bytes; true on success. ATA drives only: an
  // object that cannot send it fails.
  virtual bool SmartReadThresholds(std::span<uint8_t> /*out*/) { return false; }
  // The detect sequence: the ModeSector (512 bytes) and its mode; 0 on success.
  virtual int ModeQuery(int* mode, std::span<uint8_t> modeSector) = 0;
  // NVMe vendor read of out.size() bytes with `selector`; 0 on success.
  virtual int NvmeVendorRead(std::span<uint8_t> out, uint8_t selector) = 0;
  // Identify Controller (nsid 0, controller true) or Identify Namespace `nsid`.
  virtual bool NvmeIdentify(std::span<uint8_t> out, uint32_t nsid, bool controller) = 0;
  // NVMe Get Log Page 02h (SMART / Health) over all namespaces, out.size()
  // bytes: 0; -127 for an error status (NvmeStatusCode/NvmeStatusCodeType) or
  // a failed transfer; another code for other failures.
  virtual int ReadSmartHealthLog(std::span<uint8_t> out) = 0;
  // NVMe Get Log Page 03h (Firmware Slot Information), out.size() bytes: as
  // ReadSmartHealthLog. An object that cannot send it fails.
  virtual int ReadFirmwareSlotLog(std::span<uint8_t> /*out*/) { return -3; }
  // The status of the last NVMe command.
  virtual uint16_t NvmeStatusCode() const = 0;
  virtual uint16_t NvmeStatusCodeType() const = 0;

  // Maintenance commands. An access object that cannot send one reports
  // failure, so nothing is ever taken as done that was not sent.
  // The bound drive's command time-out in seconds.
  virtual void SetCommandTimeout(uint32_t /*seconds*/) {}
  // ATA security feature set with a 512-byte data block: 0 on success, 1 otherwise.
  virtual int SecuritySetPassword(std::span<const uint8_t> /*block*/) { return 1; }
  virtual int SecurityErasePrepare() { return 1; }
  virtual int SecurityEraseUnit(std::span<const uint8_t> /*block*/) { return 1; }
  virtual int SecurityDisablePassword(std::span<const uint8_t> /*block*/) { return 1; }
  // The controller's own erase: vendor command F0 57 (`flag`) or F0 54 with
  // out.size() bytes in. 0 on success.
  virtual int VendorErase(std::span<uint8_t> /*out*/, bool /*flag*/) { return -1; }
  // An NVMe admin command from a 64-byte command image (CDW0, NSID, CDW10..15)
  // with `data` going the opcode's way. 0 on success.
  virtual int NvmeAdminCommand(std::span<const uint8_t, 64> /*image*/,
                               std::span<uint8_t> /*data*/) {
    return -1;
  }

  // Firmware update. Like the maintenance commands, each fails where the
  // object cannot send it.
  // Controller memory at `address` in 512-byte units, the drive running its
  // normal firmware: 0 on success.
  virtual int ReadControllerMemory(uint32_t /*address*/, std::span<uint8_t> /*out*/) { return -1; }
  virtual int WriteControllerMemory(uint32_t /*address*/, std::span<const uint8_t> /*data*/) {
    return -1;
  }
  // The microcode download engine: DMStatus, 0 when the image was taken.
  virtual int DMicrocode(uint8_t /*subcommand*/, uint32_t /*totalBlocks*/, uint32_t /*chunkBlocks*/,
                         std::span<const uint8_t> /*image*/, std::span<const uint8_t> /*identify*/,
                         bool /*dma*/, bool /*activate*/) {
    return 4;  // a DOWNLOAD MICROCODE request failed
  }
  // Whole sectors of the bound drive: 0 on success.
  virtual int ReadSectors(uint32_t /*lba*/, uint32_t /*count*/, std::span<uint8_t> /*buffer*/) {
    return -1;
  }
  virtual int WriteSectors(uint32_t /*lba*/, uint32_t /*count*/,
                           std::span<const uint8_t> /*buffer*/) {
    return -1;
  }
  // The SATA vendor object the update-file generation reads the controller
  // through; null when the drive has none (NVMe, a scripted drive).
  virtual controller::VK4540LT* SataVendorObject() { return nullptr; }
  // NVMe Firmware Image Download of `piece` at byte `offset` and Firmware
  // Commit: 0; -127 with the status in NvmeStatusCode/NvmeStatusCodeType (also
  // the statuses that ask for a reset); another code for other failures.
  virtual int NvmeFirmwareDownload(std::span<const uint8_t> /*piece*/, uint32_t /*offset*/) {
    return -3;
  }
  virtual int NvmeFirmwareCommit(uint32_t /*action*/, uint32_t /*slot*/) { return -3; }
  // DW0 of the last NVMe completion.
  virtual uint32_t NvmeCompletionDw0() const { return 0; }
  // The controller's vendor no-data command (sent after a firmware commit).
  virtual int NvmeVendorNoData(bool /*flag*/) { return -3; }
  // The access-path bits of the bound drive (devAttribute) as copied at attach.
  virtual uint32_t AccessAttribute() const { return 0; }
  // The drive's SCSI address as its port driver reported it at attach; for an
  // NVMe disk the LUN is its namespace (namespace id = LUN + 1). Port 255:
  // not known.
  struct Address {
    uint32_t port = 255;
    uint32_t target = 0;
    uint32_t lun = 0;
    bool Known() const { return port != 255; }
  };
  virtual Address ScsiAddress() const { return {}; }

  // Closes the bound drive's handle.
  virtual void Close() = 0;

  // What the object copied from the drive at its last attach: the display
  // name (devName) and whether the drive is reached as NVMe.
  virtual std::string DevName() const = 0;
  virtual bool IsNvmeDrive() const = 0;
};

}  // namespace app
