// The SetupAPI and configuration-manager look-ups of the Linux backend,
// answered from the disk list read out of sysfs. Members of the disk set are
// the disks in drive-number order; each has a device node and a parent node
// standing for its controller or USB device.
#include <cstddef>
#include <cstring>
#include <string>

#include "common/bytes.h"
#include "common/text.h"
#include "platform/linux/linux_open.h"
#include "platform/linux/linux_os.h"

namespace os {

using linuxos::SysfsDisk;

namespace {

constexpr DEVINST kDiskNode = 0x10000;
constexpr DEVINST kParentNode = 0x20000;

// Copies text with its NUL (and a second NUL for a multi-string) into a
// property buffer; false when it does not fit.
bool PutText(const std::string& text, bool multi, void* buffer, size_t size, size_t* needed) {
  *needed = text.size() + (multi ? 2 : 1);
  if (buffer == nullptr || size < *needed) return false;
  std::memset(buffer, 0, *needed);
  std::memcpy(buffer, text.data(), text.size());
  return true;
}

}  // namespace

HDEVINFO LinuxOs::SetupDiGetClassDevsA(const GUID* classGuid, const char*, DWORD) {
  if (classGuid == nullptr || !(*classGuid == GUID_DEVINTERFACE_DISK)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  // The enumeration gives the numbers out again.
  disks_ = linuxos::ListSysfsDisks(sysRoot_);
  numbered_ = true;
  usageRead_ = false;  // drive numbers may have moved
  auto open = std::make_unique<Open>();
  open->kind = Open::kDeviceSet;
  return Add(std::move(open));
}

bool LinuxOs::SetupDiDestroyDeviceInfoList(HDEVINFO set) { return CloseHandle(set); }

bool LinuxOs::SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA* data) {
  Open* o = Find(set);
  if (o == nullptr || o->kind != Open::kDeviceSet) return Fail(ERROR_INVALID_HANDLE);
  if (index >= disks_.size()) return Fail(ERROR_NO_MORE_ITEMS);
  if (data != nullptr) {
    data->ClassGuid = GUID_DEVINTERFACE_DISK;
    data->DevInst = kDiskNode + index;
  }
  return true;
}

bool LinuxOs::SetupDiEnumDeviceInterfaces(HDEVINFO set, SP_DEVINFO_DATA*, const GUID*, DWORD index,
                                          SP_DEVICE_INTERFACE_DATA* data) {
  Open* o = Find(set);
  if (o == nullptr || o->kind != Open::kDeviceSet) return Fail(ERROR_INVALID_HANDLE);
  if (index >= disks_.size()) return Fail(ERROR_NO_MORE_ITEMS);
  if (data != nullptr) {
    data->InterfaceClassGuid = GUID_DEVINTERFACE_DISK;
    data->Reserved = index;
  }
  return true;
}

bool LinuxOs::SetupDiGetDeviceInterfaceDetailA(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                               SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                               DWORD detailSize, DWORD* requiredSize,
                                               SP_DEVINFO_DATA* devInfo) {
  Open* o = Find(set);
  if (o == nullptr || o->kind != Open::kDeviceSet || data == nullptr)
    return Fail(ERROR_INVALID_HANDLE);
  const size_t index = data->Reserved;
  if (index >= disks_.size()) return Fail(ERROR_NO_MORE_ITEMS);
  const std::string path = kInterfacePrefix + std::to_string(index);
  const DWORD need =
      static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
  if (requiredSize != nullptr) *requiredSize = need;
  if (devInfo != nullptr) devInfo->DevInst = kDiskNode + static_cast<DWORD>(index);
  if (detail == nullptr || detailSize < need) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
    return Fail(ERROR_INVALID_PARAMETER);
  std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
  return true;
}

const SysfsDisk* LinuxOs::DiskOfDevInst(DEVINST devInst) {
  const DEVINST base = devInst >= kParentNode ? kParentNode : kDiskNode;
  if (devInst < kDiskNode || devInst - base >= disks_.size()) return nullptr;
  return &disks_[devInst - base];
}

bool LinuxOs::SetupDiGetDeviceInstanceIdA(HDEVINFO, SP_DEVINFO_DATA* devInfo, char* buffer,
                                          DWORD size, DWORD* requiredSize) {
  const SysfsDisk* d = devInfo ? DiskOfDevInst(devInfo->DevInst) : nullptr;
  if (d == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  size_t need = 0;
  const bool ok = PutText(linuxos::InstanceIdOf(*d), false, buffer, size, &need);
  if (requiredSize != nullptr) *requiredSize = static_cast<DWORD>(need);
  return ok ? true : Fail(ERROR_INSUFFICIENT_BUFFER);
}

bool LinuxOs::SetupDiGetDeviceRegistryPropertyA(HDEVINFO, SP_DEVINFO_DATA* devInfo, DWORD property,
                                                DWORD* regDataType, BYTE* buffer, DWORD size,
                                                DWORD* requiredSize) {
  const SysfsDisk* d = devInfo ? DiskOfDevInst(devInfo->DevInst) : nullptr;
  if (d == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (property != SPDRP_ADDRESS || d->usbVid.empty()) return Fail(ERROR_INVALID_DATA);
  if (requiredSize != nullptr) *requiredSize = 4;
  if (regDataType != nullptr) *regDataType = REG_DWORD;
  if (buffer == nullptr || size < 4) return Fail(ERROR_INSUFFICIENT_BUFFER);
  common::WriteLe32(std::span<uint8_t>(buffer, size), 0, d->usbPort);
  return true;
}

CONFIGRET LinuxOs::CM_Get_Parent(DEVINST* parent, DEVINST devInst, ULONG) {
  if (devInst < kDiskNode || devInst >= kParentNode || devInst - kDiskNode >= disks_.size())
    return CR_NO_SUCH_DEVNODE;
  if (parent != nullptr) *parent = kParentNode + (devInst - kDiskNode);
  return CR_SUCCESS;
}

CONFIGRET LinuxOs::CM_Get_DevNode_Registry_PropertyA(DEVINST devInst, ULONG property,
                                                     ULONG* regDataType, void* buffer,
                                                     ULONG* length, ULONG) {
  if (devInst < kParentNode || length == nullptr) return CR_INVALID_DEVNODE;
  const SysfsDisk* d = DiskOfDevInst(devInst);
  if (d == nullptr) return CR_NO_SUCH_DEVNODE;
  const bool usb = !d->usbVid.empty();
  std::string text;
  bool multi = false;
  switch (property) {
    case CM_DRP_DEVICEDESC:
      text = usb                      ? "USB Mass Storage Device"
             : d->nvmeController >= 0 ? "NVM Express Controller"
                                      : "Storage Controller";
      break;
    case CM_DRP_HARDWAREID:
      multi = true;
      text = usb ? "USB\\VID_" + d->usbVid + "&PID_" + d->usbPid : "PCI\\" + d->pciLocation;
      break;
    case CM_DRP_LOCATION_INFORMATION:
      text = usb ? common::Format("Port_#%04u.Hub_#%04u", d->usbPort, d->usbHub) : d->pciLocation;
      if (text.empty()) return CR_NO_SUCH_VALUE;
      break;
    default:
      return CR_NO_SUCH_VALUE;
  }
  size_t need = 0;
  const bool ok = PutText(text, multi, buffer, *length, &need);
  *length = static_cast<ULONG>(need);
  if (regDataType != nullptr) *regDataType = multi ? REG_MULTI_SZ : REG_SZ;
  return ok ? CR_SUCCESS : CR_BUFFER_SMALL;
}

}  // namespace os
