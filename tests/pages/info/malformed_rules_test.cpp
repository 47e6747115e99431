// Rule files are edited by hand: whatever they say, the decoder reads nothing
// outside the table or its own buffers (the sanitizer build checks that), skips
// what it cannot decode with a trace line and never hangs.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "decode_harness.h"
#include "pages/info/decoder/rule_table_decoder.h"

namespace info {
namespace {

using infotest::DecodeText;
using infotest::Row;
using infotest::RuleFile;

bool TraceMentions(const infotest::DecodeOutcome& out, const std::string& text) {
  for (const std::string& t : out.traces) {
    if (t.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST(MalformedRulesTest, ItemsReachingPastTheTableAreSkippedWithATrace) {
  const std::vector<uint8_t> table(16, 0x11);
  const auto out = DecodeText(
      RuleFile(2, {"ItemUnitOffset=7\nItemUnitNum=1\nItemDesc=Last word",
                   "ItemUnitOffset=7\nItemUnitNum=2\nItemDesc=Straddles the end",
                   "ItemUnitOffset=99999\nItemUnitNum=99\nItemDesc=Far away",
                   "ItemUnitOffset=8\nItemUnitNum=1\nItemStringMode=1\nItemDesc=Text after end"}),
      table);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Last word", "0x1111")}));
  ASSERT_EQ(out.traces.size(), 3u);
  EXPECT_EQ(out.traces[0],
            "[VKM_RULE] C:\\Tool\\VK4630\\Rule.ini [Item_1]: bytes 14-17 lie outside the 16-byte "
            "table, item skipped");
}

TEST(MalformedRulesTest, PointerShiftedItemsPastEitherEndAreSkipped) {
  std::vector<uint8_t> table(32, 0);
  table[0] = 0xF0;  // slot 1 = 0xFFFFFFF0 = -16
  table[1] = 0xFF;
  table[2] = 0xFF;
  table[3] = 0xFF;
  table[4] = 0x30;  // slot 2 = 48, past the 32-byte table
  table[8] = 0xFF;  // slot 3 = 0x7FFFFFFF, the largest shift there is
  table[9] = 0xFF;
  table[10] = 0xFF;
  table[11] = 0x7F;
  const auto out = DecodeText(
      RuleFile(1, {"ItemUnitNum=4\nItemPointer=1\nItemDesc=0",
                   "ItemUnitOffset=4\nItemUnitNum=4\nItemPointer=2\nItemDesc=0",
                   "ItemUnitOffset=8\nItemUnitNum=4\nItemPointer=3\nItemDesc=0",
                   "ItemUnitOffset=4\nItemUnitNum=1\nItemPointerOffset=1\nItemDesc=Before start",
                   "ItemUnitOffset=20\nItemUnitNum=1\nItemPointerOffset=1\nItemDesc=Shifted back",
                   "ItemUnitOffset=0\nItemUnitNum=1\nItemPointerOffset=2\nItemDesc=Past end",
                   "ItemUnitOffset=99999\nItemUnitNum=1\nItemPointerOffset=3\nItemDesc=Huge"}),
      table);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Shifted back", "0x30")}));
  EXPECT_EQ(out.traces.size(), 3u);
}

TEST(MalformedRulesTest, ItemsLongerThanTheWorkBufferAreSkipped) {
  const std::vector<uint8_t> table(16384, 0x41);
  const auto out = DecodeText(
      "[Setting]\nUnitSize=99\nTotalUnitNum=1\n"
      "[Item_0]\nItemUnitNum=41\nItemStringMode=1\nItemDesc=Just fits\n"
      "[Item_1]\nItemUnitNum=42\nItemStringMode=1\nItemDesc=Too long\n",
      table);
  ASSERT_EQ(out.Rows().size(), 1u);
  EXPECT_EQ(out.Rows()[0].subItems[0], std::string(41 * 99, 'A'));
  EXPECT_TRUE(TraceMentions(out, "[Item_1]: 4158 bytes are longer than 4096"));
}

TEST(MalformedRulesTest, SlotNumbersOutsideOneToEightSkipTheItem) {
  const auto out =
      DecodeText(RuleFile(1, {"ItemUnitNum=1\nItemPointer=9\nItemDesc=Bad target",
                              "ItemUnitNum=1\nItemPointerOffset=12\nItemDesc=Bad source",
                              "ItemUnitNum=1\nItemPointer=8\nItemDesc=Good"}),
                 std::vector<uint8_t>(8, 1));
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Good", "0x01")}));
  EXPECT_TRUE(TraceMentions(out, "[Item_0]: ItemPointer 9 is not a slot 1-8"));
  EXPECT_TRUE(TraceMentions(out, "[Item_1]: ItemPointerOffset 12 is not a slot 1-8"));
}

TEST(MalformedRulesTest, OversizedBitFieldsEndTheBreakdownButKeepEarlierRows) {
  const std::vector<uint8_t> table(128, 0xFF);
  auto out =
      DecodeText(RuleFile(1, {"ItemUnitNum=8\nItemDesc=Wide\nItemBitEnable=1\nBitItemNum=4,33,4\n"
                              "BitItemMethod=2,2,2\nBitItem0=A\nBitItem1=B\nBitItem2=C"}),
                 table);
  EXPECT_EQ(out.Rows(),
            (std::vector<InfoRow>{Row("Wide", "0xFFFFFFFFFFFFFFFF"), Row("", "A: 0xF")}));
  EXPECT_TRUE(TraceMentions(out, "bit field 1 (bits 4, width 33)"));

  // Reserved gaps may be of any width; a shown field beyond the first 64 bytes may not.
  out = DecodeText(RuleFile(1, {"ItemUnitNum=80\nItemDesc=0\nItemBitEnable=1\nBitItemNum=500,8,8\n"
                                "BitItemMethod=0,2,2\nBitItem1=In range\nBitItem2=Beyond"}),
                   table);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("", "In range: 0xFF")}));
  EXPECT_TRUE(TraceMentions(out, "bit field 2 (bits 508, width 8)"));
}

TEST(MalformedRulesTest, TextItemsSetNoPointerAndHaveNoBitFields) {
  std::vector<uint8_t> table(16, 0);
  table[0] = 0x04;
  table[4] = 'H';
  table[5] = 'i';
  const auto out = DecodeText(
      RuleFile(1, {"ItemUnitNum=1\nItemDesc=Number",
                   "ItemUnitOffset=4\nItemUnitNum=2\nItemStringMode=1\nItemPointer=1\n"
                   "ItemDesc=Text\nItemBitEnable=1\nBitItemNum=8\nBitItemMethod=2\nBitItem0=B",
                   "ItemUnitNum=1\nItemPointerOffset=1\nItemDesc=Never"}),
      table);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Number", "0x04"), Row("Text", "Hi")}));
  EXPECT_TRUE(TraceMentions(out, "text item, ItemPointer and bit fields ignored"));
}

TEST(MalformedRulesTest, GarbageValuesAndBinaryBytesDecodeWhatTheyCan) {
  std::string rules = "[Setting]\nUnitSize=1x\nTotalUnitNum=  4\n";
  rules += "[Item_\x01\xFF]\nItemUnitOffset=-5\nItemUnitNum=1 junk\nItemDesc=\xFE\xFF\n";
  rules +=
      "[Item_a]\nItemUnitOffset=abc\nItemUnitNum=1\nItemDesc=Ok\nItemBitEnable=9\n"
      "BitItemNum=,,,\nBitItemMethod=,x,\n";
  rules +=
      "[Item_b]\nItemUnitNum=1\nItemDesc=Empty lists\nItemBitEnable=1\nBitItemNum=\n"
      "BitItemMethod=\n";
  static const char kNulCaption[] = "[Item_c]\nItemUnitNum=1\nItemDesc=N\0UL\n";
  rules += std::string(kNulCaption, sizeof(kNulCaption) - 1);
  const auto out = DecodeText(rules, {0x42});
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("", "0x42"), Row("Ok", "0x42"),
                                              Row("Empty lists", "0x42"), Row("N", "0x42")}));
}

