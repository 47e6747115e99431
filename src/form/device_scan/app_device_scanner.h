#pragma once
// The form's device scan: ScanTarget, then the fill of the three drive lists,
// with the run-log lines of start-up or of a rescan. DeviceScanPlugin puts the
// discovery list, the device table and the scanner beside a form.
#include "config/context/run_context.h"
#include "device/discovery/aspi_lib.h"
#include "form/device_scanner.h"
#include "scan/device_list_fill.h"
#include "scan/device_table.h"
#include "scan/drive_discovery.h"
#include "scan/drive_view.h"
#include "scan/result_column_map.h"
#include "scan/scan_target.h"

namespace app {

class AppDeviceScanner : public DeviceScanner {
 public:
  // `devices` null: the table's own VKMClass objects identify the drives.
  AppDeviceScanner(RunContext& ctx, DriveDiscovery& discovery, DeviceTable& table,
                   SlotDeviceSource* devices = nullptr);

  void ClearCurrentFirmware() override { table_.ClearCurrentFirmware(); }
  void ReleaseAll() override { discovery_.ReleaseAll(); }
  int ScanAndFill(TUpdateDispaly& form, Occasion occasion) override;
  std::string DroppedText() const override { return droppedText_; }

  // Built at start-up; a rescan keeps the columns as they were made.
  const ResultColumnMap& Columns() const { return columns_; }
  DeviceTable& Table() { return table_; }
  // The identified drives as the pages see them.
  DriveViews& Drives() { return views_; }

 private:
  RunContext& ctx_;
  DriveDiscovery& discovery_;
  DeviceTable& table_;
  TableSlotDevices tableDevices_;
  SlotDeviceSource& devices_;
  ResultColumnMap columns_;
  TableDriveViews views_;
  std::string droppedText_;
};

// Everything the scan needs, living as long as the form it is plugged into.
// Construct after the form and destroy before it; the form is handed back its
// built-in scanner on destruction.
class DeviceScanPlugin {
 public:
  DeviceScanPlugin(TUpdateDispaly& form, RunContext& ctx);
  ~DeviceScanPlugin();
  DeviceScanPlugin(const DeviceScanPlugin&) = delete;
  DeviceScanPlugin& operator=(const DeviceScanPlugin&) = delete;

  device::AspiLib& Aspi() { return aspi_; }
  DeviceTable& Table() { return table_; }
  DriveViews& Drives() { return scanner_.Drives(); }
  const ResultColumnMap& Columns() const { return scanner_.Columns(); }
  std::string DroppedText() const { return scanner_.DroppedText(); }

 private:
  TUpdateDispaly& form_;
  device::AspiLib aspi_;
  AspiDiscovery discovery_;
  DeviceTable table_;
  AppDeviceScanner scanner_;
};

}  // namespace app
