#include "pages/info/decoder/rule_table_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode_harness.h"

namespace info {
namespace {

using infotest::DecodeText;
using infotest::Row;
using infotest::RuleFile;

std::vector<uint8_t> Table(std::vector<uint8_t> head, size_t size = 64) {
  head.resize(std::max(size, head.size()), 0);
  return head;
}

TEST(DecodeRuleTableTest, MissingOrZeroSizesGiveNoRows) {
  const std::string item = "[Item_0]\nItemUnitOffset=0\nItemUnitNum=1\nItemDesc=A\n";
  const auto t = Table({1, 2});
  EXPECT_TRUE(DecodeText("[Setting]\nUnitSize=2\nTotalUnitNum=0\n" + item, t).Rows().empty());
  EXPECT_TRUE(DecodeText("[Setting]\nUnitSize=0\nTotalUnitNum=9\n" + item, t).Rows().empty());
  EXPECT_TRUE(DecodeText(item, t).Rows().empty());
  EXPECT_EQ(DecodeText("[Setting]\nUnitSize=2\nTotalUnitNum=1\n" + item, t).Rows().size(), 1u);
}

TEST(DecodeRuleTableTest, ItemsFollowFileOrderAndOnlySectionsNamedWithItemCount) {
  const std::string rules =
      "[Setting]\nUnitSize=1\nTotalUnitNum=64\n"
      "[Item_9]\nItemUnitOffset=1\nItemUnitNum=1\nItemDesc=Second byte\n"
      "[Other]\nItemUnitOffset=0\nItemUnitNum=1\nItemDesc=Not an item\n"
      "[My_Item_x]\nItemUnitOffset=0\nItemUnitNum=1\nItemDesc=First byte\n"
      "[item_3]\nItemUnitOffset=0\nItemUnitNum=1\nItemDesc=Lower case\n"
      "[Item_empty]\n"
      "[Item_zero]\nItemUnitOffset=0\nItemUnitNum=0\nItemDesc=Zero length\n";
  const auto out = DecodeText(rules, Table({0xAB, 0xCD}));
  EXPECT_EQ(out.Rows(),
            (std::vector<InfoRow>{Row("Second byte", "0xCD"), Row("First byte", "0xAB")}));
  EXPECT_TRUE(out.traces.empty());
}

TEST(DecodeRuleTableTest, ByteOrderOfNumbersAndTexts) {
  const auto t = Table({0x12, 0x34, 'e', 'T', 't', 's', 0x56, 0x78});
  // Unit size 1: the bytes 12 34 read big-endian as 0x1234, little-endian as 0x3412.
  auto out = DecodeText(RuleFile(1, {"ItemUnitNum=2\nItemBigEndian=1\nItemDesc=BE",
                                     "ItemUnitNum=2\nItemBigEndian=0\nItemDesc=LE",
                                     "ItemUnitOffset=2\nItemUnitNum=4\nItemStringMode=1\n"
                                     "ItemBigEndian=1\nItemDesc=Reversed text"}),
                        t);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("BE", "0x1234"), Row("LE", "0x3412"),
                                              Row("Reversed text", "stTe")}));
  // Unit size 2: text words have their two bytes exchanged; numbers are reversed whole.
  out = DecodeText(RuleFile(2, {"ItemUnitOffset=1\nItemUnitNum=2\nItemStringMode=1\n"
                                "ItemBigEndian=1\nItemDesc=Swapped text",
                                "ItemUnitOffset=1\nItemUnitNum=2\nItemStringMode=1\nItemDesc=Raw",
                                "ItemUnitOffset=0\nItemUnitNum=2\nItemBigEndian=1\nItemDesc=BE32",
                                "ItemUnitOffset=3\nItemUnitNum=1\nItemDesc=LE16"}),
                   t);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Swapped text", "Test"), Row("Raw", "eTts"),
                                              Row("BE32", "0x12346554"), Row("LE16", "0x7856")}));
  // Other unit sizes keep the bytes as they are.
  out = DecodeText(RuleFile(4, {"ItemUnitNum=1\nItemBigEndian=1\nItemDesc=Dword"}), t);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Dword", "0x54653412")}));
}

TEST(DecodeRuleTableTest, TextStopsAtTheFirstZeroByteAndShowsControlBytesEscaped) {
  const auto t = Table({'A', '\t', 'B', 0x1B, 0, 'C', 'D'});
  const auto out = DecodeText(RuleFile(1, {"ItemUnitNum=7\nItemStringMode=1\nItemDesc=T"}), t);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("T", "A\\x09B\\x1B")}));
}

