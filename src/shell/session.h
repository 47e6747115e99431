#pragma once
// A session: the backend the command line names (the machine's own drives, or
// a lab machine), and everything that plugs into a main form: the device scan
// and the pages. The window, the headless run and the end-to-end tests all
// assemble the tool through here.
#include <memory>
#include <string>

#include "config/context/run_context.h"
#include "form/device_scan/app_device_scanner.h"
#include "form/update_dispaly.h"
#include "pages/info/info_pages_plugin.h"
#include "pages/maintenance/backup_page.h"
#include "pages/maintenance/erase_page.h"
#include "pages/update/update_page.h"
#include "platform/os.h"
#include "shell/disk_access_check.h"

namespace app {

// `lab` empty: the machine's drives through the Linux pass-through backend (the
// Win32 backend on Windows).
// Otherwise a lab folder or "demo"; a lab runs on virtual time starting at the
// host's local time, so run logs carry today's date. Null with `error` set
// when the lab cannot be opened.
std::unique_ptr<os::Os> OpenBackend(const std::string& lab, std::string& error);

// The scan and the pages of one form. Built after the form and destroyed
// before it, in reverse order; each part gives back what it took over.
class SessionPlugins {
 public:
  SessionPlugins(TUpdateDispaly& form, RunContext& ctx);
  SessionPlugins(const SessionPlugins&) = delete;
  SessionPlugins& operator=(const SessionPlugins&) = delete;

  DeviceScanPlugin& Scan() { return scan_; }
  info::InfoPagesPlugin& InfoPages() { return infoPages_; }
  maintenance::ErasePage& Erase() { return erase_; }
  maintenance::BackupPage& Backup() { return backup_; }
  update::UpdatePage& Update() { return update_; }
  // The machine's drives were scanned without the rights pass-through needs
  // (the user was told in a message box).
  bool DiskAccessMissing() const { return access_.Missing(); }

 private:
  DeviceScanPlugin scan_;
  info::InfoPagesPlugin infoPages_;
  maintenance::ErasePage erase_;
  update::UpdatePage update_;
  maintenance::BackupPage backup_;
  DiskAccessCheck access_;  // last: gives the scanner back first
};

}  // namespace app
