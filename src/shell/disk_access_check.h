#pragma once
// On the machine's own drives, or a lab's, the scan can come back short for
// want of rights, which would otherwise look like a machine without drives. This
// scanner wraps the session's one: after a scan without the pass-through
// privilege it says once, in a message box (the window's, or the headless
// console's), what the tool needs; the headless entry points then end with
// kExitNoDiskAccess.
#include <string>

#include "device/discovery/aspi_lib.h"
#include "form/device_scanner.h"
#include "form/update_dispaly.h"

namespace app {

inline constexpr int kExitNoDiskAccess = 4;
inline constexpr char kNoDiskAccessCaption[] = "Warning";
inline constexpr char kNoDiskAccessMessage[] =
    "No access to the disks: SSD Tools needs to run as root, or as a member of the disk group "
    "with the CAP_SYS_RAWIO capability (sudo setcap cap_sys_rawio+ep ssdtools). Drives may be "
    "missing from the lists.";

class DiskAccessCheck : public DeviceScanner {
 public:
  // Takes the form's scanner over and gives it back on destruction.
  // `machineDrives`: the backend is a machine of drives (real, or a lab).
  DiskAccessCheck(TUpdateDispaly& form, const device::AspiLib& aspi, bool machineDrives);
  ~DiskAccessCheck() override;
  DiskAccessCheck(const DiskAccessCheck&) = delete;
  DiskAccessCheck& operator=(const DiskAccessCheck&) = delete;

  void ClearCurrentFirmware() override { inner_.ClearCurrentFirmware(); }
  void ReleaseAll() override { inner_.ReleaseAll(); }
  std::string DroppedText() const override { return inner_.DroppedText(); }
  int ScanAndFill(TUpdateDispaly& form, Occasion occasion) override;

  // The last scan ran without the privilege.
  bool Missing() const { return missing_; }

 private:
  TUpdateDispaly& form_;
  DeviceScanner& inner_;
  const device::AspiLib& aspi_;
  bool machineDrives_;
  bool missing_ = false;
  bool told_ = false;
};

}  // namespace app
