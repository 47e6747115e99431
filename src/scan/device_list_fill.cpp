#include "scan/device_list_fill.h"

#include <array>

#include "config/run_log/run_log_lines.h"
#include "scan/scan_rules.h"
#include "common/text.h"
#include "package/expected_version.h"
#include "package/firmware_tag.h"
#include "package/mode_sector.h"
#include "package/parameter_block.h"

namespace app {
namespace {

const ControllerProfile* ProfileOf(const ProfileTable& profiles, const SlotData& data) {
  if (data.profileIndex < 0 || data.profileIndex >= profiles.ProfileCount ||
      data.profileIndex >= kMaxProfiles) {
    return nullptr;
  }
  return &profiles.Profiles[static_cast<size_t>(data.profileIndex)];
}

void AddEmptyRow(ui::ListView& list, const std::string& caption, int subItems) {
  const int row = list.AddItem(caption);
  for (int i = 0; i < subItems; ++i) list.AddSubItem(row, "");
}

// The newest version the package offers this drive, and the current version
// kept in the slot for the update flows.
void LookUpNewestVersion(const FillSources& src, int slot, const ControllerProfile& profile,
                         DeviceRowTexts& row) {
  SlotData& data = src.table.Slot(slot).data;
  std::array<uint8_t, firmware::ModeSector::kSize> modeBytes{};
  firmware::ScanDrive drive;
  drive.isNvme = !row.hasParameterBlock;
  if (row.hasParameterBlock) {
    drive.parameterBlock = data.parameterBlock;
    if (src.options.AutoGenFlu) {
      // The variant decides between the 4620 and 4620XT2 folders.
      int mode = 0;
      src.devices.At(slot).ModeQuery(&mode, modeBytes);
      drive.modeSector = modeBytes;
    }
  }
  drive.modelName = row.model;
  drive.currentFwVer = row.currentFw;
  const firmware::ExpectedVersion ev =
      firmware::ExpectedVersionAtScan(src.exeDir, src.options.AutoGenFlu, profile, drive);
  row.ispPath = ev.ispPath;
  row.ispExists = ev.imageExists;
  row.newestFw = ev.imageExists ? ev.version : std::string();
  // Kept whether or not an image was found: a rescan must not leave the text
  // of the drive that held this slot before.
  data.SetCurrentFirmware(row.currentFw);
}

DeviceRowTexts FillRow(const FillSources& src, const DeviceListTargets& lists,
                       const ResultColumnMap& columns, int slot, const ControllerProfile& profile) {
  SlotData& data = src.table.Slot(slot).data;
  const DriveAccess& dev = src.devices.At(slot);
  DeviceRowTexts row;
  row.caption = common::ToUpper(dev.DevName());
  AddEmptyRow(lists.updateList, row.caption, kUpdateRowSubItems);
  AddEmptyRow(lists.eraseList, row.caption, kEraseRowSubItems);
  lists.deviceList.AddItem(row.caption);
  const int r = lists.updateList.ItemCount() - 1;
  const int e = lists.eraseList.ItemCount() - 1;

  row.hasParameterBlock = !dev.IsNvmeDrive();
  const IdentityTexts ids = row.hasParameterBlock ? AtaIdentityTexts(data.ataIdentify)
                                                  : NvmeIdentityTexts(data.nvmeIdentifyController);
  row.serial = common::Trim(ids.serial);
  row.currentFw = common::Trim(ids.firmware);
  row.model = common::Trim(ids.model);
  lists.updateList.SetSubItem(r, columns.serialNumber, row.serial);
  lists.updateList.SetSubItem(r, columns.currentFw, row.currentFw);
  lists.updateList.SetSubItem(r, columns.modelName, row.model);

  if (row.hasParameterBlock) {
    const firmware::ParameterBlock block(data.parameterBlock);
    row.fwTag = common::Trim(firmware::ExtractFirmwareIdentity(block).tag);
    if (columns.HasFwTag()) lists.updateList.SetSubItem(r, columns.fwTag, row.fwTag);
  }

  LookUpNewestVersion(src, slot, profile, row);
  lists.updateList.SetSubItem(r, columns.newestFw, row.newestFw);

  lists.eraseList.SetSubItem(e, 0, row.serial);
  lists.eraseList.SetSubItem(e, 1, row.currentFw);
  lists.eraseList.SetSubItem(e, 2, row.model);
  return row;
}

void LogRow(const FillSources& src, const ResultColumnMap& columns, FillOccasion occasion, int slot,
            const ControllerProfile& profile, const DeviceRowTexts& row) {
  if (occasion == FillOccasion::kRescan) {
    if (!row.ispExists) AppendRescanWarning(src.runLog, slot, row.ispPath);
    return;
  }
  DeviceLogBlock block;
  block.slot = slot;
  block.controller = profile.Name;
  block.device = row.caption;
  block.serialNumber = row.serial;
  block.currentFw = row.currentFw;
  block.expectFw = row.newestFw;
  block.modelName = row.model;
  if (row.hasParameterBlock && columns.HasFwTag()) block.fwTag = row.fwTag;
  if (!row.ispExists) block.missingIspPath = row.ispPath;
  AppendDeviceBlock(src.runLog, block);
}

}  // namespace

int FillDeviceLists(const FillSources& src, const DeviceListTargets& lists,
                    const ResultColumnMap& columns, FillOccasion occasion) {
  int selected = -1;
  if (occasion == FillOccasion::kStartup) {
    AppendDeviceCount(src.runLog, src.table.DeviceCount());
  }
  for (int u = 0; u < src.table.DeviceCount(); ++u) {
    const ControllerProfile* profile = ProfileOf(src.profiles, src.table.Slot(u).data);
    // A slot is only filled with a profile's index; anything else is a table
    // that was not made by ScanTarget and has nothing to show.
    if (profile == nullptr) continue;
    const DeviceRowTexts row = FillRow(src, lists, columns, u, *profile);
    if (u == 0) selected = 0;
    src.devices.At(u).Close();
    LogRow(src, columns, occasion, u, *profile, row);
  }
  return selected;
}

}  // namespace app
