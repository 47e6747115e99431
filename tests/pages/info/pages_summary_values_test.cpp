// The Summary page's values and texts from IDENTIFY DEVICE / SMART READ DATA
// and from Identify Controller / the NVMe health log, as pure functions.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pages/info/format_thousands.h"
#include "pages/info/summary_values.h"
#include "pages_fixture.h"

namespace {

using infotest::PutAtaString;
using infotest::PutAttribute;
using infotest::PutText;

std::vector<uint8_t> Block(size_t n) { return std::vector<uint8_t>(n, 0); }

info::SummaryTexts AtaTexts(const std::vector<uint8_t>& identify,
                            const std::vector<uint8_t>& smart) {
  return info::FormatSummary(info::AtaSummaryValues(identify, smart));
}

TEST(FormatThousands, GroupsDigitsInThreesFromTheRight) {
  EXPECT_EQ(info::FormatThousands(0), "0");
  EXPECT_EQ(info::FormatThousands(999), "999");
  EXPECT_EQ(info::FormatThousands(1000), "1,000");
  EXPECT_EQ(info::FormatThousands(1234567), "1,234,567");
  EXPECT_EQ(info::FormatThousands(100000), "100,000");
  EXPECT_EQ(info::FormatThousands(UINT64_MAX), "18,446,744,073,709,551,615");
  EXPECT_EQ(info::GroupThousands("9444732965739256872960"), "9,444,732,965,739,256,872,960");
}

TEST(ScaledDecimal, IsExactBeyondSixtyFourBits) {
  EXPECT_EQ(info::ScaledDecimal({}), "0");
  EXPECT_EQ(info::ScaledDecimal(std::vector<uint8_t>{0x10, 0x27}), "10000");
  EXPECT_EQ(info::ScaledDecimal(std::vector<uint8_t>{0x00, 0x00, 0x02}, 33554432), "4398046511104");
  // 2^64 data units of 512,000 bytes.
  std::vector<uint8_t> twoTo64(16, 0);
  twoTo64[8] = 1;
  EXPECT_EQ(info::ScaledDecimal(twoTo64, 512000), "9444732965739290427392000");
  // The largest 128-bit counter.
  EXPECT_EQ(info::ScaledDecimal(std::vector<uint8_t>(16, 0xFF), 512000),
            "174224571863520493293247799005065324264960000");
}

TEST(AtaSummary, SmartValuesFromTheAttributeTable) {
  const auto identify = Block(512);
  auto smart = Block(512);
  PutAttribute(smart, 0, 0x09, 100, 100, {0x10, 0x27, 0, 0, 0, 0});
  PutAttribute(smart, 1, 0xA9, 100, 100, {0x64, 0, 0, 0, 0, 0});
  PutAttribute(smart, 2, 0xF1, 100, 100, {0x01, 0, 0, 0, 0, 0});
  info::SummaryTexts t = AtaTexts(identify, smart);
  EXPECT_EQ(t.powerOnTime, "10000 Hours");
  EXPECT_EQ(t.ssdLife, "100.00%");
  EXPECT_EQ(t.bytesWritten, "33,554,432");

  PutAttribute(smart, 2, 0xF1, 100, 100, {0x00, 0x00, 0x02, 0, 0, 0});
  EXPECT_EQ(AtaTexts(identify, smart).bytesWritten, "4,398,046,511,104");
  PutAttribute(smart, 1, 0xA9, 100, 100, {98, 0xFF, 0, 0, 0, 0});
  EXPECT_EQ(AtaTexts(identify, smart).ssdLife, "98.00%");
}

TEST(AtaSummary, PowerOnHoursTakeTheLowThirtyTwoBitsOnly) {
  auto smart = Block(512);
  PutAttribute(smart, 5, 0x09, 100, 100, {0x10, 0x27, 0, 0, 0x01, 0x02});
  EXPECT_EQ(AtaTexts(Block(512), smart).powerOnTime, "10000 Hours");
  // A value past 2^31 hours is shown unsigned, never negative.
  PutAttribute(smart, 5, 0x09, 100, 100, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0});
  EXPECT_EQ(AtaTexts(Block(512), smart).powerOnTime, "4294967295 Hours");
}

TEST(AtaSummary, MissingAttributesReadZeroAndTheLastOfARepeatedIdWins) {
  auto smart = Block(512);
  PutAttribute(smart, 0, 0x05, 100, 100, {0x07});
  const info::SummaryTexts none = AtaTexts(Block(512), smart);
  EXPECT_EQ(none.powerOnTime, "0 Hours");
  EXPECT_EQ(none.ssdLife, "0.00%");
  EXPECT_EQ(none.bytesWritten, "0");

  PutAttribute(smart, 1, 0x09, 100, 100, {0x01});
  PutAttribute(smart, 29, 0x09, 100, 100, {0x02});
  EXPECT_EQ(AtaTexts(Block(512), smart).powerOnTime, "2 Hours");
}

TEST(AtaSummary, VendorAreaIsNotRead) {
  auto smart = Block(512);
  // An entry-shaped record at byte 386 with attribute F1.
  smart[386] = 0xF1;
  smart[386 + 5] = 0x05;
  EXPECT_EQ(AtaTexts(Block(512), smart).bytesWritten, "0");
}

TEST(AtaSummary, LargestRawValueDoesNotWrap) {
  auto smart = Block(512);
  PutAttribute(smart, 0, 0xF1, 100, 100, std::vector<uint8_t>(6, 0xFF));
  EXPECT_EQ(AtaTexts(Block(512), smart).bytesWritten, "9,444,732,965,739,256,872,960");
}

