// A disk swapped under the same number between the scan and the erase, seen
// from the command line: the refusal is on stderr and in the JSON result, and
// neither the drive that was listed nor the one now in its place is erased.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "lab/demo/open_lab.h"
#include "shell/cli/cli_commands.h"
#include "shell/cli/cli_options.h"
#include "support/json_value.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"

namespace {

constexpr const char* kSettings = R"([Option]
ErrorLog=0
PopUpMsgBox=1
ICType_0=VK4620XT
[VK4620XT]
VKMStrTag=VKM4620XT
)";
constexpr uint64_t kMarkLba = 4096;
constexpr const char* kChanged = "is no longer the drive that was listed";
// More commands than a scan and an erase of one drive take together.
constexpr int kMostCommands = 2000;

std::string SwappedAfter(int after) {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT", {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536"});
  b.Raw("ReplacedBy=Disk Spare Z\nReplacedAfter=" + std::to_string(after) + "\n");
  b.Sata("Disk Spare Z", "VK4620XT", {"Spare=1", "Serial=VKZ0000000000000001", "Capacity=65536"});
  return b.Text();
}

class SwappedDiskCli : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
    home.Write("Setting.ini", kSettings);
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  int Erase(const std::string& lab) {
    out.str("");
    err.str("");
    std::string error;
    const auto o = app::cli::ParseCli({"erase", "serial:VKA0000000000000001", "--yes", "--json",
                                       "--home", home.Str(), "--lab", lab},
                                      error);
    if (!o) return app::cli::kExitUsage;
    return app::cli::RunCli(*o, home.Str(), out, err, false);
  }
  // Writes or reads the mark sector of the listed disk and of the spare.
  void MarkBoth(const std::string& lab) {
    std::string error;
    auto os = lab::OpenLab(lab, error);
    ASSERT_NE(os, nullptr) << error;
    std::vector<uint8_t> s(512, 0xA5);
    ASSERT_TRUE(os->Machine().DiskBySection("Disk A")->GetMedia().Write(kMarkLba, 1, s.data()));
    ASSERT_TRUE(
        os->Machine().SpareBySection("Disk Spare Z")->GetMedia().Write(kMarkLba, 1, s.data()));
  }
  bool Marked(const std::string& lab, bool spare) {
    std::string error;
    auto os = lab::OpenLab(lab, error);
    EXPECT_NE(os, nullptr) << error;
    if (os == nullptr) return false;
    lab::LabDisk* d = spare ? os->Machine().SpareBySection("Disk Spare Z")
                            : os->Machine().DiskBySection("Disk A");
    std::vector<uint8_t> s(512, 0);
    d->GetMedia().Read(kMarkLba, 1, s.data());
    return s[0] == 0xA5;
  }

  testsupport::TempDir work, home;
  std::ostringstream out, err;

 private:
  std::filesystem::path previous_;
};

TEST_F(SwappedDiskCli, AnEraseOfADiskSwappedAfterTheScanIsRefusedOnStderrAndInJson) {
  // The swap is moved one command later each time: first it comes before
  // the scan has listed the drive (nothing by that serial), then between
  // the list and the erase, which must be caught, and at last after the
  // erase. The middle must exist and end in the refusal.
  bool listed = false;
  bool refused = false;
  for (int after = 1; after < kMostCommands && !refused; ++after) {
    testsupport::TempDir lab;
    lab.Write("lab.ini", SwappedAfter(after));
    MarkBoth(lab.Str());
    const int rc = Erase(lab.Str());
    if (rc == app::cli::kExitNothingToDo && !listed) continue;  // the spare was scanned
    listed = true;
    ASSERT_NE(rc, app::cli::kExitOk)
        << "erased without noticing the swap after " << after << " commands:\n"
        << out.str();
    ASSERT_EQ(rc, app::cli::kExitDriveFailed) << err.str();
    if (err.str().find(kChanged) == std::string::npos) continue;
    refused = true;
    EXPECT_NE(err.str().find("serial VKA0000000000000001 is now VKZ0000000000000001"),
              std::string::npos)
        << err.str();
    const auto json = testsupport::JsonReader::Parse(out.str());
    ASSERT_TRUE(json.has_value()) << out.str();
    const testsupport::JsonValue& drives = (*json)["drives"];
    ASSERT_EQ(drives.items.size(), 1u);
    EXPECT_EQ(drives.items[0]["outcome"].text, "failed");
    EXPECT_NE(drives.items[0]["result"].text.find(kChanged), std::string::npos);
    EXPECT_TRUE(Marked(lab.Str(), false)) << "the listed drive was erased";
    EXPECT_TRUE(Marked(lab.Str(), true)) << "the drive now in its place was erased";
  }
  EXPECT_TRUE(listed);
  EXPECT_TRUE(refused);
}

}  // namespace
