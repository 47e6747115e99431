#include "package/expected_version.h"

#include <fstream>
#include <optional>

#include "common/text.h"
#include "common/winpath.h"
#include "package/firmware_tag.h"
#include "package/generate/flu_version.h"
#include "package/identity_field.h"
#include "package/mode_sector.h"
#include "package/package_files.h"
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
                                      const ScanDrive& drive) {
  ExpectedVersion ev;
  const ParameterBlock block(drive.isNvme ? std::span<const uint8_t>() : drive.parameterBlock);
  int32_t offset = profile.ISPVerOffset;
  if (autoGenFlu) {
    if (!drive.isNvme) ev.ispPath = AutomaticIspPath(exeDir, block, ModeSector(drive.modeSector));
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
    const FirmwareIdentity id = ExtractFirmwareIdentity(block);
    const std::string folder = FamilyFolder(block.Family(), ModeSector(drive.modeSector).IsXt2());
    const std::string over =
        SetCidVersionOverride(SetCidPath(exeDir, folder, id.tag), drive.currentFwVer);
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
