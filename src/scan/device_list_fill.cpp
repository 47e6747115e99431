#include "scan/device_list_fill.h"

#include <array>
#include <vector>

#include "common/text.h"
#include "config/run_log/run_log_lines.h"
#include "package/expected_version.h"
#include "controller/sata/vk4540lt.h"
#include "package/firmware_tag.h"
#include "package/flash_info_block.h"
#include "package/mode_sector.h"
#include "package/parameter_block.h"
#include "scan/identity_recheck.h"
#include "scan/scan_rules.h"

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
                         const IdentityTexts& raw, DeviceRowTexts& row) {
  SlotData& data = src.table.Slot(slot).data;
  // Kept whether or not an image is found: a rescan must not leave the text
  // of the drive that held this slot before.
  data.SetCurrentFirmware(raw.firmware);
  if (IdentityUnknown(raw)) {
    // Nothing can be offered to a drive whose current version is unknown: the
    // version rules would have nothing to compare.
    row.ispExists = true;
    row.noOfferReason = kIdentityUnknownReason;
    return;
  }
  std::array<uint8_t, firmware::ModeSector::kSize> modeBytes{};
  std::vector<uint8_t> flashInfo;
  firmware::ScanDrive drive;
  drive.isNvme = !row.hasParameterBlock;
  if (row.hasParameterBlock) {
    drive.parameterBlock = data.parameterBlock;
    if (src.options.AutoGenFlu) {
      // The variant decides between the 4620 and 4620XT2 folders.
      int mode = 0;
      src.devices.At(slot).ModeQuery(&mode, modeBytes);
      drive.modeSector = modeBytes;
      // The tag's NAND-type mapping and the plane folder, as the build will
      // read them; a drive that does not answer is looked up by its raw tag.
      if (controller::VK4540LT* sata = src.devices.At(slot).SataVendorObject()) {
        flashInfo.assign(firmware::FlashInfoBlock::kSize, 0);
        if (sata->ReadFlashInfo(flashInfo) == 0) drive.flashInfo = flashInfo;
      }
    }
  }
  // Package folders and keys are matched against what the drive reported,
  // byte for byte; only the shown texts are escaped.
  drive.modelName = raw.model;
  drive.currentFwVer = raw.firmware;
  const firmware::BuildSettings build{src.options, src.updateFiles};
  const firmware::ExpectedVersion ev =
      firmware::ExpectedVersionAtScan(src.exeDir, src.options.AutoGenFlu, profile, drive, &build);
  row.ispPath = ev.ispPath;
  row.ispExists = ev.imageExists;
  row.newestFw = ev.imageExists ? common::ShownText(ev.version) : std::string();
  if (ev.imageExists && ev.version.empty()) {
    row.noOfferReason = ev.blankReason + ": " + ev.ispPath;
  }
}

// At start-up the warning follows the drive's block the way a missing image's
// does; a rescan writes one entry, as its missing-image warning is written.
void AppendNoOfferWarning(RunLog& log, int slot, const std::string& reason, bool rescan) {
  if (rescan) {
    log.Append(common::Format("[Warning]No FW version offered(%d)...\n %s", slot, reason.c_str()));
    return;
  }
  log.Append(common::Format("***Warning***(Dev_%d)", slot));
  log.Append("No FW Version => " + reason);
}

// Why a listed drive is offered no version, where the user and a script see it.
void ReportNoOffer(const FillSources& src, FillOccasion occasion, int slot,
                   const DeviceRowTexts& row) {
  if (row.noOfferReason.empty()) return;
  src.os.OutputDebugStringA(common::Format("[VKM_SCAN] ScanTarget: Dev_%d no FW version: %s\n",
                                           slot, row.noOfferReason.c_str()));
  AppendNoOfferWarning(src.runLog, slot, row.noOfferReason, occasion == FillOccasion::kRescan);
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
  const IdentityTexts raw = TrimmedIdentity(ids);
  data.listed = IdentityOfSlot(data, !row.hasParameterBlock);
  row.serial = common::ShownText(raw.serial);
  row.currentFw = common::ShownText(raw.firmware);
  row.model = common::ShownText(raw.model);
  lists.updateList.SetSubItem(r, columns.serialNumber, row.serial);
  lists.updateList.SetSubItem(r, columns.currentFw, row.currentFw);
  lists.updateList.SetSubItem(r, columns.modelName, row.model);

  if (row.hasParameterBlock) {
    const firmware::ParameterBlock block(data.parameterBlock);
    row.fwTag = common::ShownText(common::Trim(firmware::ExtractFirmwareIdentity(block).tag));
    if (columns.HasFwTag()) lists.updateList.SetSubItem(r, columns.fwTag, row.fwTag);
  }

  LookUpNewestVersion(src, slot, profile, raw, row);
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
    ReportNoOffer(src, occasion, slot, row);
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
  ReportNoOffer(src, occasion, slot, row);
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
