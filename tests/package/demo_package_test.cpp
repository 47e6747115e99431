#include "package/tools/demo_package.h"

#include <gtest/gtest.h>

#include "common/bytes.h"
#include "common/ini_file.h"
#include "config/settings/settings_reader.h"
#include "package/expected_version.h"
#include "package/firmware_tag.h"
#include "package/ic_version.h"
#include "package/isp_selection.h"
#include "package/package_files.h"
#include "package/package_identity.h"
#include "package/package_layout.h"
#include "package/update_rules.h"
#include "package/version_text.h"
#include "package_fixtures.h"
#include "support/temp_dir.h"

namespace firmware::demo {
namespace {

// The profile keys the demo Setting.ini needs for the package (handed to the
// owner of demo/Setting.ini in exactly this form).
const char* const kProfileSections =
    "[VK4610XT]\nVKMStrTag=VKM4610XT\nISP_FilePath=ISP_VK4610XT.bin\nFWVerDB_FilePath=FWVerDB.ini\n"
    "ISPVerOffset=1582\nISPVerChkStrLengh=8\nISPVerChkStrSwapFlag=1\n"
    "[VK4620XT]\nVKMStrTag=VKM4620XT\nISP_FilePath=ISP_VK4620XT.bin\nFWVerDB_FilePath=FWVerDB.ini\n"
    "ISPVerOffset=1582\nISPVerChkStrLengh=8\nISPVerChkStrSwapFlag=1\n"
    "[VK4620XT2]\nVKMStrTag=VKM4620XT2\nISP_FilePath=ISP_VK4620XT2.bin\n"
    "FWVerDB_FilePath=FWVerDB.ini\nISPVerOffset=1582\nISPVerChkStrLengh=8\nISPVerChkStrSwapFlag=1\n"
    "[VK4630]\nVKMStrTag=VK4630\nISP_FilePath=ISP_VK4630.bin\nFWVerDB_FilePath=FWVerDB.ini\n"
    "ISPVerOffset=528328\nISPVerChkStrLengh=8\nISPWithCSSHeader=1\n";

std::string Trimmed(const std::string& s) { return s.substr(0, s.find_last_not_of(' ') + 1); }

class DemoPackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(WriteDemoPackage(tmp_.Str(), error)) << error;
    std::string setting = std::string("[UpdateFW]\n");
    for (const std::string& line : AutomaticPermissionLines()) setting += line + "\n";
    setting += kProfileSections;
    tmp_.Write("Setting.ini", setting);
    ini_ = common::IniFile::FromText(setting);
  }

  app::ControllerProfile Profile(const std::string& name) const {
    return app::ReadProfile(ini_, name, true);
  }

  struct Blocks {
    std::vector<uint8_t> parameter, flash, mode;
  };
  static Blocks BlocksOf(const DemoDrive& d) {
    Blocks b;
    b.parameter = fwtest::ParameterBlockBytes(
        {.signature = d.family == IcFamily::k4610 ? "VK4610PARA" : "VK4620PARA",
         .maker = d.nandMaker,
         .version = d.currentVersion,
         .retryTag = d.rawRetryTag,
         .tag = d.rawTag});
    b.flash = fwtest::FlashInfoBytes(d.dieText, static_cast<uint8_t>(d.planeCount),
                                     static_cast<uint8_t>(d.retryTableNumber));
    b.mode = fwtest::ModeSectorBytes("", d.xt2 ? "VK4620XA" : "VK4620XT");
    return b;
  }
  ScanDrive Scan(const DemoDrive& d, const Blocks& b) const {
    ScanDrive s;
    s.isNvme = d.nvme;
    if (!d.nvme) {
      s.parameterBlock = b.parameter;
      s.modeSector = b.mode;
    }
    s.modelName = "VK DEMO SSD";
    s.currentFwVer = Trimmed(d.currentVersion);
    return s;
  }

  testsupport::TempDir tmp_;
  common::IniFile ini_;
};

