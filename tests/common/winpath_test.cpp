#include "common/winpath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace common {
namespace {
namespace fs = std::filesystem;

class WinPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("winpath_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root_ / "VK4610XT" / "Firmware");
    std::ofstream(root_ / "VK4610XT" / "Firmware" / "ISP.bin") << "x";
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
};

TEST_F(WinPathTest, BackslashesAndCaseAreResolved) {
  const std::string win = root_.string() + "\\vk4610xt\\FIRMWARE\\isp.BIN";
#ifdef _WIN32
  // The file system matches case itself: the name stays as written and is the file.
  EXPECT_EQ(ToNativePath(win), win);
  EXPECT_TRUE(fs::equivalent(ToNativePath(win), root_ / "VK4610XT" / "Firmware" / "ISP.bin"));
#else
  EXPECT_EQ(ToNativePath(win), (root_ / "VK4610XT" / "Firmware" / "ISP.bin").string());
#endif
}

TEST_F(WinPathTest, MissingComponentsAreKeptAsWritten) {
  const std::string win = root_.string() + "\\vk4610xt\\New\\Microcode.flu";
#ifdef _WIN32
  EXPECT_EQ(ToNativePath(win), win);  // case is the file system's business there
#else
  EXPECT_EQ(ToNativePath(win), (root_ / "VK4610XT" / "New" / "Microcode.flu").string());
#endif
}

TEST(WinPath, JoinAndParent) {
  EXPECT_EQ(JoinWinPath("/opt/tool", "Setting.ini"), "/opt/tool\\Setting.ini");
  EXPECT_EQ(JoinWinPath("/opt/tool\\", "\\Res\\Icon.BMP"), "/opt/tool\\Res\\Icon.BMP");
  EXPECT_EQ(ParentFolder("C:\\a\\b.bin"), "C:\\a");
  EXPECT_EQ(ParentFolder("b.bin"), "");
  EXPECT_EQ(ToNativePath(""), "");
}

}  // namespace
}  // namespace common