TEST(MalformedRulesTest, ThousandsOfSectionsAndLongListsFinish) {
  std::string rules = "[Setting]\nUnitSize=1\nTotalUnitNum=1\n";
  for (int i = 0; i < 20000; ++i) {
    rules += "[Item_" + std::to_string(i) + "]\nItemUnitOffset=" + std::to_string(i % 40) +
             "\nItemUnitNum=1\nItemDesc=0\n";
  }
  std::string widths;
  for (int i = 0; i < 50000; ++i) widths += "0,";
  rules += "[Item_bits]\nItemUnitNum=1\nItemDesc=0\nItemBitEnable=1\nBitItemNum=" + widths +
           "\nBitItemMethod=" + widths + "\n";
  const auto out = DecodeText(rules, std::vector<uint8_t>(32, 0));
  EXPECT_TRUE(out.Rows().empty());
  EXPECT_EQ(out.traces.size(), 20000u * 8 / 40);  // offsets 32-39 lie past the table
}

TEST(MalformedRulesTest, EmptyAndTinyTablesAreNeverReadPast) {
  const std::string rules =
      RuleFile(1, {"ItemUnitNum=1\nItemDesc=A", "ItemUnitNum=2\nItemBigEndian=1\nItemDesc=B"});
  EXPECT_TRUE(DecodeText(rules, {}).Rows().empty());
  EXPECT_EQ(DecodeText(rules, {9}).Rows(), (std::vector<InfoRow>{Row("A", "0x09")}));
}

