#pragma once
// Everything the automatic package walk needs to know about one drive, read
// from its parameter block, flash information block and mode sector.
#include <string>

#include "package/flash_info_block.h"
#include "package/ic_family.h"
#include "package/mode_sector.h"
#include "package/parameter_block.h"

namespace firmware {

struct PackageIdentity {
  IcFamily family = IcFamily::kNone;
  bool xt2 = false;
  DriveMode mode = DriveMode::kNormal;
  std::string rawTag;       // as cut from the identity field
  std::string rawRetryTag;  // the two bytes as they are
  std::string tag;          // after the NAND-type mapping
  std::string retryTag;     // normalised: empty unless it starts with a digit
  uint8_t nandMakerCode = 0;
  std::string dieText;
  int planeCount = 0;
  int retryTableNumber = 0;
  // False for a BiCS or 1Z tag whose NAND maker code has no name: the package
  // has no folder for it, so no ISP image is selected.
  bool nandMakerKnown = true;

  bool HasFamily() const { return family != IcFamily::kNone; }
  // Automatic mode applies: a family, a mappable tag and a tag that stays inside
  // the package folder.
  bool UsableForPackage() const;
};

PackageIdentity ReadPackageIdentity(const ParameterBlock& block, const FlashInfoBlock& flash,
                                    const ModeSector& mode);

}  // namespace firmware
