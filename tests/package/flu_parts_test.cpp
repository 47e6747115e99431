// The rules the update file is assembled by, case by case.
#include <gtest/gtest.h>

#include "common/ini_file.h"
#include "gen_flu_support.h"
#include "package/generate/flu_layout.h"
#include "package/generate/flu_version.h"
#include "package/generate/retry_data.h"
#include "package/generate/set_cid.h"
#include "package/path_text.h"

namespace firmware {
namespace {

using fwtest::Bytes;

std::string Version(const std::string& field) {
  const BuildVersion v = VersionFromIdentityField(Bytes(field.begin(), field.end()));
  return std::string(v.begin(), v.end());
}

TEST(FluVersion, YearLetterOrTheFirstSevenCharacters) {
  EXPECT_EQ(Version("20190220A0xxBiCS"), std::string("S0220A0\0", 8));
  EXPECT_EQ(Version("20200101A_xxBiCS"), std::string("T0101A \0", 8));  // "_" read as a blank
  EXPECT_EQ(Version("V0414A0Zxx"), "V0414A0 ");
  EXPECT_EQ(BuildVersionString(BuildVersionText("R1", Bytes(16, '2'))), "R1");
}

TEST(FluLayout, PaddingAndTheChecksumUnit) {
  // 262,144 bytes and a 4096-byte unit: no padding, one checksum unit.
  Bytes image(262144, 0);
  image[0] = 0x01;
  image[4] = 0x02;
  image[262143] = 0x80;  // the last word 0x80000000
  Bytes flu = BuildFlu(image, 4096);
  ASSERT_EQ(flu.size(), 266240u);
  EXPECT_EQ(Bytes(flu.begin() + 262144, flu.begin() + 262148), Bytes({0x03, 0, 0, 0x80}));
  // 5000 bytes pad to 8192, then the unit: 1250 words 0x01010101 sum to 0xE6E6E6E2.
  flu = BuildFlu(Bytes(5000, 0x01), 4096);
  ASSERT_EQ(flu.size(), 12288u);
  EXPECT_EQ(flu[4999], 0x01);
  EXPECT_EQ(flu[5000], 0x00);
  EXPECT_EQ(Bytes(flu.begin() + 8192, flu.begin() + 8196), Bytes({0xE2, 0xE6, 0xE6, 0xE6}));
  EXPECT_TRUE(BuildFlu(image, 0).empty());
}

TEST(SetCid, ClockNamesNumbersThermalAndTheC3Switch) {
  Bytes cid(128, 0x40), id(512, 0);
  ApplySetCid(common::IniFile::FromText("[CID]\nEnFlashClock=1\nFlashClock=CLK_162p5\n"
                                        "ThermalThrottlingLV1=70\nThermalThrottlingLV3=80\n"
                                        "ENABLESMARTC3BE0=1\n"),
              IcFamily::k4610, "1Z2", cid, id);
  EXPECT_EQ(cid[18], 0x1A);
  EXPECT_EQ(cid[19], 0x00);
  EXPECT_EQ(Bytes(cid.begin() + 92, cid.begin() + 96), Bytes(4, 0x40));  // LV2 missing
  EXPECT_EQ(cid[63], 0x40);                                              // 4610: 1 sets
  EXPECT_EQ(cid[57], 0x12);
  EXPECT_EQ(cid[65], 0x41);
  EXPECT_EQ(cid[75], 0x28);

  Bytes other(128, 0x40);
  ApplySetCid(common::IniFile::FromText("[CID]\nENABLESMARTC3BE0=1\nFlashClock=CLK_25\n"
                                        "EnFlashClock=0\nAdjTemp=-5\n"),
              IcFamily::k4620, "IMN28", other, id);
  EXPECT_EQ(other[63], 0x40);  // N28 keeps the direct sense
  EXPECT_EQ(other[18], 0x40);  // a name without EnFlashClock changes nothing
  EXPECT_EQ(other[0], 0x40);   // AdjTemp without EnableAdjTemp
  ApplySetCid(common::IniFile::FromText("[CID]\nENABLESMARTC3BE0=1\n"), IcFamily::k4620,
              "BiCS\\TSB\\4die\\BiCS4", other, id);
  EXPECT_EQ(other[63], 0x00);  // inverted: 1 clears
}

TEST(UpdateFileRules, RetryLengthsAndFolderNames) {
  EXPECT_EQ(RetryDataLength("BiCS\\TSB\\8die\\BiCS4"), 536u);
  EXPECT_EQ(RetryDataLength("SSV3"), 256u);
  EXPECT_EQ(RetryDataLength("SSV3M"), 536u);
  EXPECT_EQ(RetryDataLength("SSV4"), 371u);
  EXPECT_EQ(RetryDataLength("SSV4M"), 264u);
  EXPECT_EQ(RetryDataLength("xHYNV4"), 512u);
  EXPECT_EQ(RetryDataLength("SSV3X"), 0u);
  EXPECT_EQ(RetryDataLength("1ZMLC\\SNK\\4die\\1Z2"), 0u);

  EXPECT_TRUE(IsSafeFolderLevel("BiCS4"));
  EXPECT_TRUE(IsSafeFolderLevel(""));
  for (const char* bad : {"..", " .. ", ".", "a\\b", "a/b", "C:", "\\x"}) {
    EXPECT_FALSE(IsSafeFolderLevel(bad)) << bad;
  }
  EXPECT_TRUE(IsSafeRelativeFolder("BiCS\\TSB\\8die\\BiCS4"));
  for (const char* bad : {"", "\\BiCS4", "BiCS\\..\\x", "a\\\\b", "a\\", "C:\\x"}) {
    EXPECT_FALSE(IsSafeRelativeFolder(bad)) << bad;
  }
}

}  // namespace
}  // namespace firmware
