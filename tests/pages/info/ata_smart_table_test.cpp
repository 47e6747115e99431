#include "pages/info/smart/ata_smart_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode_harness.h"
#include "platform/virtual_os.h"
#include "support/temp_dir.h"

namespace info {
namespace {

struct Attr {
  uint8_t id;
  uint8_t current;
  uint8_t worst;
  std::vector<uint8_t> raw;  // least significant first
};

void PutAttr(std::vector<uint8_t>& data, size_t offset, const Attr& a) {
  data[offset] = a.id;
  data[offset + 1] = 0x32;  // flags, not shown
  data[offset + 3] = a.current;
  data[offset + 4] = a.worst;
  for (size_t i = 0; i < a.raw.size() && i < 6; ++i) data[offset + 5 + i] = a.raw[i];
}

std::vector<uint8_t> SmartBlock(const std::vector<Attr>& table, const std::vector<Attr>& vendor) {
  std::vector<uint8_t> data(512, 0);
  data[0] = 0x10;
  for (size_t i = 0; i < table.size(); ++i) PutAttr(data, 2 + i * 12, table[i]);
  for (size_t i = 0; i < vendor.size(); ++i) PutAttr(data, 386 + i * 12, vendor[i]);
  return data;
}

SmartAttributeNames Names(const std::string& section) {
  return ReadSmartAttributeNames(common::IniFile::FromText(section), "Attr");
}

TEST(AtaSmartRowsTest, FormatsCurrentWorstAndRawMostSignificantByteFirst) {
  const auto names = Names("[Attr]\nID9=Power-on hours\n");
  const auto rows =
      AtaSmartRows(SmartBlock({{0x09, 100, 99, {1, 2, 3, 4, 5, 6}}}, {}), names, false);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0],
            (InfoRow{"09 Power-on hours", {"0x64 (100)", "0x63 (99)", "06 05 04 03 02 01"}}));
}

TEST(AtaSmartRowsTest, RepeatedIdsShowOnceAtTheirFirstPlaceAndZeroIdsAreSkipped) {
  const auto names = Names("[Attr]\nID5=Reallocated sectors\nID9=Power-on hours\n");
  const auto rows = AtaSmartRows(SmartBlock({{0x09, 100, 100, {0x10}},
                                             {0x00, 1, 1, {}},
                                             {0x05, 100, 100, {}},
                                             {0x09, 50, 50, {0x99}}},
                                            {}),
                                 names, false);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].caption, "09 Power-on hours");
  EXPECT_EQ(rows[0].subItems[2], "00 00 00 00 00 10");
  EXPECT_EQ(rows[1].caption, "05 Reallocated sectors");
}

TEST(AtaSmartRowsTest, UnnamedIdsShowTheirNumberAndABlank) {
  const auto rows = AtaSmartRows(SmartBlock({{0xC2, 0x28, 0x3C, {0x28}}}, {}),
                                 Names("[Attr]\nID1=Read\n"), false);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].caption, "C2 ");
}

TEST(AtaSmartRowsTest, VendorAreaOnlyWhenAskedUpToTheFirstZeroIdAndWithoutRepeats) {
  const auto data = SmartBlock({{0x09, 100, 100, {}}}, {{0xF1, 100, 100, {}},
                                                        {0x09, 1, 1, {}},
                                                        {0xF2, 100, 100, {}},
                                                        {0x00, 0, 0, {}},
                                                        {0xF5, 100, 100, {}}});
  const auto names = Names("[Attr]\nIDF1=Total LBAs written\n");
  EXPECT_EQ(AtaSmartRows(data, names, false).size(), 1u);
  const auto rows = AtaSmartRows(data, names, true);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].caption, "F1 Total LBAs written");
  EXPECT_EQ(rows[2].caption, "F2 ");
}

TEST(AtaSmartRowsTest, AllThirtyEntriesAndAShortBlock) {
  std::vector<Attr> table;
  for (int i = 0; i < 30; ++i) table.push_back({static_cast<uint8_t>(i + 1), 1, 1, {}});
  const auto data = SmartBlock(table, {{0xE0, 1, 1, {}}});
  const auto names = Names("");
  EXPECT_EQ(AtaSmartRows(data, names, false).size(), 30u);
  EXPECT_EQ(AtaSmartRows(data, names, true).size(), 31u);
  // A block cut short reads as zero-filled: only whole or partial entries present.
  const std::vector<uint8_t> shortBlock(data.begin(), data.begin() + 30);
  const auto rows = AtaSmartRows(shortBlock, names, true);
  ASSERT_EQ(rows.size(), 3u);  // entries at bytes 2, 14 and 26 (the last one cut)
  EXPECT_EQ(rows[2].subItems[2], "00 00 00 00 00 00");
}

TEST(SmartAttributeNamesTest, NamesAreTrimmedAndCutTo99Characters) {
  const std::string longName(150, 'n');
  const auto names = Names(
      "[Attr]\nIDA9=\t Remaining life \x01\nIDff=lower case key\nID0A=Padded\n"
      "IDC2=" +
      longName + "\nIDF1=  \x7F\n");
  EXPECT_EQ(names[0xA9], "Remaining life");
  EXPECT_EQ(names[0xFF], "lower case key");  // keys compare case-insensitively
  EXPECT_EQ(names[0x0A], "");                // the key is "IDA", not "ID0A"
  EXPECT_EQ(names[0xC2], std::string(99, 'n'));
  EXPECT_EQ(names[0xF1], "");
}

TEST(ShowAtaSmartTableTest, ClearsTheListAndNeedsTheRuleFile) {
  testsupport::TempDir dir;
  os::VirtualOs os;
  app::ControllerProfile profile;
  profile.Name = "VK4620XT";
  profile.SMARTRule_FilePath = "VK4620XT\\SmartAttr.ini";
  profile.SMARTRule_SectionName = "VK4620XT";
  const RuleSource source{os, dir.Str(), profile};
  const auto data = SmartBlock({{0x09, 100, 100, {}}}, {{0xF1, 1, 1, {}}});

  RowList list;
  list.AddRow(InfoRow{"old", {}});
  ShowAtaSmartTable(data, source, list);
  EXPECT_TRUE(list.Rows().empty());

  dir.Write("VK4620XT/SmartAttr.ini",
            "[Other]\nID9=Wrong section\n[VK4620XT]\nID9=Power-on hours\n");
  profile.SMARTDataAddVendorSpecific = true;
  ShowAtaSmartTable(data, source, list);
  ASSERT_EQ(list.Rows().size(), 2u);
  EXPECT_EQ(list.Rows()[0].caption, "09 Power-on hours");
  EXPECT_EQ(list.Rows()[1].caption, "F1 ");
}

}  // namespace
}  // namespace info
