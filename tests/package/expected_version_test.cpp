#include "package/expected_version.h"

#include <gtest/gtest.h>

#include "common/ini_file.h"
#include "config/settings/settings_reader.h"
#include "package_fixtures.h"
#include "support/temp_dir.h"

namespace firmware {
namespace {

constexpr size_t kIdentity = 0xEFF0;

class ExpectedVersionTest : public ::testing::Test {
 protected:
  ScanDrive Drive(const fwtest::BlockSpec& spec, const std::string& modeName = "VK4620XT") {
    block_ = fwtest::ParameterBlockBytes(spec);
    mode_ = fwtest::ModeSectorBytes("", modeName);
    ScanDrive d;
    d.parameterBlock = block_;
    d.modeSector = mode_;
    d.modelName = "VK SSD 256GB";
    d.currentFwVer = "S0220A0";
    return d;
  }
  app::ControllerProfile Profile(const std::string& section) const {
    return app::ReadProfile(common::IniFile::FromText(section), "VK4620XT", true);
  }
  std::string Dir() const { return tmp_.Str(); }

  testsupport::TempDir tmp_;
  std::vector<uint8_t> block_;
  std::vector<uint8_t> mode_;
};

TEST_F(ExpectedVersionTest, AutomaticModeReadsTheIdentityFieldOfTheRawTagFolder) {
  tmp_.Write("Firmware/4620/BiCS4/02/ISP4620.bin",
             fwtest::ImageWith(0x10000, kIdentity, "S0312A0 02BiCS4 "));
  const ExpectedVersion ev =
      ExpectedVersionAtScan(Dir(), true, Profile("[VK4620XT]\nISPVerChkStrSwapFlag=1\n"),
                            Drive({.retryTag = "02", .tag = " BiCS4"}));
  EXPECT_EQ(ev.ispPath, Dir() + "\\Firmware\\4620\\BiCS4\\02\\ISP4620.bin");
  EXPECT_TRUE(ev.imageExists);
  // No pair swap in automatic mode, and the text is trimmed.
  EXPECT_EQ(ev.version, "S0312A0");
}

// The list shows what the update file will carry: the whole version, whatever
// length the IC type compares, and a dated identity field as its year letter.
TEST_F(ExpectedVersionTest, AutomaticModeUsesTheXt2FolderAndTheBuildsVersion) {
  tmp_.Write("Firmware/4620XT2/IM27A/A1/ISP4620.bin",
             fwtest::ImageWith(0x10000, kIdentity, "S0312A0 "));
  const ExpectedVersion ev =
      ExpectedVersionAtScan(Dir(), true, Profile("[VK4620XT]\nISPVerChkStrLengh=5\n"),
                            Drive({.retryTag = "A1", .tag = "IM27A "}, "VK4620XA"));
  EXPECT_TRUE(ev.imageExists);
  EXPECT_EQ(ev.version, "S0312A0");

  tmp_.Write("Firmware/4620XT2/IM27A/A1/ISP4620.bin",
             fwtest::ImageWith(0x10000, kIdentity, "20190312A0IM27A "));
  EXPECT_EQ(ExpectedVersionAtScan(Dir(), true, Profile(""),
                                  Drive({.retryTag = "A1", .tag = "IM27A "}, "VK4620XA"))
                .version,
            "S0312A0");
}

TEST_F(ExpectedVersionTest, SetCidOverridesTheImageVersion) {
  tmp_.Write("Firmware/4620/BiCS4/02/ISP4620.bin",
             fwtest::ImageWith(0x10000, kIdentity, "S0312A0 "));
  tmp_.Write("Firmware/4620/BiCS4/SetCID.ini", "[IDTable]\nSetFWVer_S0220A0=S0400A0-long\n");
  const auto profile = Profile("");
  EXPECT_EQ(ExpectedVersionAtScan(Dir(), true, profile, Drive({.tag = " BiCS4"})).version,
            "S0400A0-");
  // Another current version has no entry: the image's version stays.
  ScanDrive other = Drive({.tag = " BiCS4"});
  other.currentFwVer = "S0221A0";
  EXPECT_EQ(ExpectedVersionAtScan(Dir(), true, profile, other).version, "S0312A0");
  // The plain key wins over the per-version key.
  tmp_.Write("Firmware/4620/BiCS4/SetCID.ini",
             "[IDTable]\nSetFWVer=S0500A0\nSetFWVer_S0220A0=S0400A0\n");
  EXPECT_EQ(ExpectedVersionAtScan(Dir(), true, profile, Drive({.tag = " BiCS4"})).version,
            "S0500A0");
}

TEST_F(ExpectedVersionTest, SetCidIsNotReadWithoutAnImage) {
  tmp_.Write("Firmware/4620/BiCS4/SetCID.ini", "[IDTable]\nSetFWVer=S0500A0\n");
  const ExpectedVersion ev =
      ExpectedVersionAtScan(Dir(), true, Profile(""), Drive({.tag = " BiCS4"}));
  EXPECT_FALSE(ev.imageExists);
  EXPECT_EQ(ev.version, "");
  EXPECT_EQ(ev.ispPath, Dir() + "\\Firmware\\4620\\BiCS4\\02\\ISP4620.bin");
}

TEST_F(ExpectedVersionTest, AutomaticModeHasNoImageForNvmeOrNoFamily) {
  ScanDrive nvme = Drive({});
  nvme.isNvme = true;
  EXPECT_EQ(ExpectedVersionAtScan(Dir(), true, Profile(""), nvme).ispPath, "");
  const ExpectedVersion none =
      ExpectedVersionAtScan(Dir(), true, Profile(""), Drive({.signature = "OTHER"}));
  EXPECT_EQ(none.ispPath, "");
  EXPECT_FALSE(none.imageExists);
}

TEST_F(ExpectedVersionTest, ConfiguredModeReadsAtTheOffsetWithThePairSwap) {
  tmp_.Write("VK4620XT/S0220A0/ISP.bin", fwtest::ImageWith(4096, 1582, "0S13A2 0"));
  const auto profile = Profile(
      "[VK4620XT]\nISP_FilePath=ISP.bin\nISPFilePathAdd_FWVerStr=1\nISPVerOffset=1582\n"
      "ISPVerChkStrSwapFlag=1\n");
  ScanDrive nvme = Drive({});
  nvme.isNvme = true;  // configured mode serves NVMe drives alike
  const ExpectedVersion ev = ExpectedVersionAtScan(Dir(), false, profile, nvme);
  EXPECT_EQ(ev.ispPath, Dir() + "\\VK4620XT\\S0220A0\\ISP.bin");
  EXPECT_EQ(ev.version, "S0312A0");
}

TEST_F(ExpectedVersionTest, ConfiguredModeSkipsSetCid) {
  tmp_.Write("VK4620XT/ISP.bin", fwtest::ImageWith(4096, 0, "S0312A0 "));
  tmp_.Write("Firmware/4620/BiCS4/SetCID.ini", "[IDTable]\nSetFWVer=S0500A0\n");
  const ExpectedVersion ev = ExpectedVersionAtScan(
      Dir(), false, Profile("[VK4620XT]\nISP_FilePath=ISP.bin\n"), Drive({.tag = " BiCS4"}));
  EXPECT_EQ(ev.version, "S0312A0");
}

TEST_F(ExpectedVersionTest, ShortImagesGiveWhatTheyHold) {
  const auto profile = Profile("[VK4620XT]\nISP_FilePath=ISP.bin\nISPVerOffset=100\n");
  tmp_.Write("VK4620XT/ISP.bin", std::string(104, 'A'));
  EXPECT_EQ(ExpectedVersionAtScan(Dir(), false, profile, Drive({})).version, "AAAA");
  tmp_.Write("VK4620XT/ISP.bin", std::string(10, 'A'));
  const ExpectedVersion ev = ExpectedVersionAtScan(Dir(), false, profile, Drive({}));
  EXPECT_TRUE(ev.imageExists);
  EXPECT_EQ(ev.version, "");
  EXPECT_EQ(ev.blankReason, "the image is 10 bytes, too short for the version at offset 100");
  tmp_.Write("Firmware/4620/BiCS4/02/ISP4620.bin", "tiny");
  EXPECT_EQ(ExpectedVersionAtScan(Dir(), true, profile, Drive({.tag = " BiCS4"})).version, "");
}

}  // namespace
}  // namespace firmware
