#include "pages/maintenance/backup_disk.h"

#include "common/text.h"
#include "device/core/dev_attribute.h"
#include "device/core/device_identity.h"
#include "device/core/fixed_text.h"
#include "device/core/identity_match.h"

namespace maintenance {
namespace {

constexpr const char* kPhysicalName = "PHYSICALDRIVE";

bool NamedPhysical(const std::string& name) {
  return common::ToUpper(name).rfind(kPhysicalName, 0) == 0;
}

}  // namespace

std::string BackupDisk::Path() const {
  if (attribute & device::STORAGE_LOGICAL) return common::Format("\\\\.\\PHYSICALDRIVE%u", order);
  return "\\\\.\\" + name;
}

int BackupDisk::PhysicalNumber() const {
  if ((attribute & device::STORAGE_LOGICAL) || NamedPhysical(name)) return static_cast<int>(order);
  return -1;
}

double CapacityGb(uint64_t sectors) { return static_cast<double>(sectors) / 2097152.0; }

std::string DiskInfoText(const BackupDisk& disk) {
  return common::Format("Serial: %s\nModel: %s\nFW Ver: %s\nCapacity: %.2lf GB\n",
                        disk.serial.c_str(), disk.model.c_str(), disk.firmware.c_str(),
                        CapacityGb(disk.Sectors512()));
}

bool SamePhysicalDisk(const BackupDisk& a, const BackupDisk& b) {
  if (a.index == b.index) return true;
  const int na = a.PhysicalNumber(), nb = b.PhysicalNumber();
  if (na >= 0 && nb >= 0) return na == nb;
  return common::EqualsNoCase(a.Path(), b.Path());
}

std::string RecheckDisk(os::Os& os, const BackupDisk& disk) {
  const device::DriveIdentity listed{disk.model, disk.serial, disk.sectors};
  const std::string name = disk.PhysicalNumber() >= 0
                               ? common::Format("PHYSICALDRIVE%d", disk.PhysicalNumber())
                               : disk.name;
  return device::IdentityChangeRefusal(name, listed,
                                       device::ReadIdentityAt(os, disk.Path(), disk.attribute));
}

std::optional<BackupDisk> AspiBackupDisks::At(int index) const {
  if (index < 0 || index >= aspi_.Count()) return std::nullopt;
  const device::StorageDevice& d = aspi_.Device(index);
  BackupDisk disk;
  disk.index = index;
  disk.name = common::Trim(common::ToUpper(device::FixedText(d.devName)));
  disk.order = d.devOrder;
  disk.attribute = d.devAttribute;
  disk.sectors = d.devCapacity;
  disk.blockBytes = d.devBlockFactor * kSectorBytes;
  // Trimmed as the drive reported them, then escaped for showing.
  const device::IdentityTexts shown =
      device::ShownIdentity({device::FixedText(d.devSerial), device::FixedText(d.devFirmware),
                             device::FixedText(d.devModel)});
  disk.serial = shown.serial;
  disk.model = shown.model;
  disk.firmware = shown.firmware;
  return disk;
}

}  // namespace maintenance

namespace maintenance {

bool AspiBackupDisks::ReadCapacityNow(BackupDisk& disk) const {
  if (disk.index < 0 || disk.index >= aspi_.Count()) return false;
  // A device of its own on the listed one's path, so that the list keeps
  // what the scan read and this handle is closed here.
  device::StorageDevice fresh(aspi_.Device(disk.index).Os());
  static_cast<device::StorageDeviceRecord&>(fresh) = aspi_.Device(disk.index);
  fresh.devCapacity = 0;
  fresh.devBlockFactor = 1;
  device::ReadDeviceCapacity(fresh);
  if (fresh.devCapacity == 0) return false;
  disk.sectors = fresh.devCapacity;
  disk.blockBytes = fresh.devBlockFactor * kSectorBytes;
  return true;
}

}  // namespace maintenance
