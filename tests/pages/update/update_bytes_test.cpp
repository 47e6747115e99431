// The byte work of the flows, with values worked out by hand: the pieces of an
// NVMe download, blocks per command, the CID mask, the legacy conversion and
// the CSS header walk.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "pages/update/ata_image.h"
#include "pages/update/nvme_update.h"
#include "pages/update/update_flow.h"

namespace {

TEST(UpdateBytes, A2000000ByteImageIn768KiBPieces) {
  const auto p = update::PlanPieces(2000000, 768 * 1024);
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].offset, 0u);
  EXPECT_EQ(p[0].size, 786432u);
  EXPECT_EQ(p[1].offset, 786432u);
  EXPECT_EQ(p[1].size, 786432u);
  EXPECT_EQ(p[2].offset, 1572864u);
  EXPECT_EQ(p[2].size, 427136u);
  EXPECT_TRUE(update::PlanPieces(100, 0).empty());
}

std::vector<uint8_t> IdentifyWith(uint16_t min, uint16_t max) {
  std::vector<uint8_t> id(512, 0);
  id[468] = static_cast<uint8_t>(min);
  id[469] = static_cast<uint8_t>(min >> 8);
  id[470] = static_cast<uint8_t>(max);
  id[471] = static_cast<uint8_t>(max >> 8);
  return id;
}

TEST(UpdateBytes, BlocksPerCommandFromWord235) {
  EXPECT_EQ(update::BlocksPerCommand(IdentifyWith(1, 0x0200), false), 128u);
  EXPECT_EQ(update::BlocksPerCommand(IdentifyWith(1, 0x0200), true), 512u);
  EXPECT_EQ(update::BlocksPerCommand(IdentifyWith(1, 256), false), 256u);
  EXPECT_EQ(update::MinimumBlocks(IdentifyWith(8, 256)), 8u);
}

TEST(UpdateBytes, TheCidMaskIgnoresThePackageBytesOnly) {
  std::array<uint8_t, 128> a{}, b{};
  std::iota(a.begin(), a.end(), 0);
  b = a;
  for (size_t i : {0, 18, 57, 75, 95, 124, 127}) b[i] ^= 0xFF;
  b[62] ^= 0x81;
  b[63] ^= 0x48;
  b[65] ^= 0x01;
  EXPECT_TRUE(update::CidsMatch(a, b));
  b[62] ^= 0x02;  // bit 1 of byte 62 counts
  EXPECT_FALSE(update::CidsMatch(a, b));
  b = a;
  b[1] ^= 0x01;
  EXPECT_FALSE(update::CidsMatch(a, b));
}

TEST(UpdateBytes, ReallocatedRawIsTheLow32BitsOfAttribute5) {
  std::vector<uint8_t> smart(512, 0);
  smart[2] = 9;  // another attribute first
  smart[14] = 5;
  smart[14 + 5] = 0x03;
  smart[14 + 8] = 0x01;
  smart[14 + 9] = 0x77;  // above the low 32 bits
  EXPECT_EQ(update::ReallocatedRaw(smart), 0x01000003u);
  EXPECT_EQ(update::ReallocatedRaw(std::vector<uint8_t>(512, 0)), 0u);
}

TEST(UpdateBytes, TheQ0427AConversionMovesHeaderBodyAndTrailer) {
  std::vector<uint8_t> image(update::legacy::kMinimumSourceBytes, 0);
  image[1040] = 0x11;
  image[2063] = 0x22;
  image[2080] = 0x33;
  image[0x80810] = 0x55;  // the last 16 bytes of the body are the trailer
  image[0x8081F] = 0x66;
  const auto out = update::ConvertLegacyImage(image, firmware::LegacyConversion::kBeforeQ0427A);
  ASSERT_TRUE(out.has_value());
  ASSERT_EQ(out->size(), 0xA0400u);
  EXPECT_EQ((*out)[0], 0x11);
  EXPECT_EQ((*out)[1023], 0x22);
  EXPECT_EQ((*out)[1024], 0x33);
  EXPECT_EQ((*out)[1024 + 0x80000 - 16], 0x55);
  EXPECT_EQ((*out)[1024 + 0x80000 - 1], 0x66);
  EXPECT_EQ((*out)[0xA03F0], 0x55);
  EXPECT_EQ((*out)[0xA03FF], 0x66);
}

TEST(UpdateBytes, TheP0925AConversionEndsWithTheTrailer) {
  std::vector<uint8_t> image(update::legacy::kMinimumSourceBytes + 10, 0);
  image[0x80810] = 0x77;
  const auto out = update::ConvertLegacyImage(image, firmware::LegacyConversion::kBeforeP0925A);
  ASSERT_TRUE(out.has_value());
  ASSERT_EQ(out->size(), 0xC0400u);
  EXPECT_EQ((*out)[0xC0400 - 16], 0x77);
}

TEST(UpdateBytes, AnImageShorterThanTheSourceLayoutIsNotConverted) {
  const std::vector<uint8_t> image(update::legacy::kMinimumSourceBytes - 1, 0xAB);
  EXPECT_FALSE(
      update::ConvertLegacyImage(image, firmware::LegacyConversion::kBeforeQ0427A).has_value());
  EXPECT_EQ(update::ConvertLegacyImage(image, firmware::LegacyConversion::kNone)->size(),
            image.size());
}

TEST(UpdateBytes, TheCssWalkSkipsEmptyEntriesAndReadsBoundedTexts) {
  std::vector<uint8_t> image(0x7FFC8 + 0x100 + 8, 0);
  auto entry = [&](size_t i, uint32_t type, uint32_t offset) {
    const size_t at = 656 + i * 48;
    for (int k = 0; k < 4; ++k) {
      image[at + k] = static_cast<uint8_t>(type >> (8 * k));
      image[at + 4 + k] = static_cast<uint8_t>(offset >> (8 * k));
    }
  };
  entry(0, 0xFFFFFFFF, 0);
  entry(1, 5, 0x100);
  entry(2, 6, 0x7FFFFFF0);  // points past the end: an empty text
  const std::string v = "N0999B0 ";
  std::copy(v.begin(), v.end(), image.begin() + 0x100 + 0x7FFC8);
  const auto css = update::ReadCssVersions(image);
  ASSERT_EQ(css.memoLines.size(), 2u);
  EXPECT_EQ(css.memoLines[0], "ISP FW Ver:   N0999B0 ");
  EXPECT_EQ(css.memoLines[1], "OPRom Ver:   ");
  EXPECT_EQ(css.ispVersion, "N0999B0 ");
}

TEST(UpdateBytes, TheSuccessRule) {
  EXPECT_TRUE(update::UpdateSucceeded("PASS"));
  EXPECT_TRUE(update::UpdateSucceeded("PASS-Please reboot your device after the update finishes."));
  EXPECT_TRUE(update::UpdateSucceeded("This Firmware version does not need to be upgraded."));
  EXPECT_FALSE(update::UpdateSucceeded("File Not Exist!"));
  EXPECT_FALSE(update::UpdateSucceeded("Check FW Version!"));
  EXPECT_FALSE(update::UpdateSucceeded(""));
}

}  // namespace