TEST_F(DemoPackageTest, SomeDrivesAreBehindAndOneIsUpToDate) {
  int behind = 0, upToDate = 0;
  for (const DemoDrive& d : DemoDrives()) {
    (OrderedBefore(d.currentVersion, d.offeredVersion) ? behind : upToDate) += 1;
  }
  EXPECT_GE(behind, 2);
  EXPECT_EQ(upToDate, 1);
}

TEST_F(DemoPackageTest, ScanShowsTheOfferedVersionInBothModes) {
  for (const DemoDrive& d : DemoDrives()) {
    SCOPED_TRACE(d.label);
    const Blocks b = BlocksOf(d);
    const app::ControllerProfile p = Profile(d.profile);
    const ExpectedVersion configured = ExpectedVersionAtScan(tmp_.Str(), false, p, Scan(d, b));
    EXPECT_TRUE(configured.imageExists) << configured.ispPath;
    EXPECT_EQ(configured.version, Trimmed(d.offeredVersion));
    const ExpectedVersion automatic = ExpectedVersionAtScan(tmp_.Str(), true, p, Scan(d, b));
    if (d.nvme) {
      EXPECT_EQ(automatic.ispPath, "");
      continue;
    }
    EXPECT_TRUE(automatic.imageExists) << automatic.ispPath;
    EXPECT_EQ(automatic.version, Trimmed(d.offeredVersion));
  }
}

TEST_F(DemoPackageTest, BuildFindsEveryFileForEverySataDrive) {
  for (const DemoDrive& d : DemoDrives()) {
    if (d.nvme) continue;
    SCOPED_TRACE(d.label);
    const Blocks b = BlocksOf(d);
    const PackageIdentity id = ReadPackageIdentity(ParameterBlock(b.parameter),
                                                   FlashInfoBlock(b.flash), ModeSector(b.mode));
    ASSERT_TRUE(id.UsableForPackage());
    const std::string icVer = d.family == IcFamily::k4610 ? "4610AB" : d.xt2 ? "4620XT2" : "4620AB";
    const std::string suffix = IcVersionSuffix(icVer);
    BuildSelectionInput in{
        id.family, suffix, id.tag, id.retryTag, id.planeCount, 0, Trimmed(d.currentVersion)};
    const Selection isp =
        SelectIspImageForBuild(tmp_.Str(), app::AppOptions{}, app::UpdateFileTable{}, in);
    ASSERT_TRUE(isp.ok);
    EXPECT_TRUE(FileExists(isp.path)) << isp.path;
    if (id.planeCount == 4) {
      EXPECT_NE(isp.path.find("\\4P\\"), std::string::npos);
    }
    // The image's own tag passes the builder's check against the mapped tag.
    const auto field = ReadFileRange(isp.path, 0xEFF0, 16);
    const std::string imageTag = ExtractFirmwareIdentity(field).tag;
    EXPECT_NE(id.tag.find(imageTag), std::string::npos) << imageTag << " in " << id.tag;
    const std::string boot = SelectBootIspPath(tmp_.Str(), id.family, suffix, id.tag);
    EXPECT_TRUE(FileExists(boot));
    EXPECT_NE(boot.find("\\" + suffix + "\\"), std::string::npos) << boot;
    if (id.retryTableNumber != 0) {
      EXPECT_TRUE(FileExists(RetryTablePath(tmp_.Str(), id.retryTableNumber)));
    }
    const std::string icFolder = FamilyFolderForIcVersion(id.family, suffix);
    EXPECT_TRUE(FileExists(SetCidPath(tmp_.Str(), icFolder, id.tag)));
  }
}

