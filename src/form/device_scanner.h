#pragma once
// The device scan behind the form: the device table, ScanTarget and the fill
// of the drive lists. The form calls it at start-up, on a rescan and at close;
// until a real scanner is plugged in, NoDriveScanner finds no drive.
#include <string>

namespace app {

class TUpdateDispaly;

class DeviceScanner {
 public:
  enum class Occasion {
    kStartup,  // with "Number of Device:%d" and one run-log block per drive
    kRescan,   // with the rescan's warning lines instead
  };
  virtual ~DeviceScanner() = default;

  // Start-up: forgets the current-firmware texts kept per slot.
  virtual void ClearCurrentFirmware() = 0;
  // Releases every drive the discovery listed (start-up, rescan and close).
  virtual void ReleaseAll() = 0;
  // ScanTarget and the device-list fill. CMBB_DeviceList is already empty;
  // the scanner fills it, LV_UpdateDevStatus, LV_OptionErase and the backup
  // source/destination lists, and writes the run-log lines of the occasion.
  // Returns DeviceCount (0..16).
  virtual int ScanAndFill(TUpdateDispaly& form, Occasion occasion) = 0;
  // After ScanAndFill: "N drives found but not listed: ..." with the reasons,
  // or empty when every drive found was looked at.
  virtual std::string DroppedText() const { return {}; }
};

// No drive layer: every list stays empty and the count is 0.
class NoDriveScanner : public DeviceScanner {
 public:
  void ClearCurrentFirmware() override {}
  void ReleaseAll() override {}
  int ScanAndFill(TUpdateDispaly& form, Occasion occasion) override;
};

}  // namespace app
