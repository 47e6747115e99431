#pragma once
// The information pages over the program's device table, living as long as the
// form they are plugged into: construct after the form and the device scan,
// destroy before them.
#include "app/form/update_dispaly.h"
#include "app/scan/device_table.h"
#include "info/pages/device_table_drives.h"
#include "info/pages/info_pages.h"

namespace info {

class InfoPagesPlugin {
 public:
  InfoPagesPlugin(app::TUpdateDispaly& form, app::DeviceTable& table)
      : drives_(table, form.Context().profiles), pages_(form, drives_) {}

  InfoPages& Pages() { return pages_; }

 private:
  DeviceTableDrives drives_;
  InfoPages pages_;
};

}  // namespace info
