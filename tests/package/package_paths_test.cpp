#include <gtest/gtest.h>

#include "config/settings/settings_reader.h"
#include "common/ini_file.h"
#include "package/isp_selection.h"
#include "package/package_files.h"
#include "package/package_identity.h"
#include "package/package_layout.h"
#include "package_fixtures.h"
#include "support/temp_dir.h"

namespace firmware {
namespace {

app::ControllerProfile Profile(const std::string& settings, const std::string& name) {
  return app::ReadProfile(common::IniFile::FromText(settings), name, true);
}

TEST(PackageLayout, FamilyFoldersAndFileNames) {
  EXPECT_EQ(FamilyFolder(IcFamily::k4610, false), "4610");
  EXPECT_EQ(FamilyFolder(IcFamily::k4610, true), "4610");
  EXPECT_EQ(FamilyFolder(IcFamily::k4620, false), "4620");
  EXPECT_EQ(FamilyFolder(IcFamily::k4620, true), "4620XT2");
  EXPECT_EQ(FamilyFolder(IcFamily::kNone, true), "");
  EXPECT_EQ(FamilyFolderForIcVersion(IcFamily::k4620, "4620XT2"), "4620XT2");
  EXPECT_EQ(FamilyFolderForIcVersion(IcFamily::k4620, "XT2"), "4620XT2");
  EXPECT_EQ(FamilyFolderForIcVersion(IcFamily::k4620, "AC"), "4620");
  EXPECT_EQ(IspFileName(IcFamily::k4610), "ISP4610.bin");
  EXPECT_EQ(BootIspFileName(IcFamily::k4620), "BootISP4620.bin");
  EXPECT_EQ(BootIspFileName(IcFamily::kNone), "");
}

TEST(PackageLayout, TagFolderFilesAndRetryTables) {
  EXPECT_EQ(SetCidPath("C:\\T", "4620", "BiCS\\TSB\\8die\\BiCS4"),
            "C:\\T\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\SetCID.ini");
  EXPECT_EQ(NewIspPath("C:\\T", "4610", "SSV3"), "C:\\T\\Firmware\\4610\\SSV3\\New_ISP.bin");
  EXPECT_EQ(MicrocodeFluPath("C:\\T", "4610", "SSV3"),
            "C:\\T\\Firmware\\4610\\SSV3\\Microcode.flu");
  EXPECT_EQ(KeyPrefix("4620XT2", "IM27A"), "4620XT2IM27A");
  EXPECT_EQ(RetryTablePath("C:\\T", 1), "C:\\T\\Tables\\RR01.bin");
  EXPECT_EQ(RetryTablePath("C:\\T", 123), "C:\\T\\Tables\\RR123.bin");
  EXPECT_EQ(RetryTablePath("C:\\T", 0), "");
}

TEST(PackageLayout, AutomaticIspPathUsesRawTagsAndTheVariant) {
  const auto pb = fwtest::ParameterBlockBytes({.retryTag = "A1", .tag = " BiCS4"});
  const auto xt2 = fwtest::ModeSectorBytes("", "VK4620XA");
  const auto plain = fwtest::ModeSectorBytes("", "VK4620XT");
  EXPECT_EQ(AutomaticIspPath("D", ParameterBlock(pb), ModeSector(xt2)),
            "D\\Firmware\\4620XT2\\BiCS4\\A1\\ISP4620.bin");
  EXPECT_EQ(AutomaticIspPath("D", ParameterBlock(pb), ModeSector(plain)),
            "D\\Firmware\\4620\\BiCS4\\A1\\ISP4620.bin");
  const auto p4610 = fwtest::ParameterBlockBytes({.signature = "VK4610PARA", .tag = "FSSV3 "});
  EXPECT_EQ(AutomaticIspPath("D", ParameterBlock(p4610), ModeSector(xt2)),
            "D\\Firmware\\4610\\SSV3\\02\\ISP4610.bin");
}

TEST(PackageLayout, AutomaticIspPathIsEmptyWithoutFamilyOrForHostileTags) {
  const auto none = fwtest::ParameterBlockBytes({.signature = "NOPE"});
  EXPECT_EQ(AutomaticIspPath("D", ParameterBlock(none), ModeSector()), "");
  EXPECT_EQ(AutomaticIspPath("D", ParameterBlock(), ModeSector()), "");
  const auto up = fwtest::ParameterBlockBytes({.retryTag = "..", .tag = "SSV3  "});
  EXPECT_EQ(AutomaticIspPath("D", ParameterBlock(up), ModeSector()), "");
  const auto up2 = fwtest::ParameterBlockBytes({.tag = "..\\x  "});
  EXPECT_EQ(AutomaticIspPath("D", ParameterBlock(up2), ModeSector()), "");
}

TEST(ConfiguredPath, PlainStoredPath) {
  const auto p = Profile("[VK4610XT]\nISP_FilePath=sub\\ISP.bin\n", "VK4610XT");
  EXPECT_EQ(ConfiguredImagePath("D", p, "MODEL", "S0220A0"), "D\\VK4610XT\\sub\\ISP.bin");
  // A key without a value names no file.
  const auto none = Profile("[VK4610XT]\n", "VK4610XT");
  EXPECT_EQ(ConfiguredImagePath("D", none, "MODEL", "S0220A0"), "");
}

TEST(ConfiguredPath, ModelNameReplacesThePlaceholderIgnoringCase) {
  const auto p = Profile(
      "[VK4620XT]\nISPFilePathAdd_MNStr=1\nISPFilePathAdd_FWVerStr=1\n"
      "ISP_FilePath=x_ap_modelname.bin\n",
      "VK4620XT");
  EXPECT_EQ(ConfiguredImagePath("D", p, "SSD 240GB", "S0220A0"),
            "D\\VK4620XT\\SSD 240GB\\x_SSD 240GB.bin");
  EXPECT_EQ(ConfiguredImagePath("D", p, "..", "S0220A0"), "");
}

TEST(ConfiguredPath, VersionFolderIsDroppedWhenItDoesNotExist) {
  testsupport::TempDir tmp;
  const auto p =
      Profile("[VK4620XT]\nISPFilePathAdd_FWVerStr=1\nISP_FilePath=ISP.bin\n", "VK4620XT");
  const std::string d = tmp.Str();
  EXPECT_EQ(ConfiguredImagePath(d, p, "M", "S0220A0"), d + "\\VK4620XT\\ISP.bin");
  tmp.Write("VK4620XT/s0220a0/ISP.bin", "x");  // authored with another case
  EXPECT_EQ(ConfiguredImagePath(d, p, "M", "S0220A0"), d + "\\VK4620XT\\S0220A0\\ISP.bin");
  EXPECT_TRUE(FileExists(ConfiguredImagePath(d, p, "M", "S0220A0")));
  // No version: the level is empty, and no separator is removed.
  EXPECT_EQ(ConfiguredImagePath(d, p, "M", ""), d + "\\VK4620XT\\\\ISP.bin");
}

TEST(ConfiguredPath, TheToolFolderNameIsNeverRewritten) {
  const auto p = Profile("[VK4620XT]\nISPFilePathAdd_MNStr=1\nISP_FilePath=ISP.bin\n", "VK4620XT");
  EXPECT_EQ(ConfiguredImagePath("C:\\AP_ModelName", p, "M1", ""),
            "C:\\AP_ModelName\\VK4620XT\\M1\\ISP.bin");
}

TEST(ConfiguredPath, VersionDatabase) {
  const auto p = Profile("[VK4630]\nFWVerDB_FilePath=db.ini\n", "VK4630");
  EXPECT_EQ(VersionDatabasePath("D", p), "D\\VK4630\\db.ini");
  EXPECT_EQ(VersionDatabasePath("D", Profile("", "VK4630")), "");
}

class BuildSelectionTest : public ::testing::Test {
 protected:
  std::string Dir() const { return tmp_.Str(); }
  BuildSelectionInput Input() const {
    BuildSelectionInput in;
    in.family = IcFamily::k4620;
    in.icVersionSuffix = "AB";
    in.tag = "BiCS\\TSB\\8die\\BiCS4";
    in.retryTag = "02";
    in.planeCount = 4;
    in.currentFwVer = "S0220A0";
    return in;
  }
  Selection Select(const BuildSelectionInput& in) const {
    return SelectIspImageForBuild(Dir(), options_, files_, in);
  }

