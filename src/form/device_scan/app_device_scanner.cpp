#include "form/device_scan/app_device_scanner.h"

#include "form/update_dispaly.h"

namespace app {

AppDeviceScanner::AppDeviceScanner(RunContext& ctx, DriveDiscovery& discovery, DeviceTable& table,
                                   SlotDeviceSource* devices)
    : ctx_(ctx),
      discovery_(discovery),
      table_(table),
      tableDevices_(table),
      devices_(devices ? *devices : tableDevices_),
      views_(table, devices_, ctx.profiles) {}

int AppDeviceScanner::ScanAndFill(TUpdateDispaly& form, Occasion occasion) {
  DeviceScan scan(ctx_.os, ctx_.options, ctx_.profiles, discovery_, table_, devices_);
  scan.ScanTarget({form.CMBB_DeviceList_Source, form.CMBB_DeviceList_Destination});
  droppedText_ = DroppedDrivesText(scan.Dropped());
  form.LV_UpdateDevStatus.Clear();
  form.LV_OptionErase.Clear();

  form.SelectedDevice = -1;
  const bool startup = occasion == Occasion::kStartup;
  if (startup) columns_ = BuildResultColumnMap(ctx_.options.ShowFWTag, form.LV_UpdateDevStatus);
  const FillSources src{ctx_.os,       ctx_.exeDir, ctx_.options, ctx_.updateFiles,
                        ctx_.profiles, ctx_.runLog, table_,       devices_};
  const DeviceListTargets lists{form.LV_UpdateDevStatus, form.LV_OptionErase, form.CMBB_DeviceList};
  form.SelectedDevice = FillDeviceLists(src, lists, columns_,
                                        startup ? FillOccasion::kStartup : FillOccasion::kRescan);
  form.CMBB_DeviceList.SetItemIndex(form.SelectedDevice);
  return table_.DeviceCount();
}

DeviceScanPlugin::DeviceScanPlugin(TUpdateDispaly& form, RunContext& ctx)
    : form_(form),
      aspi_(ctx.os),
      discovery_(aspi_, ctx.options),
      scanner_(ctx, discovery_, table_) {
  form_.SetDeviceScanner(&scanner_);
}

DeviceScanPlugin::~DeviceScanPlugin() {
  form_.SetDeviceScanner(nullptr);
  // The handles of the listed drives are not left open past the plugin.
  aspi_.ReleaseAll();
}

}  // namespace app
