// GenNewISP_ExRetryTable_BootISP on package files: the retry-table layouts and
// the refusals, with the expected bytes written out by hand.
#include "package/generate/new_isp_builder.h"

#include <gtest/gtest.h>

#include "gen_flu_support.h"
#include "platform/virtual_os.h"
#include "support/temp_dir.h"

namespace firmware {
namespace {

using fwtest::Bytes;
using fwtest::Fill;
using fwtest::HandImage;

class NewIspBuilder : public ::testing::Test {
 protected:
  void SetUp() override {
    os_.Trace().SetCapture(true);
    image_ = HandImage(0x20000, "2019022002  SSV3");
    Put("Firmware/4610/SSV3/02/ISP4610.bin", image_);
    Put("Firmware/4610/SSV3/BootISP4610.bin", Fill(0x5000, 0xB7));
  }
  void Put(const std::string& rel, const Bytes& b) const {
    tmp_.Write(rel, std::string(b.begin(), b.end()));
  }
  Bytes NewIsp() const {
    const std::string s = tmp_.Read("Firmware/4610/SSV3/New_ISP.bin");
    return Bytes(s.begin(), s.end());
  }
  bool Build(int table, const std::string& tag = "SSV3") {
    const NewIspContext ctx{os_, tmp_.Str(), options_, files_, "S0220A0"};
    // Built whole: g++ 12 at -O3 takes member-wise string assignment for a
    // read of uninitialised bytes.
    const NewIspInput in{table, IcFamily::k4610, tag, "02", "AB", 0, config_};
    return GenNewISP_ExRetryTable_BootISP(ctx, in);
  }
  // The image with the tag folder's boot ISP (16 KiB of its 0x5000 bytes).
  Bytes WithBoot() const {
    Bytes want = image_;
    std::fill(want.end() - 0x4000, want.end(), 0xB7);
    return want;
  }

  os::VirtualOs os_;
  testsupport::TempDir tmp_;
  app::AppOptions options_;
  app::UpdateFileTable files_;
  Bytes config_ = Bytes(512, 0);
  Bytes image_;
};

TEST_F(NewIspBuilder, RetryTablesInBothLayouts) {
  // A 600-byte table in the new layout: its first 512 bytes at 0x880.
  Bytes rr2 = Fill(600, -1, 0x10);
  const std::string mark = "RrTable";
  std::copy(mark.begin(), mark.end(), rr2.begin() + 9);
  Put("Tables/RR02.bin", rr2);
  ASSERT_TRUE(Build(2));
  Bytes want = WithBoot();
  std::copy(rr2.begin(), rr2.begin() + 512, want.begin() + 0x880);
  EXPECT_EQ(NewIsp(), want);

  // Table 3 in the older layout: 448 bytes at 0x8C0, the parameters untouched.
  Put("Tables/RR03.bin", Fill(448, 0x3C));
  ASSERT_TRUE(Build(3));
  want = WithBoot();
  std::fill(want.begin() + 0x8C0, want.begin() + 0xA80, 0x3C);
  EXPECT_EQ(NewIsp(), want);
  EXPECT_EQ(NewIsp()[0x891], image_[0x891]);

  // Table 2 in the older layout sets 0x891 = 0x23 and 0x894 = 0x14.
  Put("Tables/RR02.bin", Fill(300, 0x44));
  ASSERT_TRUE(Build(2));
  want = WithBoot();
  std::fill(want.begin() + 0x8C0, want.begin() + 0x8C0 + 300, 0x44);
  std::fill(want.begin() + 0x8C0 + 300, want.begin() + 0xA80, 0x00);
  want[0x891] = 0x23;
  want[0x894] = 0x14;
  EXPECT_EQ(NewIsp(), want);

  // A missing table leaves the image's own area.
  ASSERT_TRUE(Build(9));
  EXPECT_EQ(NewIsp(), WithBoot());
}

TEST_F(NewIspBuilder, RefusalsAreTracedAndWriteNothing) {
  files_.UpdateFile[1] = "ISP4610_S.bin";
  options_.MultiSelectFW = true;
  const NewIspContext ctx{os_, tmp_.Str(), options_, files_, "S0220A0"};
  const NewIspInput in{0, IcFamily::k4610, "SSV3", "02", "", 1, {}};
  EXPECT_FALSE(GenNewISP_ExRetryTable_BootISP(ctx, in));
  EXPECT_TRUE(
      os_.Trace().Contains("[VKM_FFU] GenNewISP_ExRetryTable_BootISP: SelectMultiFWBin Fail\n"));

  tmp_.Write("Firmware/4610/SSV3/BootISP4610.bin", "");
  std::filesystem::remove(tmp_.Path() / "Firmware/4610/SSV3/BootISP4610.bin");
  EXPECT_FALSE(Build(0));
  EXPECT_TRUE(os_.Trace().Contains("[VKM_FFU] GenNewISP_ExRetryTable_BootISP: Can't read " +
                                   tmp_.Str() +
                                   "\\Firmware\\4610\\SSV3\\BootISP4610.bin file(1)\n"));
  EXPECT_FALSE(Build(0, "SSV3\\..\\..\\x"));
  EXPECT_TRUE(os_.Trace().Contains("Invalid FW tag SSV3\\..\\..\\x"));
  EXPECT_FALSE(tmp_.Exists("Firmware/4610/SSV3/New_ISP.bin"));
}

}  // namespace
}  // namespace firmware