  testsupport::TempDir tmp_;
  app::AppOptions options_;
  app::UpdateFileTable files_;
};

TEST_F(BuildSelectionTest, DefaultNameInTheRetryFolder) {
  const Selection s = Select(Input());
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.path, Dir() + "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\02\\ISP4620.bin");
}

TEST_F(BuildSelectionTest, PlaneSubFolderOnlyWhenItExists) {
  tmp_.Write("Firmware/4620/BiCS/TSB/8die/BiCS4/02/2P/ISP4620.bin", "x");
  const std::string retryFolder = Dir() + "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\02\\";
  // Four planes, no 4P folder: the retry folder itself.
  EXPECT_EQ(Select(Input()).path, retryFolder + "ISP4620.bin");
  BuildSelectionInput in = Input();
  in.planeCount = 2;
  EXPECT_EQ(Select(in).path, retryFolder + "2P\\ISP4620.bin");
  tmp_.Write("Firmware/4620/BiCS/TSB/8die/BiCS4/02/4p/ISP4620.bin", "x");
  EXPECT_EQ(Select(Input()).path, retryFolder + "4P\\ISP4620.bin");
  EXPECT_TRUE(FileExists(Select(Input()).path));
  in.planeCount = 3;
  EXPECT_EQ(Select(in).path, retryFolder + "ISP4620.bin");
}

TEST_F(BuildSelectionTest, EmptyRetryTagLeavesAnEmptyLevel) {
  BuildSelectionInput in = Input();
  in.retryTag = "";
  EXPECT_EQ(Select(in).path, Dir() + "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\\\ISP4620.bin");
  tmp_.Write("Firmware/4620/BiCS/TSB/8die/BiCS4/ISP4620.bin", "x");
  EXPECT_TRUE(FileExists(Select(in).path));
}

TEST_F(BuildSelectionTest, Xt2SuffixSelectsTheXt2Folder) {
  BuildSelectionInput in = Input();
  in.icVersionSuffix = "XT2";
  EXPECT_EQ(Select(in).path,
            Dir() + "\\Firmware\\4620XT2\\BiCS\\TSB\\8die\\BiCS4\\02\\ISP4620.bin");
}

TEST_F(BuildSelectionTest, UpdateFileNamesTheImageOfItsStep) {
  files_.UpdateFile[1] = "Second.bin";
  BuildSelectionInput in = Input();
  in.step = 1;
  EXPECT_EQ(Select(in).path, Dir() + "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\02\\Second.bin");
  in.step = 0;
  EXPECT_EQ(Select(in).path, Dir() + "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\02\\ISP4620.bin");
  in.step = 5;
  EXPECT_FALSE(Select(in).ok);
  in.step = -1;
  EXPECT_FALSE(Select(in).ok);
}

TEST_F(BuildSelectionTest, MultiSelectOffKeepsTheNameUnchanged) {
  files_.UpdateFile[0] = "ISP4610_S.bin";
  BuildSelectionInput in = Input();
  in.family = IcFamily::k4610;
  in.tag = "SSV3";
  const Selection s = Select(in);
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.path, Dir() + "\\Firmware\\4610\\SSV3\\02\\ISP4610_S.bin");
}

