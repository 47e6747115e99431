#include "package/isp_selection.h"

#include "config/settings/settings_reader.h"
#include "common/text.h"
#include "package/package_files.h"
#include "package/package_layout.h"
#include "package/path_text.h"

namespace firmware {

std::string MultiFWBinKey(std::string_view icFolder, std::string_view tag,
                          std::string_view currentFwVer) {
  return std::string(icFolder) + std::string(tag) + std::string(currentFwVer);
}

std::optional<std::string> SelectMultiFWBin(const std::string& exeDir, std::string_view key,
                                            std::string_view name) {
  const auto settings = LoadIniFile(app::SettingFilePath(exeDir));
  if (!settings) return std::nullopt;
  const std::string value = settings->ReadString(app::kUpdateFWSection, key, "");
  if (value.empty()) return std::nullopt;
  const size_t underscore = name.find('_');
  return std::string(name.substr(0, underscore)) + "_" + value + ".bin";
}

Selection SelectIspImageForBuild(const std::string& exeDir, const app::AppOptions& options,
                                 const app::UpdateFileTable& updateFiles,
                                 const BuildSelectionInput& in) {
  Selection sel;
  if (in.family == IcFamily::kNone) {
    sel.reason = "No IC family";
    return sel;
  }
  if (in.step < 0 || in.step >= app::kUpdateFileCount) {
    sel.reason = common::Format("Invalid update step %d", in.step);
    return sel;
  }
  if (LeavesFolder(in.tag) || LeavesFolder(in.retryTag)) {
    sel.reason = "Invalid FW tag " + in.tag;
    return sel;
  }
  const std::string icFolder = FamilyFolderForIcVersion(in.family, in.icVersionSuffix);
  std::string name = updateFiles.UpdateFile[static_cast<size_t>(in.step)];
  if (name.empty()) {
    name = IspFileName(in.family);
  } else if (options.MultiSelectFW && name.find("_S") != std::string::npos) {
    const auto chosen =
        SelectMultiFWBin(exeDir, MultiFWBinKey(icFolder, in.tag, in.currentFwVer), name);
    if (!chosen) {
      sel.reason = kSelectMultiFWBinFail;
      return sel;
    }
    name = *chosen;
  }
  std::string folder = FirmwareBase(exeDir, icFolder) + in.tag + "\\" + in.retryTag + "\\";
  if (in.planeCount == 2 && FolderExists(folder + "2P\\")) {
    folder += "2P\\";
  } else if (in.planeCount == 4 && FolderExists(folder + "4P\\")) {
    folder += "4P\\";
  }
  sel.ok = true;
  sel.path = folder + name;
  return sel;
}

Selection SelectIspImageForBuild(const std::string& exeDir, const app::AppOptions& options,
                                 const app::UpdateFileTable& updateFiles, const PackageIdentity& id,
                                 std::string_view icVersionSuffix, int step,
                                 std::string_view currentFwVer) {
  if (id.HasFamily() && !id.nandMakerKnown) {
    Selection sel;
    sel.reason = common::Format("Unknown NAND maker code 0x%02X", id.nandMakerCode);
    return sel;
  }
  BuildSelectionInput in;
  in.family = id.family;
  in.icVersionSuffix = std::string(icVersionSuffix);
  in.tag = id.tag;
  in.retryTag = id.retryTag;
  in.planeCount = id.planeCount;
  in.step = step;
  in.currentFwVer = std::string(currentFwVer);
  return SelectIspImageForBuild(exeDir, options, updateFiles, in);
}

std::string SelectBootIspPath(const std::string& exeDir, IcFamily family,
                              std::string_view icVersionSuffix, std::string_view tag) {
  const std::string name = BootIspFileName(family);
  if (name.empty()) return {};
  const std::string tagFolder =
      TagFolder(exeDir, FamilyFolderForIcVersion(family, icVersionSuffix), tag);
  if (!icVersionSuffix.empty()) {
    const std::string own = tagFolder + std::string(icVersionSuffix) + "\\" + name;
    if (FileExists(own)) return own;
  }
  return tagFolder + name;
}

}  // namespace firmware
