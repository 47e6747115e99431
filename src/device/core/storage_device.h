#pragma once
// One drive as the device layer sees it: how it is addressed, which access
// path its commands take (devAttribute), its open handle, SCSI address,
// identity strings and command time-out. The transports (scsi/, ata/, nvme/)
// take a StorageDevice and send through its handle; the handle is opened for
// a command or a sequence (see OpenScope) and closed again. The device owns
// its handle: it is move-only, and whatever is still open when it dies or is
// overwritten by a move is closed.
#include <cstdint>
#include <string>

#include "device/core/dev_attribute.h"
#include "device/core/usb_location.h"
#include "platform/os.h"

namespace device {

inline constexpr uint32_t kDefaultTimeoutSeconds = 65536;
inline constexpr uint32_t kUnknownHaId = 255;
inline constexpr uint32_t kOptionNoVolumeLock = 0x1;  // devOptions bit 0

// The drive record in the product's field order, without the handle (which
// only StorageDevice may hold, so that exactly one owner closes it).
struct StorageDeviceRecord {
  uint32_t devHaId;
  uint32_t devTarget;
  uint32_t devLun;
  uint32_t devLocation;
  uint32_t devAttribute;
  uint32_t devBlockFactor;
  uint32_t devOptions;
  UsbLocationRecord devUsbInfo;
  char devPath[50];
  char devName[50];
  uint32_t devOrder;
  uint32_t devListIndex;
  uint32_t devUseBusType;
  uint64_t devCapacity;
  os::OSVERSIONINFOA devOsVersion;
  uint32_t devTimeout;
  char devSerial[21];
  char devModel[41];
  char devFirmware[9];
};

class StorageDevice : public StorageDeviceRecord {
 public:
  explicit StorageDevice(os::Os& os);
  StorageDevice(const StorageDevice&) = delete;
  StorageDevice& operator=(const StorageDevice&) = delete;
  // The handle moves with the record; the source is left closed.
  StorageDevice(StorageDevice&& other) noexcept;
  // Closes this device's own handle first.
  StorageDevice& operator=(StorageDevice&& other) noexcept;
  // Closes the handle (unlocking a locked volume first).
  ~StorageDevice();

  os::Os& Os() const { return *os_; }

  // Back to the state of a fresh construction; an open handle is closed.
  void ResetFields();

  // --- Opening (CreateFileA read/write, shared read/write, open existing) ---
  // Each closes a handle still open, opens into the device's own handle and
  // returns whether that worked.
  bool OpenPhysicalDrive(int number);  // "\\.\PHYSICALDRIVE%d", name "PHYSICALDRIVE%d"
  bool OpenDriveLetter(char letter);   // "\\.\%c:", name "%c:"
  bool OpenScsiPort(int port);         // "\\.\Scsi%d:"; devPath untouched
  // Opens port devHaId.
  bool OpenPort();
  // Takes ownership of a handle opened elsewhere (closing the one held).
  void Adopt(os::HANDLE handle);
  // Opens devPath again (false when that fails) and, for a
  // drive-letter device without kOptionNoVolumeLock, locks the volume: with
  // force a failed lock is ignored, without it the handle is closed again.
  bool Reopen(bool force);
  bool LockVolume();
  void UnlockVolume();
  // Unlocks a drive-letter volume, closes the handle; nothing when closed.
  void Close();
  // Close, then devAttribute 0 and devHaId 255.
  void Release();

  // Bus type (devUseBusType) and SCSI address on the open handle; a USB drive
  // or a failed request leaves devHaId at 255.
  void QueryBusTypeAndAddress();

  // --- Setters ---
  void SetTimeout(uint32_t seconds) {
    devTimeout = seconds == 0 ? kDefaultTimeoutSeconds : seconds;
  }
  void SetNoVolumeLock(bool on);
  void SetListIndex(uint32_t index) { devListIndex = index; }
  void SetLocation(uint32_t location) { devLocation = location; }
  void SetUsbInfo(const UsbLocationRecord& info) { devUsbInfo = info; }
  // Writes the address only while devHaId is 255 (unknown).
  void SetAddressIfUnknown(uint32_t haId, uint32_t target, uint32_t lun);
  // Whether a CHECK CONDITION counts as success without looking at the sense
  // (the DisCheckSCSIStatus option).
  void SetDisCheckScsiStatus(bool on) { disCheckScsiStatus_ = on; }
  bool DisCheckScsiStatus() const { return disCheckScsiStatus_; }

  // --- Getters ---
  uint32_t HaId() const { return devHaId; }
  uint32_t Target() const { return devTarget; }
  uint32_t Lun() const { return devLun; }
  uint32_t Attribute() const { return devAttribute; }
  uint32_t Order() const { return devOrder; }
  uint32_t Location() const { return devLocation; }
  uint64_t Capacity() const { return devCapacity; }
  // (adapter << 16) | (target << 8) | lun, one byte each.
  uint32_t AddressKey() const;
  UsbLocationRecord UsbInfo() const { return devUsbInfo; }
  std::string Path() const;
  std::string Name() const;
  // The identity strings as the drive reported them, for showing: bytes
  // outside printable ASCII are escaped (devSerial & co. keep the raw bytes).
  std::string Serial() const;
  std::string Model() const;
  std::string Firmware() const;
  os::HANDLE Handle() const { return devHandle_; }
  bool IsOpen() const { return devHandle_ != os::INVALID_HANDLE_VALUE; }
  // True when the drive may carry SCSI requests (opened by number or letter).
  bool CanCarryScsi() const { return (devAttribute & (STORAGE_PHYSICAL | STORAGE_LOGICAL)) != 0; }

 private:
  bool OpenPath(const std::string& path);

  os::Os* os_;
  os::HANDLE devHandle_ = os::INVALID_HANDLE_VALUE;
  bool disCheckScsiStatus_ = false;
};

}  // namespace device
