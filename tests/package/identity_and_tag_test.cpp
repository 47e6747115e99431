#include <gtest/gtest.h>

#include "package/firmware_tag.h"
#include "package/flash_info_block.h"
#include "package/mode_sector.h"
#include "package/package_identity.h"
#include "package/parameter_block.h"
#include "package_fixtures.h"

namespace firmware {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(FirmwareTag, CutSkipsLeadingBlanksFAndNulAndDropsTrailingBlanks) {
  EXPECT_EQ(CutFirmwareTag(Bytes("  F12A")), "12A");
  EXPECT_EQ(CutFirmwareTag(Bytes(std::string("\0F\0SSV", 6))), "SSV");
  EXPECT_EQ(CutFirmwareTag(Bytes(std::string("IM27\0\0", 6))), "IM27");
  EXPECT_EQ(CutFirmwareTag(Bytes("BiCS4 ")), "BiCS4");
  // Only the front loses F: a tag ending in F keeps it.
  EXPECT_EQ(CutFirmwareTag(Bytes("FN18F ")), "N18F");
}

TEST(FirmwareTag, CutKeepsEverythingWhenEveryByteWouldBeSkipped) {
  EXPECT_EQ(CutFirmwareTag(Bytes("FFFFFF")), "FFFFFF");
  EXPECT_EQ(CutFirmwareTag(Bytes("FF FF ")), "FF FF");
  EXPECT_EQ(CutFirmwareTag(Bytes("      ")), "");
  EXPECT_EQ(CutFirmwareTag(Bytes(std::string(6, '\0'))), "");
  EXPECT_EQ(CutFirmwareTag({}), "");
}

TEST(FirmwareTag, EmbeddedNulEndsTheTag) {
  EXPECT_EQ(CutFirmwareTag(Bytes(std::string("AB\0CD ", 6))), "AB");
}

TEST(FirmwareTag, ExtractFromParameterBlockIdentityField) {
  const auto pb = fwtest::ParameterBlockBytes({.retryTag = "A1", .tag = "FSSV3 "});
  const FirmwareIdentity id = ExtractFirmwareIdentity(ParameterBlock(pb));
  EXPECT_EQ(id.tag, "SSV3");
  EXPECT_EQ(id.retryTag, "A1");
}

TEST(FirmwareTag, RetryTagIsCopiedUpToANul) {
  const auto pb = fwtest::ParameterBlockBytes({.retryTag = std::string("7\0", 2)});
  EXPECT_EQ(ExtractFirmwareIdentity(ParameterBlock(pb)).retryTag, "7");
}

TEST(FirmwareTag, TruncatedBlockGivesWhatIsThere) {
  auto pb = fwtest::ParameterBlockBytes({.retryTag = "03", .tag = "BiCS4 "});
  pb.resize(525);  // identity field cut inside the tag
  const FirmwareIdentity id = ExtractFirmwareIdentity(ParameterBlock(pb));
  EXPECT_EQ(id.retryTag, "03");
  EXPECT_EQ(id.tag, "BiC");
  pb.resize(521);
  EXPECT_EQ(ExtractFirmwareIdentity(ParameterBlock(pb)).retryTag, "0");
  EXPECT_EQ(ExtractFirmwareIdentity(ParameterBlock(pb)).tag, "");
  pb.resize(100);
  EXPECT_EQ(ExtractFirmwareIdentity(ParameterBlock(pb)).retryTag, "");
}

TEST(RetryTag, NormalisingEmptiesTagsThatDoNotStartWithADigit) {
  EXPECT_EQ(NormaliseRetryTag("A1"), "");
  EXPECT_EQ(NormaliseRetryTag(" 1"), "");
  EXPECT_EQ(NormaliseRetryTag(""), "");
  EXPECT_EQ(NormaliseRetryTag("0A"), "0A");
  EXPECT_EQ(NormaliseRetryTag("9"), "9");
}

TEST(NandMapping, BiCSGetsMakerAndDieLevels) {
  EXPECT_EQ(MapNandType(0x98, "BiCS4 8die 512Gb", "BiCS4"), "BiCS\\TSB\\8die\\BiCS4");
  EXPECT_EQ(MapNandType(0x45, "BiCS4 4 dies", "BiCS4"), "BiCS\\SNK\\4die\\BiCS4");
  // The die word is matched exactly.
  EXPECT_EQ(MapNandType(0x98, "8DIE", "xBiCS5"), "BiCS\\TSB\\4die\\xBiCS5");
}

TEST(NandMapping, OneZGetsMlcLevels) {
  EXPECT_EQ(MapNandType(0x45, "", "1Z2T"), "1ZMLC\\SNK\\4die\\1Z2T");
  EXPECT_EQ(MapNandType(0x98, "8die", "A1Z4"), "1ZMLC\\TSB\\8die\\A1Z4");
  // "1Z3" is no 1Z MLC tag.
  EXPECT_EQ(MapNandType(0x98, "8die", "1Z3"), "1Z3");
}

TEST(NandMapping, WordTagsBecomeTheWordInTheirOrder) {
  EXPECT_EQ(MapNandType(0x98, "", "XIM27A1"), "IM27A");
  EXPECT_EQ(MapNandType(0x98, "", "IM27B"), "IM27B");
  EXPECT_EQ(MapNandType(0x98, "", "YMTC64"), "YMTC");
  // IM27A is tested before YMTC.
  EXPECT_EQ(MapNandType(0x98, "", "IM27AYMTC"), "IM27A");
  // BiCS wins over everything else.
  EXPECT_EQ(MapNandType(0x98, "", "BiCSYMTC"), "BiCS\\TSB\\4die\\BiCSYMTC");
  EXPECT_EQ(MapNandType(0x11, "", "SSV3"), "SSV3");
}

TEST(NandMapping, LayeredTagWithUnknownMakerHasNoFolder) {
  EXPECT_EQ(MapNandType(0x2C, "8die", "BiCS4"), std::nullopt);
  EXPECT_EQ(MapNandType(0x00, "", "1Z2"), std::nullopt);
  EXPECT_EQ(NandMakerName(0x2C), "");
}

TEST(IdentityBlocks, FamilyFromTheTextBeforeTheFirstNul) {
  auto pb = fwtest::ParameterBlockBytes({.signature = "VK4610PARA"});
  EXPECT_EQ(ParameterBlock(pb).Family(), IcFamily::k4610);
  pb = fwtest::ParameterBlockBytes({.signature = "xxVK4620PARA"});
  EXPECT_EQ(ParameterBlock(pb).Family(), IcFamily::k4620);
  pb = fwtest::ParameterBlockBytes({.signature = std::string("VK\0"
                                                             "4620PARA",
                                                             11)});
  EXPECT_EQ(ParameterBlock(pb).Family(), IcFamily::kNone);
  pb = fwtest::ParameterBlockBytes({.signature = "VK4630PARA"});
  EXPECT_EQ(ParameterBlock(pb).Family(), IcFamily::kNone);
  EXPECT_EQ(ParameterBlock().Family(), IcFamily::kNone);
  EXPECT_EQ(IcFamilyCode(IcFamily::k4610), 2425);
  EXPECT_EQ(IcFamilyCode(IcFamily::k4620), 2427);
}

TEST(IdentityBlocks, ModeSectorModesAndVariant) {
  EXPECT_EQ(ModeSector(fwtest::ModeSectorBytes("ISP", "VK4620XT")).Mode(), DriveMode::kIsp);
  EXPECT_EQ(ModeSector(fwtest::ModeSectorBytes("MPISP", "")).Mode(), DriveMode::kMpIsp);
  EXPECT_EQ(ModeSector(fwtest::ModeSectorBytes("ROMDE", "")).Mode(), DriveMode::kRom);
  EXPECT_EQ(ModeSector(fwtest::ModeSectorBytes("ROMD", "")).Mode(), DriveMode::kNormal);
  EXPECT_EQ(ModeSector(fwtest::ModeSectorBytes("IS", "")).Mode(), DriveMode::kNormal);
  EXPECT_TRUE(ModeSector(fwtest::ModeSectorBytes("", "VK4620XA")).IsXt2());
  EXPECT_FALSE(ModeSector(fwtest::ModeSectorBytes("", "VK4620XT")).IsXt2());
  auto shortSector = fwtest::ModeSectorBytes("", "VK4620XA");
  shortSector.resize(53);
  EXPECT_FALSE(ModeSector(shortSector).IsXt2());
  EXPECT_EQ(ModeSector().Mode(), DriveMode::kNormal);
}

TEST(IdentityBlocks, FlashInfoFields) {
  const auto fi = fwtest::FlashInfoBytes("TSB 8die", 4, 2);
  const FlashInfoBlock block(fi);
  EXPECT_EQ(block.DieText(), "TSB 8die");
  EXPECT_EQ(block.PlaneCount(), 4);
  EXPECT_EQ(block.RetryTableNumber(), 2);
  // A die text without NUL ends with the block.
  std::vector<uint8_t> unterminated(8384 + 5, 'x');
  EXPECT_EQ(FlashInfoBlock(unterminated).DieText(), "xxxxx");
  EXPECT_EQ(FlashInfoBlock(unterminated).PlaneCount(), 0);
}

TEST(PackageIdentity, ReadsMappedAndRawTags) {
  const auto pb = fwtest::ParameterBlockBytes({.maker = 0x98, .retryTag = "A1", .tag = " BiCS4"});
  const auto fi = fwtest::FlashInfoBytes("8die", 4, 1);
  const auto ms = fwtest::ModeSectorBytes("", "VK4620XA");
  const PackageIdentity id =
      ReadPackageIdentity(ParameterBlock(pb), FlashInfoBlock(fi), ModeSector(ms));
  EXPECT_EQ(id.family, IcFamily::k4620);
  EXPECT_TRUE(id.xt2);
  EXPECT_EQ(id.rawTag, "BiCS4");
  EXPECT_EQ(id.tag, "BiCS\\TSB\\8die\\BiCS4");
  EXPECT_EQ(id.rawRetryTag, "A1");
  EXPECT_EQ(id.retryTag, "");
  EXPECT_EQ(id.planeCount, 4);
  EXPECT_EQ(id.retryTableNumber, 1);
  EXPECT_TRUE(id.UsableForPackage());
}

TEST(PackageIdentity, UnknownMakerOrHostileTagIsNotUsable) {
  auto pb = fwtest::ParameterBlockBytes({.maker = 0x2C, .tag = "BiCS4 "});
  const auto fi = fwtest::FlashInfoBytes("", 2, 0);
  PackageIdentity id = ReadPackageIdentity(ParameterBlock(pb), FlashInfoBlock(fi), ModeSector());
  EXPECT_FALSE(id.nandMakerKnown);
  EXPECT_FALSE(id.UsableForPackage());

  pb = fwtest::ParameterBlockBytes({.tag = "..\\..\\"});
  id = ReadPackageIdentity(ParameterBlock(pb), FlashInfoBlock(fi), ModeSector());
  EXPECT_FALSE(id.UsableForPackage());
}

}  // namespace
}  // namespace firmware
