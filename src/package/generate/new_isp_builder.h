#pragma once
// GenNewISP_ExRetryTable_BootISP: builds New_ISP.bin for one drive from the
// package's ISP image of its firmware and retry tags, with the boot-ISP area
// replaced by the boot ISP of the drive's IC version and, when the flash needs
// one, the retry table of the drive's retry-table number.
#include <span>
#include <string>

#include "config/settings/app_options.h"
#include "package/ic_family.h"
#include "platform/os.h"

namespace firmware {

// Where the builder reads its settings and writes its trace.
struct NewIspContext {
  os::Os& os;
  std::string exeDir;
  const app::AppOptions& options;
  const app::UpdateFileTable& updateFiles;
  std::string currentFwVer;  // the "Curr FW Ver." text (SelectMultiFWBin key)
};

struct NewIspInput {
  int retryTableNumber = 0;
  IcFamily family = IcFamily::kNone;
  std::string tag;              // after the NAND-type mapping
  std::string retryTag;         // normalised
  std::string icVersionSuffix;  // "AB", "AC", "AD", "XT2" or empty
  int step = 0;                 // update step 0..4
  // The flash information block from 0x2600 on (the plane count is at +0x38).
  std::span<const uint8_t> flashConfig;
};

// Largest ISP image the builder reads into memory.
inline constexpr size_t kMaxIspImageBytes = 64u * 1024 * 1024;

// True when ExeDir\Firmware\IcFolder\tag\New_ISP.bin was written whole. False
// with the reason traced; nothing is written then.
bool GenNewISP_ExRetryTable_BootISP(const NewIspContext& ctx, const NewIspInput& in);

}  // namespace firmware
