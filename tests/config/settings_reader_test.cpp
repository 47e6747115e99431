#include "config/settings/settings_reader.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "config/settings/settings_file_check.h"

namespace app {
namespace {

struct Loaded {
  AppOptions options;
  ProfileTable profiles;
  UpdateSetting updateSetting;
  UpdateFileTable updateFiles;
};

Loaded LoadText(const std::string& text) {
  Loaded l;
  const auto ini = common::IniFile::FromText(text);
  ReadFirstPass(ini, l.options);
  ReadSecondPass(ini, SecondPassTargets{l.options, l.profiles, l.updateSetting, l.updateFiles});
  return l;
}

TEST(Settings, MissingKeysTakeTheDocumentedDefaults) {
  const Loaded l = LoadText("[Option]\n");
  const AppOptions& o = l.options;
  EXPECT_TRUE(o.PopUpMsgBox);
  EXPECT_TRUE(o.EnableChkFWVer);
  EXPECT_TRUE(o.EnableOption);
  EXPECT_TRUE(o.IncludeSystemDrive);
  EXPECT_TRUE(o.ShowPhysicalOnly);
  EXPECT_TRUE(o.Nand3D);
  EXPECT_FALSE(o.AutoRun);
  EXPECT_EQ(o.DMCount, 1);
  EXPECT_EQ(o.DMDelay, 5000);
  EXPECT_EQ(o.FFUStartColor, 16498754);
  EXPECT_EQ(o.SSDToolLogName, "Log.txt");
  EXPECT_EQ(o.SSDToolTitle, "");
  EXPECT_EQ(o.ICType[15], "N/A");
  EXPECT_EQ(l.profiles.ProfileCount, 0);
  EXPECT_EQ(l.updateSetting.ICVer10XT, -1);
}

TEST(Settings, OptionKeysAreRead) {
  const Loaded l = LoadText(
      "[option]\nupdatefwonly=1\nCustomerType=1\nATA-PIFlag=1\n3DNand=0\nDownloadMode=$2\n"
      "DMDelay=0x10\nSSDToolTitle=My Tool\nAvailableBefore=S1234A\nFFUStartColor=oops\n");
  EXPECT_TRUE(l.options.UpdateFWOnly);
  EXPECT_EQ(l.options.CustomerType, 1);
  EXPECT_TRUE(l.options.ATA_PIFlag);
  EXPECT_FALSE(l.options.Nand3D);
  EXPECT_EQ(l.options.DownloadMode, 2);
  EXPECT_EQ(l.options.DMDelay, 16);
  EXPECT_EQ(l.options.SSDToolTitle, "My Tool");
  EXPECT_EQ(l.options.AvailableBefore, "S1234A");
  EXPECT_EQ(l.options.FFUStartColor, 16498754);
}

TEST(Settings, ProfilesSkipNAAndKeepDuplicates) {
  const Loaded l = LoadText(
      "[Option]\nICType_0=N/A\nICType_1=VK4610XT\nICType_5=VK4620XT\nICType_9=VK4610XT\n"
      "[VK4610XT]\nVKMStrTag=VK10\n");
  ASSERT_EQ(l.profiles.ProfileCount, 3);
  EXPECT_EQ(l.profiles.Profiles[0].Name, "VK4610XT");
  EXPECT_EQ(l.profiles.Profiles[0].VKMStrTag, "VK10");
  EXPECT_EQ(l.profiles.Profiles[1].Name, "VK4620XT");
  // A profile without a section keeps every default.
  EXPECT_EQ(l.profiles.Profiles[1].VKMStrTag, "N/A");
  EXPECT_EQ(l.profiles.Profiles[1].SMARTSearchStrOffset, 400);
  EXPECT_TRUE(l.profiles.Profiles[1].ISPWithCSSHeader);
  EXPECT_EQ(l.profiles.Profiles[1].SecurityErasePWD, "7E3A91C05BD2486F7E3A91C05BD2486F");
  EXPECT_EQ(l.profiles.Profiles[2].Name, "VK4610XT");
}

TEST(Settings, PathRulesAndDownloadListWithHoles) {
  const Loaded l = LoadText(
      "[Option]\nICType_0=VK4610XT\nICType_1=VK4630\n"
      "[VK4610XT]\nISPFilePathAdd_FWVerStr=1\nISP_FilePath=ISP.bin\nDW_FilePath_1=DW1.bin\n"
      "SMARTRule_FilePath=Smart.ini\n"
      "[VK4630]\nISP_FilePath=FW\\nvme.bin\nDW_FilePath_0=\nDW_FilePath_1=a.bin\nDW_FilePath_31=z."
      "bin\n");
  const ControllerProfile& p = l.profiles.Profiles[0];
  EXPECT_EQ(p.ISP_FilePath, "VK4610XT\\AP_ModelName\\ISP.bin");
  EXPECT_EQ(p.DW_FilePath[1], "VK4610XT\\AP_ModelName\\DW1.bin");
  EXPECT_EQ(p.DW_FilePath[0], "");
  EXPECT_EQ(p.DWFileCount, 1);
  // Only the ISP and download paths carry the placeholder.
  EXPECT_EQ(p.SMARTRule_FilePath, "VK4610XT\\Smart.ini");
  const ControllerProfile& q = l.profiles.Profiles[1];
  EXPECT_EQ(q.ISP_FilePath, "VK4630\\FW\\nvme.bin");
  EXPECT_EQ(q.DWFileCount, 2);
  EXPECT_EQ(q.DW_FilePath[31], "VK4630\\z.bin");
}

TEST(Settings, EcTableVersionCheckDependsOnEnableChkFWVer) {
  const std::string profile = "ICType_0=VK4620XT\n[VK4620XT]\nEnableChkFWVerFromECTable=1\n";
  EXPECT_FALSE(LoadText("[Option]\nEnableChkFWVer=0\n" + profile)
                   .profiles.Profiles[0]
                   .EnableChkFWVerFromECTable);
  EXPECT_TRUE(LoadText("[Option]\nEnableChkFWVer=1\n" + profile)
                  .profiles.Profiles[0]
                  .EnableChkFWVerFromECTable);
}

TEST(Settings, VersionLengthIsClampedToOneToEight) {
  const Loaded l = LoadText(
      "[Option]\nICType_0=A\nICType_1=B\nICType_2=C\n[A]\nISPVerChkStrLengh=0\n"
      "[B]\nISPVerChkStrLengh=20\n[C]\nISPVerChkStrLengh=6\n");
  EXPECT_EQ(l.profiles.Profiles[0].ISPVerChkStrLengh, 1);
  EXPECT_EQ(l.profiles.Profiles[1].ISPVerChkStrLengh, 8);
  EXPECT_EQ(l.profiles.Profiles[2].ISPVerChkStrLengh, 6);
}

TEST(Settings, UpdateSectionsAndLongUpdateFiles) {
  const Loaded l =
      LoadText("[UpdateSetting]\nICVer10XT=1\n[UpdateFW]\nUpdateFile0=a.bin\nUpdateFile3=" +
               std::string(3000, 'p') + "\nUpdateFile5=ignored\n");
  EXPECT_EQ(l.updateSetting.ICVer10XT, 1);
  EXPECT_EQ(l.updateFiles.UpdateFile[0], "a.bin");
  EXPECT_EQ(l.updateFiles.UpdateFile[1], "");
  EXPECT_EQ(l.updateFiles.UpdateFile[3].size(), 1023u);
}

}  // namespace
}  // namespace app

TEST(Settings, Utf16IsTold) {
  const auto bytes = [](std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); };
  using app::SettingsEncodingProblem;
  EXPECT_TRUE(SettingsEncodingProblem(bytes(std::string("\xFF\xFE[\0O\0", 6))).has_value());
  EXPECT_TRUE(SettingsEncodingProblem(bytes(std::string("\xFE\xFF\0[\0O", 6))).has_value());
  EXPECT_TRUE(SettingsEncodingProblem(bytes(std::string("[\0O\0p\0t\0i\0o\0n\0]\0", 16))));
  EXPECT_TRUE(SettingsEncodingProblem(bytes(std::string("\0[\0O\0p\0t\0i\0o\0n\0]", 16))));
  EXPECT_FALSE(SettingsEncodingProblem(bytes("\xEF\xBB\xBF[Option]\nAutoRun=1\n")));
  EXPECT_FALSE(SettingsEncodingProblem(bytes("[Option]\r\nAutoRun=1\r\n")));
  EXPECT_FALSE(SettingsEncodingProblem(bytes("")));
}
