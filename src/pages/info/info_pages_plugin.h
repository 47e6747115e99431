#pragma once
// The information pages over the identified drives of the device scan, living
// as long as the form they are plugged into: construct after the form and the
// device scan, destroy before them.
#include "form/update_dispaly.h"
#include "pages/info/info_pages.h"
#include "scan/drive_view.h"

namespace info {

class InfoPagesPlugin {
 public:
  InfoPagesPlugin(app::TUpdateDispaly& form, app::DriveViews& drives) : pages_(form, drives) {}

  InfoPages& Pages() { return pages_; }

 private:
  InfoPages pages_;
};

}  // namespace info
