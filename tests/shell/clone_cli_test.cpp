// `ssdtools clone` on a lab machine: the conventions every subcommand keeps
// (exit codes, --yes, --json) and a copy that reads back identical.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>
#include <vector>

#include "lab/demo/open_lab.h"
#include "shell/clone_command.h"
#include "shell/session.h"
#include "support/json_value.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"

namespace {

class CloneCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
    home.Write("Setting.ini", "[Option]\nErrorLog=0\nPopUpMsgBox=1\n");
    testsupport::LabBuilder b;
    b.Sata("Disk S", "generic", {"Number=1", "Serial=SRC0000000000000001", "Capacity=12381"});
    b.Sata("Disk D", "generic", {"Number=2", "Serial=DST0000000000000001", "Capacity=12381"});
    b.Sata("Disk T", "generic", {"Number=3", "Serial=TNY0000000000000001", "Capacity=12380"});
    lab.Write("lab.ini", b.Text());
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    ASSERT_NE(os, nullptr) << error;
    std::vector<uint8_t> s(512);
    for (uint64_t lba : {0ull, 6190ull, 12380ull}) {
      std::fill(s.begin(), s.end(), static_cast<uint8_t>(lba % 251 + 1));
      os->Machine().DiskBySection("Disk S")->GetMedia().Write(lba, 1, s.data());
    }
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  int Run(std::vector<std::string> args) {
    args.insert(args.end(), {"--home", home.Str(), "--lab", lab.Str()});
    out.str("");
    err.str("");
    std::string error;
    const auto c = app::ParseCloneArgs(args, error);
    if (!c) return app::kCloneExitUsage;
    std::string labError;
    auto os = app::OpenBackend(c->lab, labError);
    if (!os) return app::kCloneExitUsage;
    app::RunContext ctx(*os, home.Str());
    return app::RunClone(ctx, *c, out, err, false, cancel_);
  }
  void WriteSector(const char* section, uint64_t lba, uint8_t value) {
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    std::vector<uint8_t> s(512, value);
    os->Machine().DiskBySection(section)->GetMedia().Write(lba, 1, s.data());
  }
  std::vector<uint8_t> Media(const char* section) {
    std::string error;
    auto os = lab::OpenLab(lab.Str(), error);
    std::vector<uint8_t> all(12381 * 512);
    os->Machine().DiskBySection(section)->GetMedia().Read(0, 12381, all.data());
    return all;
  }

  testsupport::TempDir work, home, lab;
  std::ostringstream out, err;
  const volatile std::sig_atomic_t* cancel_ = nullptr;

 private:
  std::filesystem::path previous_;
};

TEST_F(CloneCommand, ExitCodesFollowTheCommandLineConventions) {
  EXPECT_EQ(Run({"--source", "PHYSICALDRIVE1", "--destination", "PHYSICALDRIVE2"}), 2);
  EXPECT_NE(err.str().find("--yes"), std::string::npos);
  EXPECT_EQ(Run({"--source", "PHYSICALDRIVE1", "--destination", "PHYSICALDRIVE9", "--yes"}), 3);
  // Refused: the destination is one sector smaller.
  EXPECT_EQ(Run({"--source", "PHYSICALDRIVE1", "--destination", "PHYSICALDRIVE3", "--yes"}), 1);
  EXPECT_NE(Media("Disk S"), Media("Disk D"));
}

TEST_F(CloneCommand, ACopyReadsBackIdenticalAndIsReportedInJson) {
  ASSERT_EQ(
      Run({"--source", "PHYSICALDRIVE1", "--destination", "PHYSICALDRIVE2", "--yes", "--json"}), 0)
      << err.str();
  const auto v = testsupport::JsonReader::Parse(out.str());
  ASSERT_TRUE(v.has_value()) << out.str();
  EXPECT_EQ((*v)["outcome"].text, "passed");
  EXPECT_EQ((*v)["result"].text, "Backup Disk Successful");
  EXPECT_EQ((*v)["source"].text, "PHYSICALDRIVE1");
  EXPECT_EQ(Media("Disk S"), Media("Disk D"));
}

TEST_F(CloneCommand, ASourceWhoseCapacityCannotBeReadIsRefusedWithANonZeroExit) {
  testsupport::LabBuilder b;
  b.Sata("Disk S", "generic",
         {"Number=1", "Serial=SRC0000000000000001", "Capacity=12381",
          "FailTransport=scsi:0x25@1+"});
  b.Sata("Disk D", "generic", {"Number=2", "Serial=DST0000000000000001", "Capacity=12381"});
  lab.Write("lab.ini", b.Text());
  const std::vector<uint8_t> before = Media("Disk D");
  EXPECT_EQ(
      Run({"--source", "PHYSICALDRIVE1", "--destination", "PHYSICALDRIVE2", "--yes", "--json"}), 1);
  const auto v = testsupport::JsonReader::Parse(out.str());
  ASSERT_TRUE(v.has_value()) << out.str();
  EXPECT_EQ((*v)["outcome"].text, "failed");
  EXPECT_NE((*v)["result"].text.find("capacity of the Source Disk"), std::string::npos);
  EXPECT_NE(err.str().find("capacity of the Source Disk"), std::string::npos);
  EXPECT_EQ(Media("Disk D"), before);
}

}  // namespace

namespace {

// Disks named by their `list --all` index; --ignore-zero zeroes the
// destination where the source is all zero, so the copy still reads back
// identical; Ctrl+C (the flag the signal handler sets) stops after the chunk
// in progress and leaves the rest of the destination as it was.
TEST_F(CloneCommand, IndexesIgnoreZeroAndCtrlCFromTheCommandLine) {
  // The middle chunk (6190 sectors from 6190) becomes all zero on the source
  // while the destination holds old data there.
  WriteSector("Disk S", 6190, 0);
  WriteSector("Disk D", 6200, 0xAA);
  ASSERT_EQ(Run({"--source", "1", "--destination", "2", "--ignore-zero", "--yes", "--json"}), 0)
      << err.str();
  const auto v = testsupport::JsonReader::Parse(out.str());
  ASSERT_TRUE(v.has_value()) << out.str();
  EXPECT_EQ((*v)["source"].text, "PHYSICALDRIVE1");
  EXPECT_EQ((*v)["destination"].text, "PHYSICALDRIVE2");
  EXPECT_EQ(Media("Disk S"), Media("Disk D"));

  // Interrupted: the first chunk is copied, the last sector is not.
  WriteSector("Disk S", 0, 0x11);
  WriteSector("Disk S", 12380, 0x22);
  const volatile std::sig_atomic_t interrupted = 1;
  cancel_ = &interrupted;
  EXPECT_EQ(Run({"--source", "PHYSICALDRIVE1", "--destination", "PHYSICALDRIVE2", "--yes"}), 1);
  const std::vector<uint8_t> dst = Media("Disk D");
  EXPECT_EQ(dst[0], 0x11);
  EXPECT_NE(dst[12380 * 512], 0x22);
}

}  // namespace
