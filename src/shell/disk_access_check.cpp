#include "shell/disk_access_check.h"

namespace app {

DiskAccessCheck::DiskAccessCheck(TUpdateDispaly& form, const device::AspiLib& aspi,
                                 bool machineDrives)
    : form_(form), inner_(form.Scanner()), aspi_(aspi), machineDrives_(machineDrives) {
  form_.SetDeviceScanner(this);
}

DiskAccessCheck::~DiskAccessCheck() { form_.SetDeviceScanner(&inner_); }

int DiskAccessCheck::ScanAndFill(TUpdateDispaly& form, Occasion occasion) {
  const int count = inner_.ScanAndFill(form, occasion);
  // Only a machine of drives (real or the lab's) asks for rights.
  missing_ = machineDrives_ && !aspi_.PrivilegeHeld();
  if (missing_ && !told_) {
    told_ = true;
    form.App().MessageBox(kNoDiskAccessMessage, kNoDiskAccessCaption, ui::MsgButtons::kOK,
                          ui::MsgIcon::kExclamation);
  }
  return count;
}

}  // namespace app
