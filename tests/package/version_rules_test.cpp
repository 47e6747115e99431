#include <gtest/gtest.h>

#include "package/update_rules.h"
#include "package/version_text.h"
#include "package_fixtures.h"
#include "support/temp_dir.h"

namespace firmware {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(VersionOrder, ByteWiseLikeStrcmp) {
  EXPECT_TRUE(OrderedBefore("S0299A0", "S0300A0"));
  EXPECT_FALSE(OrderedBefore("S0300A0", "S0300A0"));
  EXPECT_TRUE(OrderedBefore("S03", "S0300A0"));          // a prefix sorts first
  EXPECT_TRUE(OrderedBefore("Z", "a"));                  // bytes, not letters
  EXPECT_TRUE(OrderedBefore("S0300A0", "S0300A0\x80"));  // unsigned bytes
  EXPECT_EQ(CompareVersionBytes(std::string("AB\0C", 4), "AB"), 0);
  EXPECT_GT(CompareVersionBytes("b", "a"), 0);
}

TEST(VersionText, PlainSwappedAndCut) {
  const auto img = Bytes("xx0S22A0 0");
  EXPECT_EQ(ReadVersionText(img, 2, 8, false), "0S22A0 0");
  EXPECT_EQ(ReadVersionText(img, 2, 8, true), "S0220A0 ");
  // An odd length walks whole pairs, so the last character is the partner byte.
  EXPECT_EQ(ReadVersionText(img, 2, 3, true), "S02");
  // Past the end of the image the text stops.
  EXPECT_EQ(ReadVersionText(img, 8, 8, false), " 0");
  EXPECT_EQ(ReadVersionText(img, 9, 2, true), "");
  EXPECT_EQ(ReadVersionText(img, 10, 8, false), "");
  EXPECT_EQ(ReadVersionText(img, -1, 8, false), "");
  // A NUL ends the text; lengths are held to 1..8.
  EXPECT_EQ(ReadVersionText(Bytes(std::string("AB\0CD", 5)), 0, 8, false), "AB");
  EXPECT_EQ(ReadVersionText(Bytes("ABCDEFGHIJ"), 0, 20, false), "ABCDEFGH");
  EXPECT_EQ(ReadVersionText(Bytes("ABCDEFGHIJ"), 0, 0, false), "A");
}

TEST(VersionText, OfferedVersionFollowsTheProfile) {
  app::ControllerProfile p;
  p.ISPVerOffset = 4;
  p.ISPVerChkStrLengh = 7;
  p.ISPVerChkStrSwapFlag = false;
  EXPECT_EQ(ReadOfferedVersion(Bytes("....S0312A0 "), p), "S0312A0");
  p.ISPVerChkStrSwapFlag = true;
  p.ISPVerChkStrLengh = 8;
  EXPECT_EQ(ReadOfferedVersion(Bytes("....0S13A20 "), p), "S0312A 0");
  EXPECT_EQ(ReadNvmeOfferedVersion(Bytes("....0S13A20 "), p), "0S13A20 ");
}

TEST(VersionMask, NonOnePositionsBecomeStarsWithinTheLength) {
  EXPECT_EQ(MaskVersion("S0220A0 ", 8, "11110000"), "S022****");
  EXPECT_EQ(MaskVersion("S0220A0", 8, ""), "S0220A0");
  EXPECT_EQ(MaskVersion(" S0220A0", 8, ""), "S0220A0");
  // Positions past the mask's end are masked as well.
  EXPECT_EQ(MaskVersion("S0220A0", 8, "11"), "S0******");
  // Only the length is copied.
  EXPECT_EQ(MaskVersion("S0220A0", 4, ""), "S022");
  // A shorter version keeps its end where the mask keeps the position.
  EXPECT_EQ(MaskVersion("S02", 8, "11110000"), "S02");
  EXPECT_EQ(MaskVersion("S0220A0", 40, ""), "S0220A0");
}

class UpdateAllowedTest : public ::testing::Test {
 protected:
  UpdateRuleContext Ctx(bool autoGenFlu) const {
    return UpdateRuleContext{tmp_.Str(), autoGenFlu, tmp_.Str() + "\\VK4630\\db.ini"};
  }
  testsupport::TempDir tmp_;
};

TEST_F(UpdateAllowedTest, MaskMakesTwoVersionsTheSame) {
  // No database exists: only the same-version rule can allow it.
  EXPECT_TRUE(IsUpdateAllowed(Ctx(false), "S0220B0", "S0220A0", 8, "11110000", std::nullopt));
  EXPECT_FALSE(IsUpdateAllowed(Ctx(false), "S0220B0", "S0220A0", 8, "", std::nullopt));
  EXPECT_TRUE(IsUpdateAllowed(Ctx(false), "S0220A0 ", "S0220A0", 8, "", std::nullopt));
}

TEST_F(UpdateAllowedTest, DatabaseListsTheAllowedTargets) {
  tmp_.Write(
      "VK4630/db.ini",
      "[UPDATE_S0130A0]\nFWSupportVer_1=S0215A0\n"
      "[UPDATE_S0140A0]\nFWSupportVer_1=S0215A0\nFWSupportVer_2=\nFWSupportVer_3= S0300A0 \n"
      "[UPDATE_S0150A0]\nFWSupportVer_1=S0215A0\nFWSupportVer_2=0\nFWSupportVer_3=S0300A0\n");
  EXPECT_TRUE(IsUpdateAllowed(Ctx(false), "S0215A0", "S0130A0", 8, "", std::nullopt));
  EXPECT_FALSE(IsUpdateAllowed(Ctx(false), "S0300A0", "S0130A0", 8, "", std::nullopt));
  // An empty value is not "0": the search goes on.
  EXPECT_TRUE(IsUpdateAllowed(Ctx(false), "S0300A0", "S0140A0", 8, "", std::nullopt));
  // "0" ends it.
  EXPECT_FALSE(IsUpdateAllowed(Ctx(false), "S0300A0", "S0150A0", 8, "", std::nullopt));
  // No section for the current version.
  EXPECT_FALSE(IsUpdateAllowed(Ctx(false), "S0215A0", "S0100A0", 8, "", std::nullopt));
  // Without a key prefix automatic mode uses the database too (the NVMe path).
  EXPECT_TRUE(IsUpdateAllowed(Ctx(true), "S0215A0", "S0130A0", 8, "", std::nullopt));
}

TEST_F(UpdateAllowedTest, DatabaseSectionUsesTheMaskedCurrentVersion) {
  // The entries are compared with the masked offered version, so they carry the mask too.
  tmp_.Write("VK4630/db.ini",
             "[UPDATE_S013****]\nFWSupportVer_1=S0215A0\nFWSupportVer_2=S021****\n");
  EXPECT_TRUE(IsUpdateAllowed(Ctx(false), "S0215A0", "S0137B1", 8, "11110000", std::nullopt));
  EXPECT_FALSE(IsUpdateAllowed(Ctx(false), "S0225A0", "S0137B1", 8, "11110000", std::nullopt));
}

TEST_F(UpdateAllowedTest, MissingOrFolderDatabaseAllowsNothing) {
  EXPECT_FALSE(IsUpdateAllowed(Ctx(false), "S0215A0", "S0130A0", 8, "", std::nullopt));
  std::filesystem::create_directories(tmp_.Path() / "VK4630" / "db.ini");
  EXPECT_FALSE(IsUpdateAllowed(Ctx(false), "S0215A0", "S0130A0", 8, "", std::nullopt));
}

TEST_F(UpdateAllowedTest, AutomaticModeAsksSettingIni) {
  const std::string prefix = "4620BiCS\\TSB\\8die\\BiCS4";
  // Setting.ini missing: nothing is allowed, not even the same version.
  EXPECT_FALSE(IsUpdateAllowed(Ctx(true), "S0220A0", "S0220A0", 8, "", prefix));
  tmp_.Write("Setting.ini",
             "[UpdateFW]\n"
             "4620BiCS\\TSB\\8die\\BiCS4S0220A0=S0312A0\n"
             "4620BiCS\\TSB\\8die\\BiCS4S0100A0=1\n"
             "4620BiCS\\TSB\\8die\\BiCS4S0200A0=0\n");
  EXPECT_TRUE(IsUpdateAllowed(Ctx(true), "S0312A0", "S0220A0", 8, "", prefix));
  EXPECT_FALSE(IsUpdateAllowed(Ctx(true), "S0313A0", "S0220A0", 8, "", prefix));
  EXPECT_TRUE(IsUpdateAllowed(Ctx(true), "anything", "S0100A0", 8, "", prefix));
  EXPECT_FALSE(IsUpdateAllowed(Ctx(true), "S0312A0", "S0200A0", 8, "", prefix));
  // Missing key: the same version is not written again in this mode.
  EXPECT_FALSE(IsUpdateAllowed(Ctx(true), "S0312A0", "S0312A0", 8, "", prefix));
  // The value is compared with the masked offered version.
  EXPECT_FALSE(IsUpdateAllowed(Ctx(true), "S0312A0", "S0220A0", 8, "11110000", prefix));
  // Configured mode ignores the prefix.
  EXPECT_TRUE(IsUpdateAllowed(Ctx(false), "S0312A0", "S0312A0", 8, "", prefix));
}

TEST(AvailableBefore, RefusesOnlyCurrentVersionsAfterIt) {
  app::AppOptions o;
  o.AvailableBefore = "S0300A0";
  EXPECT_EQ(AvailableBeforeRefusal(o, "S0299A0"), std::nullopt);
  EXPECT_EQ(AvailableBeforeRefusal(o, "S0300A0"), std::nullopt);
  EXPECT_EQ(AvailableBeforeRefusal(o, "S0301A0"), "Current FW Version is not before S0300A0");
  o.AvailableBefore.clear();
  EXPECT_EQ(AvailableBeforeRefusal(o, "Z9999"), std::nullopt);
}

TEST(CustomerTypeRules, UpToDateAndGenerationErrors) {
  EXPECT_EQ(CustomerTypeRefusal(1, "V0413Z9"), std::nullopt);
  EXPECT_EQ(CustomerTypeRefusal(1, "V0414A0"), "Drive FW is Up To Date");
  EXPECT_EQ(CustomerTypeRefusal(1, "W0001A0"), "Drive FW is Up To Date");
  EXPECT_EQ(CustomerTypeRefusal(0, "W0001A0"), std::nullopt);
  EXPECT_EQ(GenFluErrorResult(1, 17), "No Update Available");
  EXPECT_EQ(GenFluErrorResult(0, 17), "Gen flu file error:(0x11)");
  EXPECT_EQ(GenFluErrorResult(1, 258), "Gen flu file error:(0x102)");
}

TEST(CustomerTypeRules, Type2ChecksTheParameterBlockOfIMN38Drives) {
  auto pb = fwtest::ParameterBlockBytes({});
  pb[20] = 4;
  pb[21] = 1;
  pb[19] = 4;
  pb[124] = 0xF0;
  pb[125] = 0x2F;
  const ParameterBlock good(pb);
  EXPECT_EQ(CustomerType2Refusal(2, "4620IMN38", good), std::nullopt);
  EXPECT_EQ(CustomerType2Refusal(1, "4620IMN38", ParameterBlock()), std::nullopt);
  EXPECT_EQ(CustomerType2Refusal(2, "4620BiCS4", ParameterBlock()), std::nullopt);
  auto bad = pb;
  bad[20] = 3;
  EXPECT_EQ(CustomerType2Refusal(2, "4620IMN38", ParameterBlock(bad)),
            "Device is not 512GB or 256GB");
  bad = pb;
  bad[20] = 2;
  bad[19] = 2;
  EXPECT_EQ(CustomerType2Refusal(2, "4620IMN38", ParameterBlock(bad)), "Plane mode is not 4");
  bad = pb;
  bad[125] = 0x2E;
  EXPECT_EQ(CustomerType2Refusal(2, "4620IMN38", ParameterBlock(bad)),
            "ValidTlcPgPerCE is not equal to 0x2FF0");
  EXPECT_EQ(CustomerType2Refusal(2, "4620IMN38", ParameterBlock()), "Device is not 512GB or 256GB");
}

TEST(LegacyRules, ConversionUpToAndIncludingTheVersion) {
  app::ControllerProfile p;
  EXPECT_EQ(LegacyConversionFor(p, "P0101A"), LegacyConversion::kNone);
  p.ISPVerChk_BefQ0427A_Only10JMS_L06B = true;
  EXPECT_EQ(LegacyConversionFor(p, "Q0427A"), LegacyConversion::kBeforeQ0427A);
  EXPECT_EQ(LegacyConversionFor(p, "Q0427B"), LegacyConversion::kNone);
  p.ISPVerChk_BefP0925A_Only10JMS = true;
  EXPECT_EQ(LegacyConversionFor(p, "P0925A"), LegacyConversion::kBeforeP0925A);
  EXPECT_EQ(LegacyConversionFor(p, "P0925A0"), LegacyConversion::kBeforeQ0427A);
}

TEST(CommitCheck, ReportedVersionAgainstExpected) {
  EXPECT_TRUE(ReportedVersionMatches("S0312A0 ", "S0312A0"));
  EXPECT_TRUE(ReportedVersionMatches("S0312A0 trailing", " S0312A0 "));
  EXPECT_FALSE(ReportedVersionMatches("S0312A1 ", "S0312A0"));
  EXPECT_FALSE(ReportedVersionMatches("", "S0312A0"));
}

}  // namespace
}  // namespace firmware
