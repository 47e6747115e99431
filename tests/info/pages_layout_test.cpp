// Column widths, the drive selector's place and the status texts of the
// information pages.
#include <gtest/gtest.h>

#include "info/pages/page_status.h"
#include "info/pages/show_data_geometry.h"
#include "info/smart/show_data_layout.h"

namespace {

TEST(ShowDataGeometry, ColumnWidthsAreRoundedSharesOfTheListWidth) {
  // The design list is 752 pixels wide.
  EXPECT_EQ(info::ColumnWidths(info::DeviceInfoColumns(), 752), (std::vector<int>{376, 372}));
  EXPECT_EQ(info::ColumnWidths(info::AtaSmartColumns(), 752),
            (std::vector<int>{376, 113, 113, 147}));
  EXPECT_EQ(info::ColumnWidths(info::NvmeSmartColumns(), 752), (std::vector<int>{376, 226, 147}));
  EXPECT_EQ(info::ColumnWidths(info::DeviceInfoColumns(), 0), (std::vector<int>{0, 0}));
}

TEST(ShowDataGeometry, SelectorSitsOverTheSecondColumn) {
  EXPECT_EQ(info::PlaceSelector(376, 0, 50), (info::SelectorPlacement{382, 432, 314}));
  EXPECT_EQ(info::PlaceSelector(300, 10, 40), (info::SelectorPlacement{316, 356, 248}));
}

TEST(PageStatus, Texts) {
  EXPECT_STREQ(info::kReadConfigOk, "Read configuration table successful");
  EXPECT_STREQ(info::kReadSmartOk, "Read SMART data successful");
  EXPECT_EQ(info::ReadConfigFailText(0), "Read configuration table fail(0)");
  EXPECT_EQ(info::ReadSmartFailText(0), "Read SMART data fail(0)");
  EXPECT_EQ(info::NvmeSmartLogStatusText(0, 0x0B, 1), "Read SMART data successful");
  EXPECT_EQ(info::NvmeSmartLogStatusText(-127, 0x0B, 0x01),
            "Read SMART data fail(SC:0x0B, SCT:0x01)");
  EXPECT_EQ(info::NvmeSmartLogStatusText(-3, 0, 7), "Read SMART data fail(-3)");
  EXPECT_EQ(info::NvmeSmartLogStatusText(-12, 0, 0), "Read SMART data fail(-12)");
}

}  // namespace
