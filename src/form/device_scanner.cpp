#include "form/device_scanner.h"

#include "form/update_dispaly.h"
#include "config/run_log/run_log_lines.h"

namespace app {

int NoDriveScanner::ScanAndFill(TUpdateDispaly& form, Occasion occasion) {
  form.CMBB_DeviceList_Source.Clear();
  form.CMBB_DeviceList_Destination.Clear();
  form.LV_UpdateDevStatus.Clear();
  form.LV_OptionErase.Clear();
  form.SelectedDevice = -1;
  if (occasion == Occasion::kStartup) AppendDeviceCount(form.Context().runLog, 0);
  return 0;
}

}  // namespace app
