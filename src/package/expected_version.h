#pragma once
// The version the package offers a drive, as the device list shows it in
// "Newest FW Ver." right after the scan (the drive's ExpectedFWVer).
#include <cstdint>
#include <span>
#include <string>

#include "config/settings/controller_profile.h"

namespace firmware {

// What the scan knows about one drive.
struct ScanDrive {
  bool isNvme = false;
  std::span<const uint8_t> parameterBlock;  // empty for NVMe drives
  std::span<const uint8_t> modeSector;      // from the mode query (automatic mode)
  std::string modelName;                    // the "Model Name" text, trimmed
  std::string currentFwVer;                 // the "Curr FW Ver." text, trimmed
};

struct ExpectedVersion {
  // The image looked at; empty when the drive has none (automatic mode: an NVMe
  // drive or a block without a family; configured mode: no file configured).
  std::string ispPath;
  bool imageExists = false;
  // Trimmed; empty when the image does not exist.
  std::string version;
  // When the image exists but gives no version: why (empty, unreadable, too
  // short for the version's offset, or no text there).
  std::string blankReason;
};

// Automatic mode shows the version the update file will carry: SetCID.ini of
// the raw tag's folder when it sets one, else the version made from the
// identity field of the automatic ISP path (raw tag and retry tag; a dated
// field 20190312A0 gives S0312A0). Configured mode reads ISPVerChkStrLengh
// characters of the configured image at ISPVerOffset, pair-swapped when
// ISPVerChkStrSwapFlag is set.
ExpectedVersion ExpectedVersionAtScan(const std::string& exeDir, bool autoGenFlu,
                                      const app::ControllerProfile& profile,
                                      const ScanDrive& drive);

// The SetCID.ini version override for a drive: section IDTable, key SetFWVer, or
// when that is empty SetFWVer_<current version>; its first 8 characters. Empty
// when the file or both keys are missing.
std::string SetCidVersionOverride(const std::string& setCidPath, const std::string& currentFwVer);

}  // namespace firmware
