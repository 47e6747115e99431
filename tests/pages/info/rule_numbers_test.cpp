#include "pages/info/decoder/rule_numbers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace info {
namespace {

TEST(ParseLeadingDecimalTest, ReadsOnlyLeadingDigitsWithinTheLookedAtCharacters) {
  EXPECT_EQ(ParseLeadingDecimal("512", 4), 512);
  EXPECT_EQ(ParseLeadingDecimal("100", 2), 10);  // only two characters looked at
  EXPECT_EQ(ParseLeadingDecimal("0x20", 5), 0);  // no hexadecimal
  EXPECT_EQ(ParseLeadingDecimal("-1", 2), 0);    // no sign
  EXPECT_EQ(ParseLeadingDecimal("12abc", 5), 12);
  EXPECT_EQ(ParseLeadingDecimal("", 5), 0);
  EXPECT_EQ(ParseLeadingDecimal("abc", 5), 0);
}

TEST(ParseLeadingDecimalTest, BlanksAreSkippedOnlyWhileTheValueIsZero) {
  EXPECT_EQ(ParseLeadingDecimal("  7", 5), 7);
  EXPECT_EQ(ParseLeadingDecimal("0 5", 5), 5);
  EXPECT_EQ(ParseLeadingDecimal("4 5", 5), 4);
  EXPECT_EQ(ParseLeadingDecimal("   7", 2), 0);  // the digit lies beyond the looked-at part
}

TEST(ParseLeadingDecimalTest, LongDigitRunsDoNotOverflow) {
  EXPECT_EQ(ParseLeadingDecimal(std::string(200, '9'), 200), INT32_MAX);
}

TEST(ListElementTest, DropsEmptyElementsAndReportsMissingOnesAsMinusOne) {
  EXPECT_EQ(ParseRuleList(",,1,,,3, 4,"), (std::vector<int32_t>{1, 3, 4}));
  EXPECT_EQ(ListElement("1,3,4", 0), 1);
  EXPECT_EQ(ListElement("1,3,4", 2), 4);
  EXPECT_EQ(ListElement("1,3,4", 3), -1);
  EXPECT_EQ(ListElement(",,,", 0), -1);
  EXPECT_EQ(ListElement("12345,x", 0), 1234);  // four characters per element
  EXPECT_EQ(ListElement("x,2", 0), 0);         // a bad element still counts
  EXPECT_EQ(ListElement("1,2", -1), -1);
}

TEST(ExtractBitsTest, NumbersBitsFromTheLeastSignificantBitOfByteZero) {
  const std::vector<uint8_t> v{0x2D, 0xA5, 0x00, 0x80};
  EXPECT_EQ(ExtractBits(v, 0, 1), 1u);
  EXPECT_EQ(ExtractBits(v, 1, 3), 6u);
  EXPECT_EQ(ExtractBits(v, 4, 4), 2u);
  EXPECT_EQ(ExtractBits(v, 4, 8), 0x52u);  // across a byte boundary
  EXPECT_EQ(ExtractBits(v, 0, 32), 0x8000A52Du);
  EXPECT_EQ(ExtractBits(v, 31, 1), 1u);
}

TEST(ExtractBitsTest, OutOfRangeWidthsAndPositionsGiveZeroOrZeroBits) {
  const std::vector<uint8_t> v{0xFF, 0xFF};
  EXPECT_EQ(ExtractBits(v, 0, 0), 0u);
  EXPECT_EQ(ExtractBits(v, 0, -1), 0u);
  EXPECT_EQ(ExtractBits(v, 0, 33), 0u);
  EXPECT_EQ(ExtractBits(v, -3, 4), 0u);
  EXPECT_EQ(ExtractBits(v, 12, 8), 0x0Fu);  // bits past the end read as 0
  EXPECT_EQ(ExtractBits(v, 4000, 8), 0u);
}

TEST(PrintablePrefixTest, StopsAtTheFirstNonPrintableCharacter) {
  EXPECT_EQ(PrintablePrefix("Model\tNumber"), "Model");
  EXPECT_EQ(PrintablePrefix("Temp \x7F ok"), "Temp \x7F ok");
  EXPECT_EQ(PrintablePrefix("Caf\xC3\xA9"), "Caf");
  EXPECT_EQ(PrintablePrefix(std::string("A\0B", 3)), "A");
  EXPECT_EQ(PrintablePrefix(std::string(5000, 'x')).size(), kMaxPrintableChars);
}

}  // namespace
}  // namespace info
