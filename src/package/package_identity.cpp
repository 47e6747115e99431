#include "package/package_identity.h"

#include "package/firmware_tag.h"
#include "package/path_text.h"

namespace firmware {

bool PackageIdentity::UsableForPackage() const {
  return HasFamily() && nandMakerKnown && IsSafeFolderLevel(rawTag) && IsSafeRelativeFolder(tag) &&
         IsSafeFolderLevel(retryTag);
}

PackageIdentity ReadPackageIdentity(const ParameterBlock& block, const FlashInfoBlock& flash,
                                    const ModeSector& mode) {
  PackageIdentity id;
  id.family = block.Family();
  id.xt2 = mode.IsXt2();
  id.mode = mode.Mode();
  const FirmwareIdentity raw = ExtractFirmwareIdentity(block);
  id.rawTag = raw.tag;
  id.rawRetryTag = raw.retryTag;
  id.retryTag = NormaliseRetryTag(raw.retryTag);
  id.nandMakerCode = block.NandMakerCode();
  id.dieText = flash.DieText();
  id.planeCount = flash.PlaneCount();
  id.retryTableNumber = flash.RetryTableNumber();
  const auto mapped = MapNandType(id.nandMakerCode, id.dieText, raw.tag);
  id.nandMakerKnown = mapped.has_value();
  id.tag = mapped.value_or(std::string());
  return id;
}

}  // namespace firmware
