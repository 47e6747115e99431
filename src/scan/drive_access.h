#pragma once
// A drive's access object: the commands the scan, the device-list fill and the
// pages send to one identified drive. VKMClass implements them on a real drive;
// tests put scripted controllers in their place.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/core/storage_device.h"

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
  virtual int NvmeAdminCommand(std::span<const uint8_t, 64> /*image*/, std::span<uint8_t> /*data*/) {
    return -1;
  }

  // Closes the bound drive's handle.
  virtual void Close() = 0;

  // What the object copied from the drive at its last attach: the display
  // name (devName) and whether the drive is reached as NVMe.
  virtual std::string DevName() const = 0;
  virtual bool IsNvmeDrive() const = 0;
};

}  // namespace app
