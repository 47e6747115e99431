#pragma once
// One controller type of Setting.ini (an ICType_n value and its section) and the
// table of up to 16 of them that identification walks in order.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace app {

inline constexpr int kMaxProfiles = 16;
inline constexpr int kMaxDownloadFiles = 32;
// Folder placeholder replaced per drive by its model name or firmware version.
inline constexpr const char* kModelNamePlaceholder = "AP_ModelName";
inline constexpr const char* kDefaultSecurityErasePWD = "7E3A91C05BD2486F7E3A91C05BD2486F";

struct ControllerProfile {
  std::string Name;
  std::string VKMStrTag = "N/A";
  std::string VKMStrTagMask;
  bool ISPFilePathAdd_MNStr = false;
  bool ISPFilePathAdd_FWVerStr = false;
  // File paths relative to the tool folder, already prefixed with the profile's folder.
  std::string ISP_FilePath;
  // Each DW_FilePath_k at its own index k; empty keys leave a gap, so the
  // count is not where the entries end. Walk them with DownloadFiles().
  std::array<std::string, kMaxDownloadFiles> DW_FilePath{};
  int DWFileCount = 0;
  std::string FWVerDB_FilePath;
  std::string ECTableRule_FilePath;
  std::string SMARTRule_FilePath;
  std::string SMARTRule_SectionName;
  std::string SecurityErasePWD = kDefaultSecurityErasePWD;
  // The drives' master password, where the maker set a known one: the last
  // way to remove a user password an erase left behind. Empty: not known.
  std::string SecurityMasterPWD;
  bool SMARTDataAddVendorSpecific = false;
  std::string SubVKMStrTag;
  int32_t SubVKMStrTagOffset = 0;
  std::string ISPVerChkStrMask;
  int32_t ISPVerOffset = 0;
  int32_t ISPVerChkStrLengh = 8;
  bool ISPVerChkStrSwapFlag = false;
  bool ISPWithCSSHeader = true;
  bool ISPVerChk_BefP0925A_Only10JMS = false;
  bool ISPVerChk_BefQ0427A_Only10JMS_L06B = false;
  bool RWLBA_BefDWFW_Only10JMS = false;
  int32_t SMARTSearchStrOffset = 400;
  bool ShowRebootMsgWhenSuccess = false;
  bool EnableChkFWVerFromECTable = false;

  // The additional download images in index order, gaps skipped.
  std::vector<std::string> DownloadFiles() const;

  // True when the ISP and download paths carry the model-name placeholder folder.
  bool UsesPathPlaceholder() const { return ISPFilePathAdd_MNStr || ISPFilePathAdd_FWVerStr; }
};

struct ProfileTable {
  std::array<ControllerProfile, kMaxProfiles> Profiles{};
  int ProfileCount = 0;

  const ControllerProfile* Find(const std::string& name) const;
  bool Contains(const std::string& name) const { return Find(name) != nullptr; }
  void Clear() { *this = ProfileTable{}; }
};

}  // namespace app
