#pragma once
// What the information pages ask of the identified drives: the commands they
// send to the selected drive, its buffers in the device table and the
// controller profile the scan matched to it. The program serves them from the
// device table (DeviceTableDrives); tests may stand in their own drives.
#include <cstdint>
#include <span>

#include "app/scan/device_table.h"
#include "app/settings/controller_profile.h"

namespace info {

inline constexpr uint8_t kSmartHealthLogId = 0x02;
inline constexpr uint32_t kAllNamespaces = 0xFFFFFFFFu;

class InfoDrive {
 public:
  virtual ~InfoDrive() = default;

  // Reached as an NVMe drive (native, miniport or USB bridge).
  virtual bool IsNvme() const = 0;

  // ATA: IDENTIFY DEVICE, 512 bytes; true on success.
  virtual bool IdentifyDevice(std::span<uint8_t> out) = 0;
  virtual bool SmartEnableOperations() = 0;
  // ATA: SMART READ DATA, 512 bytes; true on success.
  virtual bool SmartReadData(std::span<uint8_t> out) = 0;

  // NVMe: Identify Controller, 4096 bytes; true on success.
  virtual bool IdentifyController(std::span<uint8_t> out) = 0;
  // NVMe: Get Log Page 02h over all namespaces, out.size() bytes. 0; -127 for
  // an error status (see StatusCode/StatusCodeType) or a failed transfer;
  // another code for other failures.
  virtual int ReadSmartHealthLog(std::span<uint8_t> out) = 0;
  virtual uint16_t StatusCode() const = 0;
  virtual uint16_t StatusCodeType() const = 0;
};

class InfoDriveTable {
 public:
  virtual ~InfoDriveTable() = default;

  // Identified drives 0 .. Count()-1.
  virtual int Count() const = 0;
  // Valid for 0 <= index < Count(), until the next call.
  virtual InfoDrive& Drive(int index) = 0;
  virtual app::SlotData& Data(int index) = 0;
  // The matched profile, or null when the slot names none.
  virtual const app::ControllerProfile* Profile(int index) const = 0;
};

}  // namespace info