TEST(AtaSummary, IdentityStringsAreUnswappedWithTheirBlanks) {
  auto identify = Block(512);
  PutAtaString(identify, 20, 20, "SN0001234");
  PutAtaString(identify, 46, 8, "S0312A0");
  PutAtaString(identify, 54, 40, "VKM SSD 512GB");
  const info::SummaryTexts t = AtaTexts(identify, Block(512));
  EXPECT_EQ(t.serialNumber, "SN0001234           ");
  EXPECT_EQ(t.fwVersion, "S0312A0 ");
  EXPECT_EQ(t.modelName, "VKM SSD 512GB" + std::string(27, ' '));
}

TEST(AtaSummary, FeatureFlagsFromTheirWords) {
  auto identify = Block(512);
  EXPECT_EQ(info::AtaSummaryFeatures(identify), info::SummaryFeatures{});
  // Word 169 = 0001h and word 83 bit 3 clear: TRIM yes, APM no.
  identify[338] = 0x01;
  identify[166] = 0xF7;
  identify[167] = 0xFF;
  info::SummaryFeatures f = info::AtaSummaryFeatures(identify);
  EXPECT_TRUE(f.trim);
  EXPECT_FALSE(f.apm);
  // Word 82 bit 0, word 76 bit 8 (the high byte's bit 0), word 83 bit 3.
  identify[164] = 0x01;
  identify[153] = 0x01;
  identify[166] = 0x08;
  identify[167] = 0x00;
  f = info::AtaSummaryFeatures(identify);
  EXPECT_EQ(f, (info::SummaryFeatures{true, true, true, true}));
  // Neighbouring bits do not count.
  auto other = Block(512);
  other[164] = 0xFE;
  other[152] = 0xFF;
  other[153] = 0xFE;
  other[166] = 0xF7;
  other[338] = 0xFE;
  EXPECT_EQ(info::AtaSummaryFeatures(other), info::SummaryFeatures{});
}

TEST(AtaSummary, ShortBlocksReadAsZero) {
  const info::SummaryValues v = info::AtaSummaryValues({}, std::vector<uint8_t>(20, 0xFF));
  EXPECT_EQ(v.model, "");
  EXPECT_EQ(v.powerOnHours, "0");
  EXPECT_EQ(v.bytesWritten, "0");
}

struct NvmeBlocks {
  std::vector<uint8_t> id = Block(4096);
  std::vector<uint8_t> log = Block(512);
  info::SummaryValues Values() const { return info::NvmeSummaryValues(id, log); }
};

TEST(NvmeSummary, IdentityFromIdentifyControllerAsStored) {
  NvmeBlocks b;
  PutText(b.id, 4, 20, "NV0000042");
  PutText(b.id, 24, 40, "VKM NVMe SSD 1TB");
  PutText(b.id, 64, 8, "N0220A0");
  const info::SummaryTexts t = info::FormatSummary(b.Values());
  EXPECT_EQ(t.serialNumber, "NV0000042           ");
  EXPECT_EQ(t.modelName, "VKM NVMe SSD 1TB" + std::string(24, ' '));
  EXPECT_EQ(t.fwVersion, "N0220A0 ");
}

TEST(NvmeSummary, LifeHoursAndBytesFromTheHealthLog) {
  NvmeBlocks b;
  b.log[5] = 3;      // percentage used
  b.log[48] = 0x02;  // data units written = 0x102
  b.log[49] = 0x01;
  b.log[128] = 0xE8;  // power-on hours = 1000
  b.log[129] = 0x03;
  info::SummaryTexts t = info::FormatSummary(b.Values());
  EXPECT_EQ(t.ssdLife, "97.00%");
  EXPECT_EQ(t.bytesWritten, "132,096,000");
  EXPECT_EQ(t.powerOnTime, "1000 Hours");

  // Used beyond its rated life: never below zero.
  b.log[5] = 100;
  EXPECT_EQ(info::FormatSummary(b.Values()).ssdLife, "0.00%");
  b.log[5] = 255;
  EXPECT_EQ(info::FormatSummary(b.Values()).ssdLife, "0.00%");
  b.log[5] = 0;
  EXPECT_EQ(info::FormatSummary(b.Values()).ssdLife, "100.00%");
}

TEST(NvmeSummary, CountersUseAllSixteenBytes) {
  NvmeBlocks b;
  b.log[48 + 8] = 1;    // 2^64 data units
  b.log[128 + 15] = 1;  // 2^120 hours
  const info::SummaryTexts t = info::FormatSummary(b.Values());
  EXPECT_EQ(t.bytesWritten, "9,444,732,965,739,290,427,392,000");
  EXPECT_EQ(t.powerOnTime, "1329227995784915872903807060280344576 Hours");
}

TEST(NvmeSummary, FeaturesFromOncsAndApsta) {
  NvmeBlocks b;
  info::SummaryFeatures f = b.Values().features;
  // SMART and queued commands are part of every NVMe drive.
  EXPECT_TRUE(f.smart);
  EXPECT_TRUE(f.ncq);
  EXPECT_FALSE(f.apm);
  EXPECT_FALSE(f.trim);
  b.id[520] = 0x04;  // ONCS bit 2: Dataset Management
  b.id[265] = 0x01;  // APSTA bit 0
  f = b.Values().features;
  EXPECT_TRUE(f.trim);
  EXPECT_TRUE(f.apm);
  // Other ONCS bits (compare, write uncorrectable, ...) are not TRIM.
  b.id[520] = 0xFB;
  b.id[521] = 0xFF;
  b.id[265] = 0xFE;
  f = b.Values().features;
  EXPECT_FALSE(f.trim);
  EXPECT_FALSE(f.apm);
}

}  // namespace