TEST_F(BuildSelectionTest, MultiSelectPicksTheDrivesAlternative) {
  options_.MultiSelectFW = true;
  files_.UpdateFile[0] = "ISP4620_S.bin";
  tmp_.Write("Setting.ini",
             "[UpdateFW]\nUpdateFile0=ISP4620_S.bin\n"
             "4620BiCS\\TSB\\8die\\BiCS4S0220A0=B16\n");
  const Selection s = Select(Input());
  ASSERT_TRUE(s.ok) << s.reason;
  EXPECT_EQ(s.path, Dir() + "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\02\\ISP4620_B16.bin");

  BuildSelectionInput other = Input();
  other.currentFwVer = "S0300A0";
  const Selection miss = Select(other);
  EXPECT_FALSE(miss.ok);
  EXPECT_EQ(miss.reason, "SelectMultiFWBin Fail");
}

TEST_F(BuildSelectionTest, MultiSelectFailsWithoutSettingFile) {
  options_.MultiSelectFW = true;
  files_.UpdateFile[0] = "ISP4620_S.bin";
  EXPECT_EQ(Select(Input()).reason, "SelectMultiFWBin Fail");
  // A name without "_S" is not a candidate list.
  files_.UpdateFile[0] = "ISP4620_B.bin";
  EXPECT_TRUE(Select(Input()).ok);
}

