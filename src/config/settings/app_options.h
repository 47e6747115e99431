#pragma once
// The values of section "Option" of Setting.ini, held for the whole run. A
// default-constructed record is what a missing Setting.ini leaves: every value
// at the zero of its type (the documented defaults apply only to missing keys).
#include <array>
#include <cstdint>
#include <string>

namespace app {

inline constexpr int kICTypeKeyCount = 16;

struct AppOptions {
  // First pass.
  bool UpdateFWOnly = false;
  int32_t CustomerType = 0;
  // Second pass, in reading order.
  bool IgnoreWriteZeroPattern = false;
  bool AutoRun = false;
  bool AutoClose = false;
  bool PopUpMsgBox = false;
  bool ErrorLog = false;
  bool ATA_PIFlag = false;  // key "ATA-PIFlag"
  bool SupportInboxDriver = false;
  bool EnableChkFWVer = false;
  bool EnableUseSMARTToFindIC = false;
  bool EnableUseModelNameToFindIC = false;
  bool EnableOption = false;
  bool EnableUFD = false;
  bool IncludeSystemDrive = false;
  bool ShowPhysicalOnly = false;
  int32_t DownloadMode = 0;
  int32_t DownloadCMD = 0;
  bool UseMaxTranSize = false;
  std::string SSDToolTitle;
  std::string SSDToolLogName;
  bool AutoGenFlu = false;
  bool ForceUpdate = false;
  bool ShowFWTag = false;
  bool ROMCheckICVer = false;
  int32_t DMCount = 0;
  int32_t DMDelay = 0;
  int32_t FFUStartColor = 0;
  bool DisCheckSCSIStatus = false;
  bool Nand3D = false;  // key "3DNand"
  bool VuCmd = false;
  bool EnableSummary = false;
  bool CheckNewBad = false;
  bool DoNotShowNewFWVer = false;
  bool MultiSelectFW = false;
  std::string AvailableBefore;
  std::array<std::string, kICTypeKeyCount> ICType{};
};

// Section "UpdateSetting".
struct UpdateSetting {
  int32_t ICVer10XT = 0;
};

// Section "UpdateFW": UpdateFile0..UpdateFile4, each at most 1023 characters.
inline constexpr int kUpdateFileCount = 5;
inline constexpr size_t kUpdateFileMaxChars = 1023;
struct UpdateFileTable {
  std::array<std::string, kUpdateFileCount> UpdateFile{};
};

}  // namespace app