TEST(DecodeRuleTableTest, NumberWidthsOfBothStyles) {
  std::vector<uint8_t> t(64);
  for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<uint8_t>(i + 1);
  std::vector<std::string> items;
  for (int n : {1, 2, 3, 4, 6, 8, 16, 24, 32}) {
    items.push_back("ItemUnitNum=" + std::to_string(n) + "\nItemDesc=N" + std::to_string(n));
  }
  const std::vector<std::string> deviceInfo = {
      "0x01",
      "0x0201",
      "",
      "0x04030201",
      "0x060504030201",
      "0x0807060504030201",
      "0x100F0E0D0C0B0A090807060504030201",
      "0x1817161514131211100F0E0D0C0B0A090807060504030201",
      "0x201F1E1D1C1B1A191817161514131211100F0E0D0C0B0A090807060504030201"};
  const auto di = DecodeText(RuleFile(1, items), t);
  const auto sm = DecodeText(RuleFile(1, items), t, DecodeStyle::kSmart);
  ASSERT_EQ(di.Rows().size(), deviceInfo.size());
  ASSERT_EQ(sm.Rows().size(), deviceInfo.size());
  for (size_t i = 0; i < deviceInfo.size(); ++i) {
    EXPECT_EQ(di.Rows()[i].subItems.at(0), deviceInfo[i]) << di.Rows()[i].caption;
    const bool smartKnows = i != 2 && i != 7 && i != 8;  // 3, 24 and 32 bytes
    EXPECT_EQ(sm.Rows()[i].subItems.at(0), smartKnows ? deviceInfo[i] : "") << sm.Rows()[i].caption;
  }
}

TEST(DecodeRuleTableTest, CaptionIsCutAtANonPrintableCharacterAndZeroMeansNoRow) {
  const auto out = DecodeText(
      RuleFile(1, {"ItemUnitNum=1\nItemDesc=Model\tignored", "ItemUnitNum=1\nItemDesc=0",
                   "ItemUnitNum=1", "ItemUnitNum=1\nItemDesc=00", "ItemUnitNum=1\nItemDesc="}),
      Table({7}));
  EXPECT_EQ(out.Rows(),
            (std::vector<InfoRow>{Row("Model", "0x07"), Row("00", "0x07"), Row("", "0x07")}));
}

TEST(DecodeRuleTableTest, PointersShiftLaterItemsAndHiddenItemsStillSetThem) {
  // Byte 0 holds the offset (in units) of a structure further on.
  const auto t = Table({0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA, 0xBB});
  const auto out = DecodeText(
      RuleFile(1, {"ItemUnitNum=1\nItemPointer=3\nItemDesc=0",
                   "ItemUnitOffset=1\nItemUnitNum=1\nItemPointerOffset=3\nItemDesc=Pointed",
                   "ItemUnitOffset=0\nItemUnitNum=1\nItemPointerOffset=5\nItemDesc=Unset slot",
                   "ItemUnitOffset=2\nItemUnitNum=1\nItemPointer=5\nItemDesc=Zero value",
                   "ItemUnitOffset=0\nItemUnitNum=1\nItemPointerOffset=5\nItemDesc=Still unset"}),
      t);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Pointed", "0xBB"), Row("Zero value", "0x00")}));
  EXPECT_TRUE(out.traces.empty());
}

TEST(DecodeRuleTableTest, PointerTakesTheLow32BitsOfTheValue) {
  std::vector<uint8_t> t(64);
  t[0] = 0x02;  // an 8-byte item whose low dword is 2
  t[4] = 0x01;  // high dword 1 is ignored
  t[10] = 0x5A;
  const auto out = DecodeText(
      RuleFile(2, {"ItemUnitNum=4\nItemPointer=8\nItemDesc=0",
                   "ItemUnitOffset=3\nItemUnitNum=1\nItemPointerOffset=8\nItemDesc=At 5"}),
      t);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("At 5", "0x005A")}));
}

TEST(DecodeRuleTableTest, BitFieldsFollowTheirItemWithAnEmptyCaption) {
  // 0x2D: field 0 (1 bit) = 1, field 1 (3 bits) skipped, field 2 (4 bits) = 2.
  const auto out =
      DecodeText(RuleFile(1, {"ItemUnitNum=1\nItemDesc=Flags\nItemBitEnable=1\nBitItemNum=1,3,4\n"
                              "BitItemMethod=1,0,2\nBitItem0_1=Feature on\nBitItem0_0=Feature off\n"
                              "BitItem1_6=never shown\nBitItem2=Level"}),
                 Table({0x2D}));
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Flags", "0x2D"), Row("", "Feature on"),
                                              Row("", "Level: 0x2")}));
}

TEST(DecodeRuleTableTest, BitFieldTextsMissingZeroOrUnknownKeys) {
  // Method 1 or 3 without a key shows nothing; method 2 without a label shows
  // "Unknow" with the value; a key whose value is "0" hides the field.
  const auto out =
      DecodeText(RuleFile(1, {"ItemUnitNum=1\nItemDesc=0\nItemBitEnable=1\nBitItemNum=2,2,2,2\n"
                              "BitItemMethod=1,3,2,2\nBitItem3=0\nBitItem1_1=Third method"}),
                 Table({0x57}));  // fields 3, 1, 1, 1
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("", "Third method"), Row("", "Unknow: 0x1")}));
}

