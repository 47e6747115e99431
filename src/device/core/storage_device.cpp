#include "device/core/storage_device.h"

#include <cstring>
#include <utility>

#include "common/text.h"
#include "device/core/fixed_text.h"
#include "platform/scsi_pass_through.h"
#include "platform/storage_property.h"
#include "platform/volume.h"

namespace device {
namespace {

// Size of the answer buffer of the device property query.
constexpr os::DWORD kDevicePropertyAnswerSize = 1060;

}  // namespace

StorageDevice::StorageDevice(os::Os& os) : os_(&os) { ResetFields(); }

StorageDevice::StorageDevice(StorageDevice&& other) noexcept
    : StorageDeviceRecord(other),
      os_(other.os_),
      devHandle_(std::exchange(other.devHandle_, os::INVALID_HANDLE_VALUE)),
      disCheckScsiStatus_(other.disCheckScsiStatus_) {}

StorageDevice& StorageDevice::operator=(StorageDevice&& other) noexcept {
  if (this == &other) return *this;
  Close();
  StorageDeviceRecord::operator=(other);
  os_ = other.os_;
  devHandle_ = std::exchange(other.devHandle_, os::INVALID_HANDLE_VALUE);
  disCheckScsiStatus_ = other.disCheckScsiStatus_;
  return *this;
}

StorageDevice::~StorageDevice() { Close(); }

void StorageDevice::ResetFields() {
  Close();
  devHaId = kUnknownHaId;
  devTarget = 0;
  devLun = 0;
  devLocation = 0xFFFFFFFFu;
  devAttribute = 0;
  devBlockFactor = 1;
  devOptions = 0;
  std::memset(&devUsbInfo, 0, sizeof devUsbInfo);
  std::memset(devPath, 0, sizeof devPath);
  std::memset(devName, 0, sizeof devName);
  devOrder = 0;
  devListIndex = 0;
  devUseBusType = 0;
  devCapacity = 0;
  std::memset(&devOsVersion, 0, sizeof devOsVersion);
  devOsVersion.dwOSVersionInfoSize = sizeof(os::OSVERSIONINFOA);
  os_->GetVersionExA(&devOsVersion);
  devTimeout = kDefaultTimeoutSeconds;
  std::memset(devSerial, 0, sizeof devSerial);
  std::memset(devModel, 0, sizeof devModel);
  std::memset(devFirmware, 0, sizeof devFirmware);
}

bool StorageDevice::OpenPath(const std::string& path) {
  Close();
  devHandle_ = os_->CreateFileA(path, os::GENERIC_READ | os::GENERIC_WRITE,
                                os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, nullptr,
                                os::OPEN_EXISTING, 0, nullptr);
  return IsOpen();
}

void StorageDevice::Adopt(os::HANDLE handle) {
  if (handle == devHandle_) return;
  Close();
  devHandle_ = handle;
}

bool StorageDevice::OpenPhysicalDrive(int number) {
  SetFixedText(devPath, common::Format("\\\\.\\PHYSICALDRIVE%d", number));
  SetFixedText(devName, common::Format("PHYSICALDRIVE%d", number));
  return OpenPath(FixedText(devPath));
}

bool StorageDevice::OpenDriveLetter(char letter) {
  SetFixedText(devPath, common::Format("\\\\.\\%c:", letter));
  SetFixedText(devName, common::Format("%c:", letter));
  return OpenPath(FixedText(devPath));
}

bool StorageDevice::OpenScsiPort(int port) {
  return OpenPath(common::Format("%s%d:", "\\\\.\\Scsi", port));
}

bool StorageDevice::OpenPort() { return OpenScsiPort(static_cast<int>(devHaId)); }

bool StorageDevice::Reopen(bool force) {
  if (!OpenPath(FixedText(devPath))) return false;
  if ((devAttribute & STORAGE_LOGICAL) != 0 && (devOptions & kOptionNoVolumeLock) == 0) {
    if (!LockVolume() && !force) {
      // Closed without an unlock: the lock was never taken.
      os_->CloseHandle(std::exchange(devHandle_, os::INVALID_HANDLE_VALUE));
      return false;
    }
  }
  return true;
}

bool StorageDevice::LockVolume() {
  os::DWORD returned = 0;
  if (!os_->DeviceIoControl(devHandle_, os::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned))
    return false;
  // Before NT 6 a locked volume needs no dismount.
  if (devOsVersion.dwMajorVersion < 6) {
    devAttribute |= STORAGE_VOLUME_LOCKED;
    return true;
  }
  if (os_->DeviceIoControl(devHandle_, os::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0,
                           &returned)) {
    devAttribute |= STORAGE_VOLUME_LOCKED;
    return true;
  }
  os_->DeviceIoControl(devHandle_, os::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned);
  return false;
}

void StorageDevice::UnlockVolume() {
  os::DWORD returned = 0;
  const bool unlocked =
      os_->DeviceIoControl(devHandle_, os::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned);
  // Asking whether the volume is mounted makes the file system mount it again.
  if (unlocked && devOsVersion.dwMajorVersion > 5)
    os_->DeviceIoControl(devHandle_, os::FSCTL_IS_VOLUME_MOUNTED, nullptr, 0, nullptr, 0,
                         &returned);
  devAttribute &= ~STORAGE_VOLUME_LOCKED;
}

void StorageDevice::Close() {
  if (!IsOpen()) return;
  if ((devAttribute & STORAGE_LOGICAL) != 0) UnlockVolume();
  os_->CloseHandle(std::exchange(devHandle_, os::INVALID_HANDLE_VALUE));
}

void StorageDevice::Release() {
  Close();
  devAttribute = 0;
  devHaId = kUnknownHaId;
}

void StorageDevice::QueryBusTypeAndAddress() {
  os::STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = os::StorageDeviceProperty;
  query.QueryType = os::PropertyStandardQuery;
  uint8_t answer[kDevicePropertyAnswerSize] = {};
  os::DWORD returned = 0;
  if (!os_->DeviceIoControl(devHandle_, os::IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                            answer, sizeof answer, &returned)) {
    devHaId = kUnknownHaId;
    return;
  }
  os::STORAGE_DEVICE_DESCRIPTOR descriptor{};
  std::memcpy(&descriptor, answer, sizeof descriptor);
  devUseBusType = descriptor.BusType;
  if (devUseBusType == os::BusTypeUsb) {
    devHaId = kUnknownHaId;
    return;
  }
  os::SCSI_ADDRESS address{};
  address.Length = sizeof address;
  if (!os_->DeviceIoControl(devHandle_, os::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &address,
                            sizeof address, &returned)) {
    devHaId = kUnknownHaId;
    return;
  }
  devHaId = address.PortNumber;
  devTarget = address.TargetId;
  devLun = address.Lun;
}

void StorageDevice::SetNoVolumeLock(bool on) {
  if (on)
    devOptions |= kOptionNoVolumeLock;
  else
    devOptions &= ~kOptionNoVolumeLock;
}

void StorageDevice::SetAddressIfUnknown(uint32_t haId, uint32_t target, uint32_t lun) {
  if (devHaId != kUnknownHaId) return;
  devHaId = haId;
  devTarget = target;
  devLun = lun;
}

uint32_t StorageDevice::AddressKey() const {
  return (devHaId & 0xFF) << 16 | (devTarget & 0xFF) << 8 | (devLun & 0xFF);
}

std::string StorageDevice::Path() const { return FixedText(devPath); }
std::string StorageDevice::Name() const { return FixedText(devName); }
std::string StorageDevice::Serial() const { return common::ShownText(FixedText(devSerial)); }
std::string StorageDevice::Model() const { return common::ShownText(FixedText(devModel)); }
std::string StorageDevice::Firmware() const { return common::ShownText(FixedText(devFirmware)); }

}  // namespace device
