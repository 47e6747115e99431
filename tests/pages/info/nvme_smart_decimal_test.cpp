#include "pages/info/smart/nvme_smart_decimal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/info/smart/show_data_layout.h"

namespace info {
namespace {

TEST(HexValueToDecimalTest, ConvertsEveryWidthTheDecoderWrites) {
  EXPECT_EQ(HexValueToDecimal("0x00"), "0");
  EXPECT_EQ(HexValueToDecimal("0x0141"), "321");
  EXPECT_EQ(HexValueToDecimal("0xFFFFFFFF"), "4294967295");
  EXPECT_EQ(HexValueToDecimal("0x8000000000000000"), "9223372036854775808");
  EXPECT_EQ(HexValueToDecimal("0xFFFFFFFFFFFFFFFF"), "18446744073709551615");
  // A 16-byte counter whose value needs more than 64 bits keeps its high part.
  EXPECT_EQ(HexValueToDecimal("0x00000000000000010000000000000000"), "18446744073709551616");
  EXPECT_EQ(HexValueToDecimal("0x0000000000000000000000000009C1A8"), "639400");
  EXPECT_EQ(HexValueToDecimal("0xffffffffffffffffffffffffffffffff"),
            "340282366920938463463374607431768211455");
}

TEST(HexValueToDecimalTest, RejectsTextThatIsNotAHexadecimalNumber) {
  EXPECT_EQ(HexValueToDecimal(""), std::nullopt);
  EXPECT_EQ(HexValueToDecimal("0x"), std::nullopt);
  EXPECT_EQ(HexValueToDecimal("1234"), std::nullopt);
  EXPECT_EQ(HexValueToDecimal("VK SSD 0x12"), std::nullopt);
  EXPECT_EQ(HexValueToDecimal("0x12G4"), std::nullopt);
  EXPECT_EQ(HexValueToDecimal("0x12 "), std::nullopt);
}

TEST(AppendDecimalColumnTest, AddsOneCellPerRowEmptyWhereTheValueIsNotHex) {
  std::vector<InfoRow> rows = {{"Temperature", {"0x0141"}},
                               {"Text item", {"VK4630"}},
                               {"Odd width", {""}},
                               {"No value", {}}};
  AppendDecimalColumn(rows);
  EXPECT_EQ(rows[0].subItems, (std::vector<std::string>{"0x0141", "321"}));
  EXPECT_EQ(rows[1].subItems, (std::vector<std::string>{"VK4630", ""}));
  EXPECT_EQ(rows[2].subItems, (std::vector<std::string>{"", ""}));
  EXPECT_EQ(rows[3].subItems, (std::vector<std::string>{"", ""}));
}

TEST(ShowDataLayoutTest, ColumnSetsAndStripedRows) {
  const auto nvme = NvmeSmartColumns();
  ASSERT_EQ(nvme.size(), 3u);
  EXPECT_EQ(nvme[0].caption, "SMART");
  EXPECT_EQ(nvme[2].caption, "Decimal");
  const auto ata = AtaSmartColumns();
  ASSERT_EQ(ata.size(), 4u);
  EXPECT_EQ(ata[3].caption, "Raw data");
  EXPECT_DOUBLE_EQ(ata[3].widthShare, 0.195);
  EXPECT_EQ(DeviceInfoColumns()[0].caption, "Device Info");

  EXPECT_EQ(ShowDataRowColoursFor(0).background, 0xF0F0F0u);
  EXPECT_EQ(ShowDataRowColoursFor(1).background, std::nullopt);
  EXPECT_EQ(ShowDataRowColoursFor(4).background, 0xF0F0F0u);
  EXPECT_EQ(ShowDataRowColoursFor(3).text, 0x272727u);
}

}  // namespace
}  // namespace info
