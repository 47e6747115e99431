#include "config/settings/settings_reader.h"

#include <algorithm>

#include "common/text.h"

namespace app {
namespace {

constexpr const char* kOpt = kOptionSection;

}  // namespace

std::string SettingFilePath(const std::string& exeDir) { return exeDir + "\\" + kSettingFileName; }

void ReadFirstPass(const common::IniFile& ini, AppOptions& o) {
  o.UpdateFWOnly = ini.ReadBool(kOpt, "UpdateFWOnly", false);
  o.CustomerType = ini.ReadInteger(kOpt, "CustomerType", 0);
}

int32_t ClampVersionLength(int32_t length) { return std::clamp(length, 1, 8); }

std::string ProfileFilePath(const std::string& profileName, const std::string& value,
                            bool withPlaceholder) {
  if (withPlaceholder) return profileName + "\\" + kModelNamePlaceholder + "\\" + value;
  return profileName + "\\" + value;
}

ControllerProfile ReadProfile(const common::IniFile& ini, const std::string& name,
                              bool enableChkFWVer) {
  ControllerProfile p;
  const std::string& s = name;
  p.Name = name;
  p.VKMStrTag = ini.ReadString(s, "VKMStrTag", "N/A");
  p.VKMStrTagMask = ini.ReadString(s, "VKMStrTagMask", "");
  p.ISPFilePathAdd_MNStr = ini.ReadBool(s, "ISPFilePathAdd_MNStr", false);
  p.ISPFilePathAdd_FWVerStr = ini.ReadBool(s, "ISPFilePathAdd_FWVerStr", false);
  const bool placeholder = p.UsesPathPlaceholder();
  p.ISP_FilePath = ProfileFilePath(name, ini.ReadString(s, "ISP_FilePath", ""), placeholder);
  for (int k = 0; k < kMaxDownloadFiles; ++k) {
    const std::string v = ini.ReadString(s, common::Format("DW_FilePath_%d", k), "");
    if (v.empty()) continue;
    p.DW_FilePath[static_cast<size_t>(k)] = ProfileFilePath(name, v, placeholder);
    ++p.DWFileCount;
  }
  p.FWVerDB_FilePath = ProfileFilePath(name, ini.ReadString(s, "FWVerDB_FilePath", ""), false);
  p.ECTableRule_FilePath =
      ProfileFilePath(name, ini.ReadString(s, "ECTableRule_FilePath", ""), false);
  p.SMARTRule_FilePath = ProfileFilePath(name, ini.ReadString(s, "SMARTRule_FilePath", ""), false);
  p.SMARTRule_SectionName = ini.ReadString(s, "SMARTRule_SectionName", "");
  p.SecurityErasePWD = ini.ReadString(s, "SecurityErasePWD", kDefaultSecurityErasePWD);
  p.SecurityMasterPWD = ini.ReadString(s, "SecurityMasterPWD", "");
  p.SMARTDataAddVendorSpecific = ini.ReadBool(s, "SMARTDataAddVendorSpecific", false);
  p.SubVKMStrTag = ini.ReadString(s, "SubVKMStrTag", "");
  p.SubVKMStrTagOffset = ini.ReadInteger(s, "SubVKMStrTagOffset", 0);
  p.ISPVerChkStrMask = ini.ReadString(s, "ISPVerChkStrMask", "");
  p.ISPVerOffset = ini.ReadInteger(s, "ISPVerOffset", 0);
  p.ISPVerChkStrLengh = ClampVersionLength(ini.ReadInteger(s, "ISPVerChkStrLengh", 8));
  p.ISPVerChkStrSwapFlag = ini.ReadBool(s, "ISPVerChkStrSwapFlag", false);
  p.ISPWithCSSHeader = ini.ReadBool(s, "ISPWithCSSHeader", true);
  p.ISPVerChk_BefP0925A_Only10JMS = ini.ReadBool(s, "ISPVerChk_BefP0925A_Only10JMS", false);
  p.ISPVerChk_BefQ0427A_Only10JMS_L06B =
      ini.ReadBool(s, "ISPVerChk_BefQ0427A_Only10JMS_L06B", false);
  p.RWLBA_BefDWFW_Only10JMS = ini.ReadBool(s, "RWLBA_BefDWFW_Only10JMS", false);
  p.SMARTSearchStrOffset = ini.ReadInteger(s, "SMARTSearchStrOffset", 400);
  p.ShowRebootMsgWhenSuccess = ini.ReadBool(s, "ShowRebootMsgWhenSuccess", false);
  p.EnableChkFWVerFromECTable =
      enableChkFWVer && ini.ReadBool(s, "EnableChkFWVerFromECTable", false);
  return p;
}

void ReadSecondPass(const common::IniFile& ini, const SecondPassTargets& t) {
  AppOptions& o = t.options;
  o.IgnoreWriteZeroPattern = ini.ReadBool(kOpt, "IgnoreWriteZeroPattern", false);
  o.AutoRun = ini.ReadBool(kOpt, "AutoRun", false);
  o.AutoClose = ini.ReadBool(kOpt, "AutoClose", false);
  o.PopUpMsgBox = ini.ReadBool(kOpt, "PopUpMsgBox", true);
  o.ErrorLog = ini.ReadBool(kOpt, "ErrorLog", false);
  o.ATA_PIFlag = ini.ReadBool(kOpt, "ATA-PIFlag", false);
  o.SupportInboxDriver = ini.ReadBool(kOpt, "SupportInboxDriver", false);
  o.EnableChkFWVer = ini.ReadBool(kOpt, "EnableChkFWVer", true);
  o.EnableUseSMARTToFindIC = ini.ReadBool(kOpt, "EnableUseSMARTToFindIC", false);
  o.EnableUseModelNameToFindIC = ini.ReadBool(kOpt, "EnableUseModelNameToFindIC", false);
  o.EnableOption = ini.ReadBool(kOpt, "EnableOption", true);
  o.EnableUFD = ini.ReadBool(kOpt, "EnableUFD", false);
  o.IncludeSystemDrive = ini.ReadBool(kOpt, "IncludeSystemDrive", true);
  o.ShowPhysicalOnly = ini.ReadBool(kOpt, "ShowPhysicalOnly", true);
  o.DownloadMode = ini.ReadInteger(kOpt, "DownloadMode", 0);
  o.DownloadCMD = ini.ReadInteger(kOpt, "DownloadCMD", 0);
  o.UseMaxTranSize = ini.ReadBool(kOpt, "UseMaxTranSize", false);
  o.SSDToolTitle = ini.ReadString(kOpt, "SSDToolTitle", "");
  o.SSDToolLogName = ini.ReadString(kOpt, "SSDToolLogName", "Log.txt");
  o.AutoGenFlu = ini.ReadBool(kOpt, "AutoGenFlu", false);
  o.ForceUpdate = ini.ReadBool(kOpt, "ForceUpdate", false);
  o.ShowFWTag = ini.ReadBool(kOpt, "ShowFWTag", false);
  o.ROMCheckICVer = ini.ReadBool(kOpt, "ROMCheckICVer", false);
  o.DMCount = ini.ReadInteger(kOpt, "DMCount", 1);
  o.DMDelay = ini.ReadInteger(kOpt, "DMDelay", 5000);
  o.FFUStartColor = ini.ReadInteger(kOpt, "FFUStartColor", 16498754);
  o.DisCheckSCSIStatus = ini.ReadBool(kOpt, "DisCheckSCSIStatus", false);
  o.Nand3D = ini.ReadBool(kOpt, "3DNand", true);
  o.VuCmd = ini.ReadBool(kOpt, "VuCmd", false);
  o.EnableSummary = ini.ReadBool(kOpt, "EnableSummary", false);
  o.CheckNewBad = ini.ReadBool(kOpt, "CheckNewBad", false);
  o.DoNotShowNewFWVer = ini.ReadBool(kOpt, "DoNotShowNewFWVer", false);
  o.MultiSelectFW = ini.ReadBool(kOpt, "MultiSelectFW", false);
  o.AvailableBefore = ini.ReadString(kOpt, "AvailableBefore", "");

  t.profiles.Clear();
  for (int n = 0; n < kICTypeKeyCount; ++n) {
    std::string name = ini.ReadString(kOpt, common::Format("ICType_%d", n), kNoProfile);
    o.ICType[static_cast<size_t>(n)] = name;
    if (name == kNoProfile) continue;
    t.profiles.Profiles[static_cast<size_t>(t.profiles.ProfileCount)] =
        ReadProfile(ini, name, o.EnableChkFWVer);
    ++t.profiles.ProfileCount;
  }

  t.updateSetting.ICVer10XT = ini.ReadInteger(kUpdateSettingSection, "ICVer10XT", -1);
  for (int i = 0; i < kUpdateFileCount; ++i) {
    std::string v = ini.ReadString(kUpdateFWSection, common::Format("UpdateFile%d", i), "");
    if (v.size() > kUpdateFileMaxChars) v.resize(kUpdateFileMaxChars);
    t.updateFiles.UpdateFile[static_cast<size_t>(i)] = v;
  }
}

std::vector<std::string> ProfileFiles(const std::string& exeDir, const ProfileTable& profiles) {
  std::vector<std::string> files;
  auto add = [&](const std::string& stored) {
    if (!stored.empty()) files.push_back(exeDir + "\\" + stored);
  };
  for (int i = 0; i < profiles.ProfileCount; ++i) {
    const ControllerProfile& p = profiles.Profiles[static_cast<size_t>(i)];
    add(p.ISP_FilePath);
    for (const std::string& dw : p.DW_FilePath) add(dw);
    add(p.FWVerDB_FilePath);
    add(p.ECTableRule_FilePath);
    add(p.SMARTRule_FilePath);
  }
  return files;
}

}  // namespace app
