#pragma once
// Picking the files an ISP image is built from in automatic mode: the ISP image
// of an update step (with the per-drive alternative of SelectMultiFWBin and the
// plane sub-folders), the boot ISP of the IC version and the retry table.
#include <optional>
#include <string>
#include <string_view>

#include "config/settings/app_options.h"
#include "package/ic_family.h"
#include "package/package_identity.h"

namespace firmware {

inline constexpr const char* kSelectMultiFWBinFail = "SelectMultiFWBin Fail";

// The drive facts the build selection works from.
struct BuildSelectionInput {
  IcFamily family = IcFamily::kNone;
  std::string icVersionSuffix;  // "AB", "AC", "AD", "XT2" or empty
  std::string tag;              // after the NAND-type mapping
  std::string retryTag;         // normalised
  int planeCount = 0;
  int step = 0;              // update step 0..4
  std::string currentFwVer;  // the "Curr FW Ver." text of the drive's row
};

struct Selection {
  bool ok = false;
  std::string path;    // when ok
  std::string reason;  // when not ok, the text the builder traces
};

// The Setting.ini key naming a drive's alternative image: IcFolder + tag + the
// current version, with no separators.
std::string MultiFWBinKey(std::string_view icFolder, std::string_view tag,
                          std::string_view currentFwVer);

// The alternative name for `name` ("ISP4620_S.bin" and value "B16" give
// "ISP4620_B16.bin") from section UpdateFW of ExeDir\Setting.ini; nothing when
// the file is missing or the key is empty.
std::optional<std::string> SelectMultiFWBin(const std::string& exeDir, std::string_view key,
                                            std::string_view name);

// ExeDir\Firmware\IcFolder\tag\retry\[2P\|4P\]name for update step `step`.
Selection SelectIspImageForBuild(const std::string& exeDir, const app::AppOptions& options,
                                 const app::UpdateFileTable& updateFiles,
                                 const BuildSelectionInput& in);

// The same from the drive's package identity; a drive automatic mode does not
// apply to (no family, a BiCS or 1Z tag of an unknown NAND maker, a tag leading
// out of the package) selects nothing, with the reason.
Selection SelectIspImageForBuild(const std::string& exeDir, const app::AppOptions& options,
                                 const app::UpdateFileTable& updateFiles, const PackageIdentity& id,
                                 std::string_view icVersionSuffix, int step,
                                 std::string_view currentFwVer);

// The IC version's own boot ISP (tag folder\suffix\) when it exists, else the
// tag folder's.
std::string SelectBootIspPath(const std::string& exeDir, IcFamily family,
                              std::string_view icVersionSuffix, std::string_view tag);

}  // namespace firmware
