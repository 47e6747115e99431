// Scan options, the masked compare and the identity texts.
#include "scan/scan_rules.h"

#include <gtest/gtest.h>

#include <array>

#include "scan_fakes.h"

namespace app::testing {
namespace {

TEST(ScanRules, ScanFlagsFollowTheOptions) {
  AppOptions o;
  EXPECT_EQ(BuildScanFlags(o), 0x510u);
  o.ATA_PIFlag = true;
  EXPECT_EQ(BuildScanFlags(o), 0x512u);
  o.SupportInboxDriver = true;
  EXPECT_EQ(BuildScanFlags(o), 0x712u);
  o.EnableUFD = true;
  EXPECT_EQ(BuildScanFlags(o), 0x40000712u);
  o.ATA_PIFlag = o.SupportInboxDriver = false;
  EXPECT_EQ(BuildScanFlags(o), 0x40000510u);
}

TEST(ScanRules, MaskedCompareWithoutMaskComparesEveryPosition) {
  EXPECT_TRUE(MaskedCompare("VKM4620", "VKM4620 SSD", 7, ""));
  EXPECT_FALSE(MaskedCompare("VKM4620", "VKM4610 SSD", 7, ""));
  // Only the tag's length counts.
  EXPECT_TRUE(MaskedCompare("VKM46", "VKM4610 SSD", 5, ""));
  // A text shorter than the tag ends in NUL, which differs.
  EXPECT_FALSE(MaskedCompare("VKM4620", "VKM", 7, ""));
}

TEST(ScanRules, MaskedCompareLooksOnlyAtPositionsMarkedOne) {
  // Four-character tag, mask 1100: characters 3 and 4 are ignored.
  EXPECT_TRUE(MaskedCompare("VKXY", "VKM4", 4, "1100"));
  EXPECT_FALSE(MaskedCompare("VKXY", "VXM4", 4, "1100"));
  // Positions past the mask's end are ignored too, and so is any other character.
  EXPECT_TRUE(MaskedCompare("VKXY", "VKM4", 4, "11"));
  EXPECT_TRUE(MaskedCompare("VKXY", "VKXZ", 4, "1110"));
  EXPECT_TRUE(MaskedCompare("VKXY", "VQXZ", 4, "1x10"));
  // An all-zero mask accepts anything.
  EXPECT_TRUE(MaskedCompare("ABCD", "WXYZ", 4, "0000"));
}

TEST(ScanRules, BytesEqualAtNeverLeavesTheData) {
  std::array<uint8_t, 16> data{};
  PutText(data, 12, "TAIL");
  EXPECT_TRUE(BytesEqualAt(data, 12, "TAIL"));
  EXPECT_FALSE(BytesEqualAt(data, 12, "TAILS"));
  EXPECT_FALSE(BytesEqualAt(data, 13, "TAIL"));
  EXPECT_FALSE(BytesEqualAt(data, 17, "T"));
  EXPECT_FALSE(BytesEqualAt(data, -1, "T"));
  EXPECT_TRUE(BytesEqualAt(data, 99, ""));  // an empty tag always matches
  EXPECT_TRUE(BytesEqualAt(data, -5, ""));
}

TEST(ScanRules, AtaIdentityTextsSwapTheBytesOfEachWord) {
  std::array<uint8_t, 512> id{};
  // Written by hand: word 10 holds "AB" as 'B','A'; word 23 "S0"; word 27 "VK".
  id[20] = 'B';
  id[21] = 'A';
  id[46] = '0';
  id[47] = 'S';
  id[54] = 'K';
  id[55] = 'V';
  const IdentityTexts t = AtaIdentityTexts(id);
  EXPECT_EQ(t.serial, "AB");
  EXPECT_EQ(t.firmware, "S0");
  EXPECT_EQ(t.model, "VK");

  const IdentityTexts full = AtaIdentityTexts(AtaIdentify("SER123", "S0220A0", "VK SSD 256GB"));
  EXPECT_EQ(full.serial, "SER123              ");
  EXPECT_EQ(full.firmware, "S0220A0 ");
  EXPECT_EQ(full.model.size(), 40u);
  EXPECT_EQ(full.model.substr(0, 12), "VK SSD 256GB");
}

TEST(ScanRules, NvmeIdentityTextsComeFromTheirByteRanges) {
  std::array<uint8_t, 4096> id = NvmeIdCtrl("NSER", "VK NVMe 512GB", "N0100A0");
  const IdentityTexts t = NvmeIdentityTexts(id);
  EXPECT_EQ(t.serial, "NSER                ");
  EXPECT_EQ(t.model, "VK NVMe 512GB" + std::string(27, ' '));
  EXPECT_EQ(t.firmware, "N0100A0 ");
  // Short or empty data gives short or empty texts, never a read past the end.
  EXPECT_EQ(NvmeIdentityTexts(std::span<const uint8_t>(id).first(30)).model, "VK NVM");
  EXPECT_EQ(AtaIdentityTexts({}).serial, "");
}

}  // namespace
}  // namespace app::testing
