#pragma once
// The three drive lists filled from the device table after a scan: a row per
// identified drive in the update list (serial, current and newest firmware,
// model, firmware tag) and the erase list, an entry in the information pages'
// device list, and, at start-up, one run-log block per drive.
#include <string>

#include "config/run_log/run_log.h"
#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"
#include "platform/os.h"
#include "scan/device_table.h"
#include "scan/result_column_map.h"
#include "scan/scan_target.h"
#include "ui/inputs.h"
#include "ui/list_view.h"

namespace app {

inline constexpr int kUpdateRowSubItems = 6;
inline constexpr int kEraseRowSubItems = 4;

enum class FillOccasion {
  kStartup,  // "Number of Device" and a log block per drive
  kRescan,   // only a warning per drive whose ISP image is missing
};

struct FillSources {
  os::Os& os;  // trace lines
  const std::string& exeDir;
  const AppOptions& options;
  const UpdateFileTable& updateFiles;  // the build's image choice, for the offered version
  const ProfileTable& profiles;
  RunLog& runLog;
  DeviceTable& table;
  SlotDeviceSource& devices;
};

struct DeviceListTargets {
  ui::ListView& updateList;  // LV_UpdateDevStatus, emptied before the fill
  ui::ListView& eraseList;   // LV_OptionErase, emptied before the fill
  ui::ComboBox& deviceList;  // CMBB_DeviceList, emptied before the scan
};

// What one row shows, as its log block repeats it.
struct DeviceRowTexts {
  std::string caption;
  std::string serial;
  std::string currentFw;
  std::string newestFw;
  std::string model;
  std::string fwTag;  // only for drives with a ParameterBlock
  bool hasParameterBlock = false;
  std::string ispPath;  // the image the newest version was looked for in
  bool ispExists = false;
  // Why "Newest FW Ver." stays empty although nothing is missing: an unknown
  // identity, or an image that gives no version.
  std::string noOfferReason;
};

// The reason shown for a drive whose identity could not be read.
inline constexpr const char* kIdentityUnknownReason =
    "the drive did not report its identity (IDENTIFY failed), its current FW version is unknown";

// Fills one row per filled slot and returns SelectedDevice (0, or -1 without
// drives). Every drive is closed after its row.
int FillDeviceLists(const FillSources& src, const DeviceListTargets& lists,
                    const ResultColumnMap& columns, FillOccasion occasion);

}  // namespace app