TEST(DecodeRuleTableTest, MethodListLongerThanWidthsLooksUpOneMoreFieldWithValueZero) {
  const auto out = DecodeText(
      RuleFile(1, {"ItemUnitNum=2\nItemDesc=W\nItemBitEnable=1\nBitItemNum=4\n"
                   "BitItemMethod=1,1,1\nBitItem0_15=low nibble set\nBitItem1_0=no width\n"
                   "BitItem2_0=never reached"}),
      Table({0xFF, 0xFF}));
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("W", "0xFFFF"), Row("", "low nibble set"),
                                              Row("", "no width")}));
}

TEST(DecodeRuleTableTest, BitFieldsEndAtTheItemsLastBitAndNeedBothLists) {
  const std::string keys = "BitItem0_1=a\nBitItem1_1=b\nBitItem2_1=c\nBitItem2_0=past the item\n";
  auto out = DecodeText(RuleFile(1, {"ItemUnitNum=1\nItemDesc=0\nItemBitEnable=1\n"
                                     "BitItemNum=4,4,4\nBitItemMethod=1,1,1\n" +
                                     keys}),
                        Table({0x11, 0x01}));
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("", "a"), Row("", "b")}));
  out = DecodeText(RuleFile(1, {"ItemUnitNum=1\nItemDesc=0\nItemBitEnable=1\n"
                                "BitItemNum=0\nBitItemMethod=1,1,1\n" +
                                keys}),
                   Table({0x11}));
  EXPECT_TRUE(out.Rows().empty());
  out = DecodeText(RuleFile(1, {"ItemUnitNum=1\nItemDesc=0\nItemBitEnable=0\n"
                                "BitItemNum=4,4\nBitItemMethod=1,1\n" +
                                keys}),
                   Table({0x11}));
  EXPECT_TRUE(out.Rows().empty());
}

TEST(DecodeRuleTableTest, ThirtyTwoBitFieldWithTopBitSetUsesANegativeKey) {
  const auto out =
      DecodeText(RuleFile(1, {"ItemUnitNum=4\nItemDesc=0\nItemBitEnable=1\nBitItemNum=32\n"
                              "BitItemMethod=1\nBitItem0_-2147483648=Top bit"}),
                 Table({0, 0, 0, 0x80}));
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("", "Top bit")}));
}

TEST(DecodeRuleTableTest, SmartStyleHasNoBitFieldRows) {
  const auto out =
      DecodeText(RuleFile(1, {"ItemUnitNum=1\nItemDesc=Warn\nItemBitEnable=1\nBitItemNum=8\n"
                              "BitItemMethod=2\nBitItem0=Bits"}),
                 Table({3}), DecodeStyle::kSmart);
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Warn", "0x03")}));
}

TEST(DecodeRuleTableTest, DuplicateItemSectionEmptiesTheListAndReportsIt) {
  const std::string rules = RuleFile(1, {"ItemUnitNum=1\nItemDesc=Before"}) +
                            "[Item_dup]\nItemUnitNum=1\nItemDesc=A\n"
                            "[Item_dup]\nItemUnitNum=1\nItemDesc=B\n";
  infotest::DecodeOutcome out;
  out.list.AddRow(Row("Row of an earlier decode", "x"));
  const DecodeReporter rep = infotest::RecordingReporter(out, true);
  DecodeRuleTable(Table({1}), common::IniFile::FromText(rules), "C:\\T\\VK4610XT\\Id.ini",
                  DecodeStyle::kDeviceInfo, out.list, rep);
  EXPECT_TRUE(out.Rows().empty());
  ASSERT_EQ(out.boxes.size(), 1u);
  EXPECT_EQ(out.boxes[0].first, "Load INI file Error");
  EXPECT_EQ(out.boxes[0].second,
            "Please check \nC:\\T\\VK4610XT\\Id.ini\n  **** Section Name: Item_dup ****");
  EXPECT_EQ(out.runLog, (std::vector<std::string>{
                            "Please check C:\\T\\VK4610XT\\Id.ini  **** Section Name: Item_dup"}));

  const auto quiet = DecodeText(rules, Table({1}), DecodeStyle::kSmart, false);
  EXPECT_TRUE(quiet.Rows().empty());
  EXPECT_TRUE(quiet.boxes.empty());
  EXPECT_EQ(quiet.runLog.size(), 1u);
}

TEST(DecodeRuleTableTest, DuplicatesOfOtherSectionsAreNotErrors) {
  const std::string rules = RuleFile(1, {"ItemUnitNum=1\nItemDesc=Only"}) +
                            "[Notes]\na=1\n[Notes]\nb=2\n[Setting]\nUnitSize=9\n";
  const auto out = DecodeText(rules, Table({5}));
  EXPECT_EQ(out.Rows(), (std::vector<InfoRow>{Row("Only", "0x05")}));
  EXPECT_TRUE(out.runLog.empty());
}

}  // namespace
}  // namespace info
