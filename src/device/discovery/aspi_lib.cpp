#include "device/discovery/aspi_lib.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/text.h"
#include "device/core/fixed_text.h"
#include "device/discovery/probes.h"
#include "device/enumeration/privilege.h"
#include "device/enumeration/usb_hub_walk.h"
#include "device/nvme/nvme_bridge_path.h"
#include "platform/security.h"
#include "platform/setupapi.h"

namespace device {

AspiLib::AspiLib(os::Os& os) : os_(os) {
  for (auto& slot : slots_) slot = std::make_unique<StorageDevice>(os);
  tables_.Clear();
}

void AspiLib::ReleaseAll() {
  for (int i = 0; i < count_; ++i) slots_[static_cast<size_t>(i)]->Release();
  count_ = 0;
}

StorageDevice& AspiLib::Candidate() {
  StorageDevice& dev = *slots_[static_cast<size_t>(count_)];
  // A slot starts every probe as new, so nothing of an earlier candidate
  // (bus type, path, identity) can leak into the next one.
  dev.Release();
  dev.ResetFields();
  dev.SetDisCheckScsiStatus(settings_.DisCheckSCSIStatus);
  return dev;
}

void AspiLib::AddDevice(StorageDevice& dev, int n) {
  const size_t i = static_cast<size_t>(n);
  dev.SetListIndex(tables_.listIndex[i]);
  dev.SetLocation(tables_.location[i]);
  UsbLocationRecord record = tables_.usb[i];
  // Only a USB-to-NVMe bridge can name its serial through a GPIO query; no
  // other drive is sent the bridge's vendor buffer commands.
  if (record.serialToken[0] == '\0' && (dev.devAttribute & STORAGE_NVME_BRIDGE)) {
    std::vector<uint8_t> answer(kBridgePacketSize, 0);
    if (BridgeGpioQuery(dev, kGpioString, answer)) {
      std::memcpy(record.serialToken, answer.data() + kGpioStringOffset, kGpioStringLength);
      hubPorts_.Match(record);
    }
  }
  dev.SetUsbInfo(record);
  ++count_;
}

bool AspiLib::Scan(uint32_t flags, uint32_t timeout, const ScanSettings& settings) {
  ReleaseAll();
  settings_ = settings;
  for (auto& slot : slots_) slot->SetDisCheckScsiStatus(settings.DisCheckSCSIStatus);
  systemDisks_.clear();
  diskPort_.fill(-1);
  devQty_ = 0;
  dropped_.clear();

  char systemDirectory[kSystemDirectoryBuffer] = {};
  os_.GetSystemDirectoryA(systemDirectory, sizeof systemDirectory);
  const char systemLetter =
      static_cast<char>(std::tolower(static_cast<unsigned char>(systemDirectory[0])));

  // Without it the walk still runs: what it lists is all the user may see,
  // and the caller can say why the list may be short.
  privilegeHeld_ = EnablePrivilege(os_, os::SE_LOAD_DRIVER_NAME);

  const os::HDEVINFO set = os_.SetupDiGetClassDevsA(&os::GUID_DEVINTERFACE_DISK, nullptr,
                                                    os::DIGCF_PRESENT | os::DIGCF_DEVICEINTERFACE);
  if (set == os::INVALID_HANDLE_VALUE) return false;

  tables_.Clear();
  BuildHubPortTable(os_, hubPorts_);
  devQty_ = WalkDiskSet(os_, set, tables_, hubPorts_);
  os_.OutputDebugStringA(common::Format("[VKM_SCAN] Initialize: devQty = %d", devQty_));

  count_ = 0;
  WalkDriveLetters(flags, timeout, systemLetter);
  WalkPhysicalDrives(flags, timeout);
  if (flags & SCAN_NVME_MINIPORT) WalkScsiPorts(flags, timeout);
  // A drive the port walk found after all is listed, not dropped.
  std::erase_if(dropped_,
                [this](const DroppedDrive& d) { return d.port >= 0 && PortCovered(d.port); });

  os_.SetupDiDestroyDeviceInfoList(set);
  return true;
}

void AspiLib::WalkDriveLetters(uint32_t flags, uint32_t timeout, char systemLetter) {
  uint32_t bits = os_.GetLogicalDrives() >> 2;  // A: and B: are never disks
  std::bitset<kMaxPhysicalDrives> seen;
  for (int i = 0; bits != 0 && i < kMaxDriveLetters && count_ < kMaxDevices; ++i, bits >>= 1) {
    if (!(bits & 1)) continue;
    const char letter = static_cast<char>('c' + i);
    StorageDevice& dev = Candidate();
    dev.SetTimeout(timeout);
    int n = kNoDriveNumber;
    std::vector<int> volumeDisks;
    const bool probed = InitDevice(dev, letter, &n, flags, &volumeDisks);
    // The system disks are learned from the letter even when another volume
    // of the same disk came first or the volume itself is not listed. Every
    // disk the system volume lies on is one of them.
    if (letter == systemLetter && n >= 0) {
      systemDisks_ = volumeDisks.empty() ? std::vector<int>{n} : volumeDisks;
      std::sort(systemDisks_.begin(), systemDisks_.end());
    }
    if (!probed || n < 0 || n >= kMaxPhysicalDrives || seen[static_cast<size_t>(n)]) {
      dev.Release();
    } else {
      seen[static_cast<size_t>(n)] = true;
      os_.OutputDebugStringA(
          common::Format("[VKM_SCAN] Initialize: szSystemDir[0] = %c", systemLetter));
      if (settings_.ShowPhysicalOnly || ExcludedSystemDisk(n))
        dev.Release();
      else
        AddDevice(dev, n);
    }
    dev.SetTimeout(0);
  }
  if (!settings_.IncludeSystemDrive) DropListedSystemDisk();
}

// A volume of the system disk may have been listed before the system letter
// told which disk that is.
void AspiLib::DropListedSystemDisk() {
  if (systemDisks_.empty()) return;
  int kept = 0;
  for (int i = 0; i < count_; ++i) {
    auto& slot = slots_[static_cast<size_t>(i)];
    if (IsSystemDisk(static_cast<int>(slot->devOrder))) {
      slot->Release();
      continue;
    }
    std::swap(slot, slots_[static_cast<size_t>(kept++)]);
  }
  count_ = kept;
}

void AspiLib::WalkPhysicalDrives(uint32_t flags, uint32_t timeout) {
  int added = 0;
  int n = 0;
  for (; n < kMaxPhysicalDrives && added < devQty_ && count_ < kMaxDevices; ++n) {
    StorageDevice& dev = Candidate();
    dev.SetTimeout(timeout);
    std::string whyNot;
    const bool listed = Initialize(dev, n, flags, &whyNot);
    // Known even for a disk that is not listed: the port walk may find it
    // there, and must know which disk it is.
    if (dev.devHaId != kUnknownHaId)
      diskPort_[static_cast<size_t>(n)] = static_cast<int>(dev.AddressKey() >> 16);
    if (listed && !ExcludedSystemDisk(n)) {
      AddDevice(dev, n);
      ++added;
    } else {
      // Only a disk the system reported counts as found; a system disk left
      // out by the user's choice is not missing.
      if (!listed && Reported(n) && !ExcludedSystemDisk(n)) {
        const bool addressed = !whyNot.empty() && dev.devHaId != kUnknownHaId;
        const int port = addressed ? static_cast<int>(dev.AddressKey() >> 16) : -1;
        Drop(n, whyNot.empty() ? "it cannot be opened" : whyNot, port);
      }
      dev.Release();
    }
    dev.SetTimeout(0);
  }
  if (count_ < kMaxDevices) return;
  for (; n < kMaxPhysicalDrives; ++n) {
    if (Reported(n)) Drop(n, common::Format("the discovery list is full (%d drives)", kMaxDevices));
  }
}

bool AspiLib::Reported(int n) const {
  return n >= 0 && n < PerScanTables::kDriveNumbers &&
         tables_.listIndex[static_cast<size_t>(n)] != 0;
}

void AspiLib::Drop(int n, std::string reason, int port) {
  os_.OutputDebugStringA(
      common::Format("[VKM_SCAN] Initialize: PHYSICALDRIVE%d not listed: %s", n, reason.c_str()));
  dropped_.push_back({common::Format("PHYSICALDRIVE%d", n), std::move(reason), port});
}

bool AspiLib::IsSystemDisk(int n) const {
  return n >= 0 && std::binary_search(systemDisks_.begin(), systemDisks_.end(), n);
}

bool AspiLib::PortOfExcludedDisk(int port) const {
  for (int n = 0; n < kMaxPhysicalDrives; ++n)
    if (diskPort_[static_cast<size_t>(n)] == port && ExcludedSystemDisk(n)) return true;
  return false;
}

int AspiLib::DiskNumber(int index) const {
  if (index < 0 || index >= count_) return -1;
  const StorageDevice& dev = *slots_[static_cast<size_t>(index)];
  if (!(dev.devAttribute & STORAGE_SCSI_PORT)) return static_cast<int>(dev.devOrder);
  // Several disks on one port cannot be told apart by the port: the drive
  // is taken for the system disk when any of them is one.
  const int port = static_cast<int>(dev.devHaId);
  int found = -1;
  for (int n = 0; n < kMaxPhysicalDrives; ++n) {
    if (diskPort_[static_cast<size_t>(n)] != port) continue;
    if (IsSystemDisk(n)) return n;
    if (found < 0) found = n;
  }
  return found;
}

bool AspiLib::PortCovered(int port) const {
  for (int i = 0; i < count_; ++i)
    if (static_cast<int>(slots_[static_cast<size_t>(i)]->AddressKey() >> 16) == port) return true;
  return false;
}

void AspiLib::WalkScsiPorts(uint32_t flags, uint32_t timeout) {
  for (int p = 0; p < kMaxScsiPorts && count_ < kMaxDevices; ++p) {
    if (PortCovered(p) || PortOfExcludedDisk(p)) continue;
    StorageDevice& dev = Candidate();
    dev.SetTimeout(timeout);
    if (ProbeScsiPort(dev, p, flags)) {
      dev.devHaId = static_cast<uint32_t>(p);
      dev.devTarget = static_cast<uint32_t>(count_);
      dev.devLun = 0;
      ++count_;
    } else {
      dev.Release();
    }
    dev.SetTimeout(0);
  }
}

}  // namespace device
