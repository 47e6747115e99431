#include "shell/cli/cli_drives.h"

#include <algorithm>

#include "common/text.h"
#include "device/core/dev_attribute.h"
#include "device/core/fixed_text.h"
#include "device/core/identity_reader.h"

namespace app::cli {
namespace {

void FillFromDevice(CliDrive& d, const device::StorageDevice& dev) {
  d.path = device::FixedText(dev.devPath);
  d.devAttribute = dev.devAttribute;
  d.attachment = AttachmentName(dev.devAttribute);
  d.capacitySectors = dev.devCapacity;
  // A namespace or disk of 4096-byte blocks counts its capacity in those.
  d.blockBytes = (dev.devBlockFactor == 0 ? 1 : dev.devBlockFactor) * 512;
  // Trimmed as the drive reported them, then escaped for showing.
  const device::IdentityTexts shown = device::ShownIdentity(
      {device::FixedText(dev.devSerial), device::FixedText(dev.devFirmware),
       device::FixedText(dev.devModel)});
  d.model = shown.model;
  d.serial = shown.serial;
  d.firmware = shown.firmware;
}

void OverrideIdentity(CliDrive& d, const DriveView& drive) {
  const device::IdentityTexts shown = device::ShownIdentity(drive.Identity());
  if (!shown.serial.empty()) d.serial = shown.serial;
  if (!shown.firmware.empty()) d.firmware = shown.firmware;
  if (!shown.model.empty()) d.model = shown.model;
}

// The enumeration index of the disk an identified row was read from: the very
// device object the scan attached, else the disk of the same display name.
int EnumerationIndexOf(const device::StorageDevice* dev, const std::string& name,
                       device::AspiLib& aspi, const ui::ComboBox& source) {
  const int count = std::min(source.ItemCount(), aspi.Count());
  for (int i = 0; dev != nullptr && i < count; ++i)
    if (&aspi.Device(i) == dev) return i;
  for (int i = 0; i < count; ++i)
    if (common::EqualsNoCase(source.Items()[static_cast<size_t>(i)], name)) return i;
  return -1;
}

}  // namespace

std::string AttachmentName(uint32_t a) {
  if (a & device::STORAGE_NVME) return "nvme";
  if (a & device::STORAGE_NVME_BRIDGE) return "usb-nvme";
  if (a & device::STORAGE_NVME_MINIPORT) return "nvme-miniport";
  if (a & device::STORAGE_ATA) return (a & device::STORAGE_SCSI) ? "sat" : "ata";
  return "scsi";
}

std::vector<CliDrive> IdentifiedDrives(TUpdateDispaly& form, SessionPlugins& plugins) {
  std::vector<CliDrive> drives;
  const ui::ListView& list = form.LV_UpdateDevStatus;
  const ResultColumnMap& cols = plugins.Scan().Columns();
  DeviceTable& table = plugins.Scan().Table();
  for (int row = 0; row < list.ItemCount() && row < table.DeviceCount(); ++row) {
    CliDrive d;
    d.row = row;
    d.name = list.Item(row).caption;
    d.identified = true;
    const device::StorageDevice* dev = table.Slot(row).device.Drive();
    if (dev != nullptr) FillFromDevice(d, *dev);
    d.index = EnumerationIndexOf(dev, d.name, plugins.Scan().Aspi(), form.CMBB_DeviceList_Source);
    // What the scan read from the drive itself wins over the enumeration's
    // copies, decoded by the same reader the lists use.
    if (row < plugins.Scan().Drives().Count()) OverrideIdentity(d, plugins.Scan().Drives().At(row));
    const auto cell = [&](int sub) { return sub >= 0 ? common::Trim(list.SubItem(row, sub)) : ""; };
    d.offered = cell(cols.newestFw);
    drives.push_back(std::move(d));
  }
  return drives;
}

std::vector<CliDrive> EnumeratedDisks(TUpdateDispaly& form, SessionPlugins& plugins) {
  std::vector<CliDrive> disks;
  device::AspiLib& aspi = plugins.Scan().Aspi();
  const ui::ComboBox& source = form.CMBB_DeviceList_Source;
  const std::vector<CliDrive> identified = IdentifiedDrives(form, plugins);
  for (int i = 0; i < source.ItemCount() && i < aspi.Count(); ++i) {
    // An identified disk is the same entry `list` shows, so a serial or model
    // read from the drive names it alike in every subcommand.
    const auto same = std::find_if(identified.begin(), identified.end(),
                                   [i](const CliDrive& id) { return id.index == i; });
    if (same != identified.end()) {
      disks.push_back(*same);
      continue;
    }
    CliDrive d;
    d.index = i;
    d.name = source.Items()[static_cast<size_t>(i)];
    FillFromDevice(d, aspi.Device(i));
    disks.push_back(std::move(d));
  }
  return disks;
}

const CliDrive* DriveAtRow(const std::vector<CliDrive>& drives, int row) {
  for (const CliDrive& d : drives)
    if (d.row == row) return &d;
  return nullptr;
}

}  // namespace app::cli