// Random rule files built from the format's own keys with hostile values,
// decoded against tables of random small sizes.
TEST(MalformedRulesTest, RandomHostileRuleFilesStayInBounds) {
  std::mt19937 rng(20240611);
  const std::vector<std::string> numbers = {"0",     "1",     "2",  "3",    "7",   "8",  "9",
                                            "16",    "32",    "33", "64",   "99",  "-1", "0x10",
                                            "65535", "99999", "",   "4096", "1,2", " 5", "\xFF"};
  const std::vector<std::string> keys = {"ItemUnitOffset",    "ItemUnitNum",   "ItemPointer",
                                         "ItemPointerOffset", "ItemBigEndian", "ItemStringMode",
                                         "ItemBitEnable"};
  auto pick = [&rng](const std::vector<std::string>& v) {
    return v[std::uniform_int_distribution<size_t>(0, v.size() - 1)(rng)];
  };
  auto list = [&rng, &pick, &numbers]() {
    std::string s;
    const int n = std::uniform_int_distribution<int>(0, 12)(rng);
    for (int i = 0; i < n; ++i) s += pick(numbers) + (rng() % 3 == 0 ? ",," : ",");
    return s;
  };
  for (int round = 0; round < 400; ++round) {
    const int unit = std::uniform_int_distribution<int>(0, 5)(rng);
    std::string rules = "[Setting]\nUnitSize=" + std::to_string(unit == 5 ? 99 : unit) +
                        "\nTotalUnitNum=" + pick(numbers) + "\n";
    const int items = std::uniform_int_distribution<int>(0, 12)(rng);
    for (int i = 0; i < items; ++i) {
      // Now and then a repeated name, which ends the run with the duplicate error.
      rules += "[Item_" + std::to_string(rng() % 8 == 0 ? 0 : i + 1) + "]\n";
      for (const std::string& k : keys) {
        if (rng() % 4 != 0) rules += k + "=" + pick(numbers) + "\n";
      }
      rules += "ItemDesc=Item " + std::to_string(i) + "\n";
      rules += "BitItemNum=" + list() + "\nBitItemMethod=" + list() + "\n";
      for (int k = 0; k < 4; ++k) rules += "BitItem" + std::to_string(k) + "=L\n";
    }
    std::vector<uint8_t> table(std::uniform_int_distribution<size_t>(0, 600)(rng));
    for (uint8_t& b : table) b = static_cast<uint8_t>(rng());
    for (const DecodeStyle style : {DecodeStyle::kDeviceInfo, DecodeStyle::kSmart}) {
      const auto out = DecodeText(rules, table, style);
      for (const InfoRow& row : out.Rows()) {
        ASSERT_EQ(row.subItems.size(), 1u);
        ASSERT_LE(row.subItems[0].size(), kWorkBufferBytes);
      }
    }
  }
}

}  // namespace
}  // namespace info
