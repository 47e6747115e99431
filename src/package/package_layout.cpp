#include "package/package_layout.h"

#include "common/text.h"
#include "common/winpath.h"
#include "package/firmware_tag.h"
#include "package/package_files.h"
#include "package/path_text.h"

namespace firmware {
namespace {

// A stored profile path is "<profile>\<value>"; with an empty value it names a
// folder, not a file.
bool NamesFile(const std::string& storedPath) {
  return !storedPath.empty() && storedPath.back() != '\\' && storedPath.back() != '/';
}

}  // namespace

std::string FamilyFolder(IcFamily family, bool xt2) {
  switch (family) {
    case IcFamily::k4610:
      return "4610";
    case IcFamily::k4620:
      return xt2 ? "4620XT2" : "4620";
    case IcFamily::kNone:
      break;
  }
  return {};
}

std::string FamilyFolderForIcVersion(IcFamily family, std::string_view icVersion) {
  return FamilyFolder(family, icVersion.find("XT2") != std::string_view::npos);
}

std::string IspFileName(IcFamily family) {
  switch (family) {
    case IcFamily::k4610:
      return "ISP4610.bin";
    case IcFamily::k4620:
      return "ISP4620.bin";
    case IcFamily::kNone:
      break;
  }
  return {};
}

std::string BootIspFileName(IcFamily family) {
  const std::string isp = IspFileName(family);
  return isp.empty() ? isp : "Boot" + isp;
}

std::string FirmwareBase(const std::string& exeDir, std::string_view icFolder) {
  return exeDir + "\\" + kFirmwareFolder + "\\" + std::string(icFolder) + "\\";
}

std::string TagFolder(const std::string& exeDir, std::string_view icFolder, std::string_view tag) {
  return FirmwareBase(exeDir, icFolder) + std::string(tag) + "\\";
}

std::string SetCidPath(const std::string& exeDir, std::string_view icFolder, std::string_view tag) {
  return TagFolder(exeDir, icFolder, tag) + kSetCidFileName;
}

std::string NewIspPath(const std::string& exeDir, std::string_view icFolder, std::string_view tag) {
  return TagFolder(exeDir, icFolder, tag) + kNewIspFileName;
}

std::string MicrocodeFluPath(const std::string& exeDir, std::string_view icFolder,
                             std::string_view tag) {
  return TagFolder(exeDir, icFolder, tag) + kMicrocodeFluFileName;
}

std::string KeyPrefix(std::string_view icFolder, std::string_view tag) {
  return std::string(icFolder) + std::string(tag);
}

std::string RetryTablePath(const std::string& exeDir, int retryTableNumber) {
  if (retryTableNumber == 0) return {};
  const std::string folder = exeDir + "\\" + kTablesFolder;
  return common::Format("%s\\RR%02d.bin", folder.c_str(), retryTableNumber);
}

std::string AutomaticIspPath(const std::string& exeDir, const ParameterBlock& block,
                             const ModeSector& mode) {
  const IcFamily family = block.Family();
  if (family == IcFamily::kNone) return {};
  const FirmwareIdentity id = ExtractFirmwareIdentity(block);
  if (!IsSafeFolderLevel(id.tag) || !IsSafeFolderLevel(id.retryTag)) return {};
  return exeDir + "\\" + kFirmwareFolder + "\\" + FamilyFolder(family, mode.IsXt2()) + "\\" +
         id.tag + "\\" + id.retryTag + "\\" + IspFileName(family);
}

std::string ResolveProfilePath(const std::string& exeDir, const std::string& storedPath,
                               const app::ControllerProfile& profile, std::string_view modelName,
                               std::string_view currentFwVer) {
  if (!NamesFile(storedPath)) return {};
  // Only the stored part carries the placeholder; the tool folder's own name is
  // never rewritten, whatever it happens to contain.
  std::string stored = storedPath;
  if (profile.ISPFilePathAdd_MNStr) {
    if (LeavesFolder(modelName)) return {};
    stored = ReplaceAllNoCase(stored, app::kModelNamePlaceholder, modelName);
  } else if (profile.ISPFilePathAdd_FWVerStr) {
    if (LeavesFolder(currentFwVer)) return {};
    stored = ReplaceAllNoCase(stored, app::kModelNamePlaceholder, currentFwVer);
    // Without a version the level is already gone; dropping "\" would wreck the path.
    if (!currentFwVer.empty() && !FolderExists(common::ParentFolder(exeDir + "\\" + stored))) {
      stored = ReplaceAllNoCase(stored, std::string(currentFwVer) + "\\", "");
    }
  }
  return exeDir + "\\" + stored;
}

std::string ConfiguredImagePath(const std::string& exeDir, const app::ControllerProfile& profile,
                                std::string_view modelName, std::string_view currentFwVer) {
  return ResolveProfilePath(exeDir, profile.ISP_FilePath, profile, modelName, currentFwVer);
}

std::string VersionDatabasePath(const std::string& exeDir, const app::ControllerProfile& profile) {
  if (!NamesFile(profile.FWVerDB_FilePath)) return {};
  return exeDir + "\\" + profile.FWVerDB_FilePath;
}

}  // namespace firmware
