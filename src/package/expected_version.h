#pragma once
// The version the package offers a drive, as the device list shows it in
// "Newest FW Ver." right after the scan (the drive's ExpectedFWVer).
#include <cstdint>
#include <span>
#include <string>

#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"

namespace firmware {

// What the scan knows about one drive.
struct ScanDrive {
  bool isNvme = false;
  std::span<const uint8_t> parameterBlock;  // empty for NVMe drives
  std::span<const uint8_t> modeSector;      // from the mode query (automatic mode)
  std::string modelName;                    // the "Model Name" text, trimmed
  std::string currentFwVer;                 // the "Curr FW Ver." text, trimmed
  // Automatic mode: the flash information block, when the drive answered it.
  // The NAND-type mapping of the tag and the plane folder need it.
  std::span<const uint8_t> flashInfo;
};

// The settings the update-file build selects its image with (MultiSelectFW and
// the update steps' file names).
struct BuildSettings {
  const app::AppOptions& options;
  const app::UpdateFileTable& updateFiles;
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

// Automatic mode shows the version the update file will carry, read where the
// build reads it: with the flash information block, the image the build
// selects for the last update step (the mapped tag's folder, the plane folder,
// the step's file name) and SetCID.ini of the mapped tag's folder; without it,
// the automatic ISP path and SetCID.ini of the raw tag's folder. SetCID.ini's
// version wins when it sets one, else the version is made from the image's
// identity field (a dated field 20190312A0 gives S0312A0). Configured mode reads ISPVerChkStrLengh
// characters of the configured image at ISPVerOffset, pair-swapped when
// ISPVerChkStrSwapFlag is set.
ExpectedVersion ExpectedVersionAtScan(const std::string& exeDir, bool autoGenFlu,
                                      const app::ControllerProfile& profile,
                                      const ScanDrive& drive,
                                      const BuildSettings* build = nullptr);

// The SetCID.ini version override for a drive: section IDTable, key SetFWVer, or
// when that is empty SetFWVer_<current version>; its first 8 characters. Empty
// when the file or both keys are missing.
std::string SetCidVersionOverride(const std::string& setCidPath, const std::string& currentFwVer);

}  // namespace firmware