TEST_F(DemoPackageTest, PermissionsAllowTheDrivesThatAreBehind) {
  for (const DemoDrive& d : DemoDrives()) {
    SCOPED_TRACE(d.label);
    const app::ControllerProfile p = Profile(d.profile);
    const bool behind = OrderedBefore(d.currentVersion, d.offeredVersion);
    const std::string current = Trimmed(d.currentVersion);
    const UpdateRuleContext configured{tmp_.Str(), false, VersionDatabasePath(tmp_.Str(), p)};
    // Configured mode: the database allows the upgrade; the same version is written again.
    EXPECT_TRUE(IsUpdateAllowed(configured, d.offeredVersion, current, 8, "", std::nullopt));
    if (d.nvme) continue;
    const Blocks b = BlocksOf(d);
    const PackageIdentity id = ReadPackageIdentity(ParameterBlock(b.parameter),
                                                   FlashInfoBlock(b.flash), ModeSector(b.mode));
    const std::string suffix = d.xt2 ? "XT2" : "AB";
    const std::string prefix = KeyPrefix(FamilyFolderForIcVersion(id.family, suffix), id.tag);
    const UpdateRuleContext automatic{tmp_.Str(), true, ""};
    EXPECT_EQ(IsUpdateAllowed(automatic, d.offeredVersion, current, 8, "", prefix), behind);
  }
}

TEST_F(DemoPackageTest, ImagesCarryTheirFacts) {
  const auto sata = ReadWholeFile(tmp_.Str() + "\\VK4620XT\\ISP_VK4620XT.bin", 1 << 20);
  ASSERT_TRUE(sata);
  ASSERT_EQ(sata->size(), 262144U);
  EXPECT_EQ(std::string(sata->begin() + 0x62E, sata->begin() + 0x636), "0S13A2 0");
  EXPECT_EQ(std::string(sata->begin() + 0xEFF0, sata->begin() + 0xF000), "S0312A0 02FBiCS4");
  EXPECT_EQ((*sata)[0x841] & 1, 0);  // no CID comparison asked for
  uint32_t sum = 0;
  for (size_t i = 0; i < sata->size(); ++i) {
    if (i < 0x600 || i >= 0x880) sum += (*sata)[i];
  }
  EXPECT_EQ(common::ReadLe32(*sata, 0x87C), sum);

  const auto nvme = ReadWholeFile(tmp_.Str() + "\\VK4630\\ISP_VK4630.bin", 1 << 21);
  ASSERT_TRUE(nvme);
  // Entry 2 (656 + 2 * 48) is the ISP record; entry 1 is empty.
  EXPECT_EQ(common::ReadLe32(*nvme, 704), 0U);
  EXPECT_EQ(common::ReadLe32(*nvme, 752), 5U);
  const uint32_t data = common::ReadLe32(*nvme, 756);
  EXPECT_EQ(std::string(nvme->begin() + data + 0x7FFC8, nvme->begin() + data + 0x7FFD0),
            "N0312A0 ");
  EXPECT_EQ(common::ReadLe32(*nvme, 656), 4U);
  EXPECT_EQ(common::ReadLe32(*nvme, 800), 6U);

  const auto rr1 = ReadWholeFile(tmp_.Str() + "\\Tables\\RR01.bin", 1024);
  const auto rr2 = ReadWholeFile(tmp_.Str() + "\\Tables\\RR02.bin", 1024);
  ASSERT_TRUE(rr1 && rr2);
  EXPECT_NE(std::string(rr1->begin() + 9, rr1->begin() + 16), "RrTable");
  EXPECT_EQ(std::string(rr2->begin() + 9, rr2->begin() + 16), "RrTable");
  EXPECT_EQ(rr2->size(), 600U);
}

TEST_F(DemoPackageTest, RewritingReplacesTheOldTree) {
  tmp_.Write("Firmware/4620/Stale/02/ISP4620.bin", "old");
  tmp_.Write("VK4620XT/rules.ini", "kept");
  std::string error;
  ASSERT_TRUE(WriteDemoPackage(tmp_.Str(), error));
  EXPECT_FALSE(tmp_.Exists("Firmware/4620/Stale"));
  EXPECT_EQ(tmp_.Read("VK4620XT/rules.ini"), "kept");
}

}  // namespace
}  // namespace firmware::demo
