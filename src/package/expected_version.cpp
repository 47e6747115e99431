#include "package/expected_version.h"

#include <fstream>
#include <optional>

#include "common/text.h"
#include "common/winpath.h"
#include "package/firmware_tag.h"
#include "package/flash_info_block.h"
#include "package/generate/flu_version.h"
#include "package/identity_field.h"
#include "package/isp_selection.h"
#include "package/mode_sector.h"
#include "package/package_files.h"
#include "package/package_identity.h"
#include "package/package_layout.h"
#include "package/parameter_block.h"
#include "package/version_text.h"

namespace firmware {
namespace {

constexpr size_t kVersionReadBytes = 8;

// Why an existing image gave an empty version read at `offset`.
std::string BlankVersionReason(const std::string& path, int64_t offset, size_t need) {
  const std::optional<uint64_t> size = FileSize(path);
  if (!size) return "the image cannot be read";
  if (*size == 0) return "the image is empty";
  std::ifstream in(common::ToNativePath(path), std::ios::binary);
  if (!in) return "the image cannot be read";
  if (offset < 0 || *size < static_cast<uint64_t>(offset) + need) {
    return common::Format("the image is %llu bytes, too short for the version at offset %lld",
                          static_cast<unsigned long long>(*size), static_cast<long long>(offset));
  }
  return common::Format("the image holds no version text at offset %lld",
                        static_cast<long long>(offset));
}

// Where automatic mode's offered version comes from.
struct AutomaticSource {
  std::string imagePath;  // empty: no image
  std::string setCidPath;
};

// The update steps run in order, so the drive ends at the last one's version.
int LastUpdateStep(const app::UpdateFileTable& files) {
  int last = 0;
  for (int k = 1; k < app::kUpdateFileCount; ++k) {
    if (!files.UpdateFile[static_cast<size_t>(k)].empty()) last = k;
  }
  return last;
}

AutomaticSource AutomaticSourceFor(const std::string& exeDir, const ParameterBlock& block,
                                   const ScanDrive& drive, const BuildSettings* build) {
  const ModeSector mode(drive.modeSector);
  if (!drive.flashInfo.empty()) {
    // As the build reads them: the mapped tag (BiCS, 1Z ...), the plane folder,
    // the step's file name. The IC version only ever moves the folder for the
    // XT2 variant, which the mode sector tells as well.
    const PackageIdentity id = ReadPackageIdentity(block, FlashInfoBlock(drive.flashInfo), mode);
    if (id.UsableForPackage()) {
      static const app::AppOptions kDefaultOptions;
      static const app::UpdateFileTable kNoUpdateFiles;
      const app::AppOptions& options = build ? build->options : kDefaultOptions;
      const app::UpdateFileTable& files = build ? build->updateFiles : kNoUpdateFiles;
      const Selection sel =
          SelectIspImageForBuild(exeDir, options, files, id, id.xt2 ? "XT2" : "",
                                 LastUpdateStep(files), drive.currentFwVer);
      // A selection the build would refuse offers nothing.
      return {sel.ok ? sel.path : std::string(),
              SetCidPath(exeDir, FamilyFolder(id.family, id.xt2), id.tag)};
    }
  }
  const FirmwareIdentity raw = ExtractFirmwareIdentity(block);
  return {AutomaticIspPath(exeDir, block, mode),
          SetCidPath(exeDir, FamilyFolder(block.Family(), mode.IsXt2()), raw.tag)};
}

}  // namespace

std::string SetCidVersionOverride(const std::string& setCidPath, const std::string& currentFwVer) {
  const auto ini = LoadIniFile(setCidPath);
  if (!ini) return {};
  std::string v = ini->ReadString("IDTable", "SetFWVer", "");
  if (v.empty()) v = ini->ReadString("IDTable", "SetFWVer_" + currentFwVer, "");
  return v.substr(0, kVersionReadBytes);
}

ExpectedVersion ExpectedVersionAtScan(const std::string& exeDir, bool autoGenFlu,
                                      const app::ControllerProfile& profile,
                                      const ScanDrive& drive, const BuildSettings* build) {
  ExpectedVersion ev;
  const ParameterBlock block(drive.isNvme ? std::span<const uint8_t>() : drive.parameterBlock);
  int32_t offset = profile.ISPVerOffset;
  AutomaticSource source;
  if (autoGenFlu) {
    if (!drive.isNvme && block.Family() != IcFamily::kNone) {
      source = AutomaticSourceFor(exeDir, block, drive, build);
    }
    ev.ispPath = source.imagePath;
    offset = kAutomaticVersionOffset;
  } else {
    ev.ispPath = ConfiguredImagePath(exeDir, profile, drive.modelName, drive.currentFwVer);
  }
  ev.imageExists = FileExists(ev.ispPath);
  if (!ev.imageExists) return ev;

  std::string version;
  if (autoGenFlu) {
    // The version the update file will carry, so that the list, the
    // confirmation and the check after the update all show the same text.
    const std::vector<uint8_t> field = ReadFileRange(ev.ispPath, offset, identity_field::kSize);
    const std::string over = SetCidVersionOverride(source.setCidPath, drive.currentFwVer);
    version = BuildVersionString(BuildVersionText(over, field));
    if (common::Trim(version).empty())
      ev.blankReason = BlankVersionReason(ev.ispPath, offset, identity_field::kSize);
  } else {
    const std::vector<uint8_t> bytes = ReadFileRange(ev.ispPath, offset, kVersionReadBytes);
    version = ReadVersionText(bytes, 0, profile.ISPVerChkStrLengh, profile.ISPVerChkStrSwapFlag);
    if (common::Trim(version).empty())
      ev.blankReason = BlankVersionReason(ev.ispPath, offset, kVersionReadBytes);
  }
  ev.version = common::Trim(version);
  return ev;
}

}  // namespace firmware
