#include "shell/cli/cli_drives.h"

#include <cctype>

#include "common/str_to_int.h"
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

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (const char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
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
    d.index = row;
    d.name = list.Item(row).caption;
    d.identified = true;
    if (const device::StorageDevice* dev = table.Slot(row).device.Drive()) FillFromDevice(d, *dev);
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
    CliDrive d;
    d.index = i;
    d.name = source.Items()[static_cast<size_t>(i)];
    FillFromDevice(d, aspi.Device(i));
    for (const CliDrive& id : identified) {
      if (common::EqualsNoCase(id.name, d.name)) {
        d.identified = true;
        d.offered = id.offered;
      }
    }
    disks.push_back(std::move(d));
  }
  return disks;
}

std::optional<int> FindDrive(const std::vector<CliDrive>& drives, const std::string& spec) {
  if (AllDigits(spec)) {
    const std::optional<int32_t> n = common::TryStrToInt(spec);
    if (n && *n >= 0 && *n < static_cast<int32_t>(drives.size())) return *n;
    return std::nullopt;
  }
  std::string name = spec;
  if (name.rfind("\\\\.\\", 0) == 0) name = name.substr(4);
  for (const CliDrive& d : drives)
    if (common::EqualsNoCase(d.name, name)) return d.index;
  for (const CliDrive& d : drives)
    if (!d.serial.empty() && d.serial == common::Trim(spec)) return d.index;
  return std::nullopt;
}

}  // namespace app::cli
