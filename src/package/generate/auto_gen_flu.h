#pragma once
// DoAutoGenFlu: builds the update file of one SATA drive in automatic mode.
// It reads the drive's identity and configuration from its controller, builds
// New_ISP.bin, writes the drive's IDENTIFY template, CID record (with the
// package's SetCID.ini changes), retry data, boot parameter record, version and
// checksums into it, and writes Microcode.flu (and the same bytes over the
// configured image of the drive's IC type). The download flow calls it once
// per update step and downloads <outputFolder>Microcode.flu.
#include <string>

#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"
#include "platform/os.h"
#include "controller/sata/vk4540lt.h"

namespace firmware {

// Error codes (0 is success).
inline constexpr int kGenFluAssemblyFailed = 16;  // also: a unit size of 0
inline constexpr int kGenFluNewIspNotBuilt = 17;
inline constexpr int kGenFluCidReadFailed = 18;  // also: the flash information read
inline constexpr int kGenFluFileFailed = 257;    // an output or New_ISP.bin
inline constexpr int kGenFluIcVersionFailed = 258;

// What the generation reads from the tool and the drive's row.
struct GenFluContext {
  os::Os& os;                               // trace lines and the retry sleeps
  std::string exeDir;                       // the tool folder
  const app::AppOptions& options;           // ROMCheckICVer, MultiSelectFW
  const app::UpdateFileTable& updateFiles;  // UpdateFile0..4
  const app::ControllerProfile& profile;    // the drive's IC type (ISP_FilePath)
  std::string modelName;                    // the row's "Model Name"
  std::string currentFwVer;                 // the row's "Curr FW Ver."
  int icVersionComboIndex = -1;             // CMBB_ICVersion, -1 for no choice
};

struct GenFluResult {
  int code = 0;
  // On success: ExeDir\Firmware\IcFolder\tag\ (with the trailing backslash),
  // where Microcode.flu now is, and IcFolder + tag, the prefix of the drive's
  // permission keys.
  std::string outputFolder;
  std::string keyPrefix;
  bool Ok() const { return code == 0; }
};

// `drive` is attached to the drive being updated; `step` is the update step 0..4.
GenFluResult DoAutoGenFlu(const GenFluContext& ctx, controller::VK4540LT& drive, int step);

}  // namespace firmware
