#include "device/enumeration/disk_walk.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "device/core/fixed_text.h"
#include "device/enumeration/devnode_facts.h"
#include "device/enumeration/location_text.h"
#include "platform/setupapi.h"
#include "platform/storage_property.h"

namespace device {

void PerScanTables::Clear() {
  listIndex.fill(0);
  location.fill(kLocationUnknown);
  usb = {};
}

int PhysicalDriveNumberOf(os::Os& os, os::HDEVINFO set, os::DWORD index) {
  os::SP_DEVICE_INTERFACE_DATA interfaceData{};
  interfaceData.cbSize = sizeof interfaceData;
  if (!os.SetupDiEnumDeviceInterfaces(set, nullptr, &os::GUID_DEVINTERFACE_DISK, index,
                                      &interfaceData))
    return -1;
  os::DWORD required = 0;
  os.SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, nullptr, 0, &required, nullptr);
  if (required == 0 || required > kInterfaceDetailBufferSize) return -1;

  alignas(os::SP_DEVICE_INTERFACE_DETAIL_DATA_A) uint8_t storage[kInterfaceDetailBufferSize] = {};
  auto* detail = new (storage) os::SP_DEVICE_INTERFACE_DETAIL_DATA_A{};
  detail->cbSize = sizeof(os::SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!os.SetupDiGetDeviceInterfaceDetailA(set, &interfaceData, detail, kInterfaceDetailBufferSize,
                                           nullptr, nullptr))
    return -1;
  storage[kInterfaceDetailBufferSize - 1] = 0;
  const std::string path(static_cast<const char*>(static_cast<const void*>(
      storage + offsetof(os::SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath))));

  const os::HANDLE h =
      os.CreateFileA(path, os::GENERIC_READ, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, nullptr,
                     os::OPEN_EXISTING, os::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == os::INVALID_HANDLE_VALUE) return -1;
  os::STORAGE_DEVICE_NUMBER number{};
  os::DWORD returned = 0;
  const bool ok = os.DeviceIoControl(h, os::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                                     sizeof number, &returned);
  os.CloseHandle(h);
  if (!ok || number.DeviceNumber > 0x7FFFFFFFu) return -1;
  return static_cast<int>(number.DeviceNumber);
}

int WalkDiskSet(os::Os& os, os::HDEVINFO set, PerScanTables& tables, const HubPortTable& hubs) {
  int devQty = 0;
  for (os::DWORD i = 0;; ++i) {
    os::SP_DEVINFO_DATA devInfo{};
    devInfo.cbSize = sizeof devInfo;
    if (!os.SetupDiEnumDeviceInfo(set, i, &devInfo)) break;
    const int n = PhysicalDriveNumberOf(os, set, i);
    const bool listed = n >= 0 && n < PerScanTables::kDriveNumbers;
    const size_t slot = listed ? static_cast<size_t>(n) : 0;
    if (listed) {
      tables.listIndex[slot] = i + 1;
      ++devQty;
      tables.location[slot] = LocationCodeOf(os, devInfo.DevInst);
      UsbIdentityOf(os, devInfo.DevInst, tables.usb[slot]);
    }
    char instanceId[kInstanceIdBufferSize] = {};
    if (!os.SetupDiGetDeviceInstanceIdA(set, &devInfo, instanceId, sizeof instanceId, nullptr))
      break;
    instanceId[sizeof instanceId - 1] = '\0';
    const std::string id(instanceId);
    if (id.compare(0, 7, "USBSTOR") != 0 || !listed) continue;

    UsbLocationRecord& record = tables.usb[slot];
    const std::string token = UsbstorSerialToken(id);
    if (!token.empty()) SetFixedText(record.serialToken, token);
    uint8_t address[4] = {};
    if (os.SetupDiGetDeviceRegistryPropertyA(set, &devInfo, os::SPDRP_ADDRESS, nullptr, address,
                                             sizeof address, nullptr))
      record.port = address[0];
    hubs.Match(record);
  }
  return devQty;
}

}  // namespace device