TEST_F(BuildSelectionTest, SelectMultiFWBinNameRule) {
  tmp_.Write("Setting.ini", "[UpdateFW]\nK=B16\nE=\n");
  EXPECT_EQ(SelectMultiFWBin(Dir(), "K", "ISP4620_S.bin"), "ISP4620_B16.bin");
  EXPECT_EQ(SelectMultiFWBin(Dir(), "k", "A_B_S.bin"), "A_B16.bin");
  EXPECT_EQ(SelectMultiFWBin(Dir(), "E", "ISP4620_S.bin"), std::nullopt);
  EXPECT_EQ(SelectMultiFWBin(Dir(), "missing", "ISP4620_S.bin"), std::nullopt);
  EXPECT_EQ(MultiFWBinKey("4620XT2", "IM27A", "S0312A0"), "4620XT2IM27AS0312A0");
}

TEST_F(BuildSelectionTest, NoFamilyOrHostileTagSelectsNothing) {
  BuildSelectionInput in = Input();
  in.family = IcFamily::kNone;
  EXPECT_FALSE(Select(in).ok);
  in = Input();
  in.tag = "..\\..\\..";
  EXPECT_FALSE(Select(in).ok);
}

TEST_F(BuildSelectionTest, FromThePackageIdentity) {
  const auto fi = fwtest::FlashInfoBytes("8die", 4, 0);
  auto pb = fwtest::ParameterBlockBytes({.maker = 0x98, .retryTag = "A1", .tag = " BiCS4"});
  PackageIdentity id = ReadPackageIdentity(ParameterBlock(pb), FlashInfoBlock(fi), ModeSector());
  Selection s = SelectIspImageForBuild(Dir(), options_, files_, id, "AB", 0, "S0220A0");
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.path, Dir() + "\\Firmware\\4620\\BiCS\\TSB\\8die\\BiCS4\\\\ISP4620.bin");

  pb = fwtest::ParameterBlockBytes({.maker = 0x2C, .tag = " BiCS4"});
  id = ReadPackageIdentity(ParameterBlock(pb), FlashInfoBlock(fi), ModeSector());
  s = SelectIspImageForBuild(Dir(), options_, files_, id, "AB", 0, "S0220A0");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.reason, "Unknown NAND maker code 0x2C");
}

TEST_F(BuildSelectionTest, BootIspPrefersTheIcVersionFolder) {
  const std::string tagFolder = Dir() + "\\Firmware\\4620\\BiCS4\\";
  EXPECT_EQ(SelectBootIspPath(Dir(), IcFamily::k4620, "AC", "BiCS4"),
            tagFolder + "BootISP4620.bin");
  tmp_.Write("Firmware/4620/BiCS4/AC/BootISP4620.bin", "x");
  EXPECT_EQ(SelectBootIspPath(Dir(), IcFamily::k4620, "AC", "BiCS4"),
            tagFolder + "AC\\BootISP4620.bin");
  EXPECT_EQ(SelectBootIspPath(Dir(), IcFamily::k4620, "AB", "BiCS4"),
            tagFolder + "BootISP4620.bin");
  EXPECT_EQ(SelectBootIspPath(Dir(), IcFamily::k4620, "", "BiCS4"), tagFolder + "BootISP4620.bin");
  EXPECT_EQ(SelectBootIspPath(Dir(), IcFamily::k4620, "XT2", "IM27A"),
            Dir() + "\\Firmware\\4620XT2\\IM27A\\BootISP4620.bin");
  EXPECT_EQ(SelectBootIspPath(Dir(), IcFamily::k4610, "AD", "SSV3"),
            Dir() + "\\Firmware\\4610\\SSV3\\BootISP4610.bin");
}

}  // namespace
}  // namespace firmware
