#include <gtest/gtest.h>

#include <numeric>

#include "lab/machine/state_files.h"
#include "lab/media/sparse_file_media.h"
#include "lab/support/test_lab.h"
#include "platform/host/host_file.h"
#include "support/holes_probe.h"
#include "support/temp_dir.h"

namespace lab {
namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  std::iota(v.begin(), v.end(), seed);
  return v;
}

TEST(SparseMedia, WritesLandAndUnwrittenSectorsReadAsZeros) {
  testsupport::TempDir dir;
  SKIP_UNLESS_HOLES_KEPT(dir.Str());
  std::string error;
  // 1 GiB of media that takes almost no space until written.
  auto m = SparseFileMedia::Open(dir.Str() + "/d.img", 2097152, 512, error);
  ASSERT_TRUE(m) << error;
  const auto data = Pattern(1024, 7);
  ASSERT_TRUE(m->Write(2097150, 2, data.data()));  // the last two sectors
  std::vector<uint8_t> back(1024, 0xEE);
  ASSERT_TRUE(m->Read(2097150, 2, back.data()));
  EXPECT_EQ(back, data);
  ASSERT_TRUE(m->Read(1000, 2, back.data()));
  EXPECT_EQ(back, std::vector<uint8_t>(1024, 0));
  EXPECT_EQ(std::filesystem::file_size(dir.Path() / "d.img"), 1073741824u);
  EXPECT_LT(host::AllocatedBytes(dir.Str() + "/d.img"), 1u << 20);  // sparse

  // Past the end nothing moves.
  EXPECT_FALSE(m->Read(2097151, 2, back.data()));
  EXPECT_FALSE(m->Write(2097152, 1, data.data()));
  EXPECT_FALSE(m->Read(UINT64_MAX, 1, back.data()));
}

TEST(SparseMedia, ZeroClearsExactlyItsRangeWithoutFillingTheFile) {
  testsupport::TempDir dir;
  SKIP_UNLESS_HOLES_KEPT(dir.Str());
  std::string error;
  auto m = SparseFileMedia::Open(dir.Str() + "/z.img", 2097152, 512, error);
  ASSERT_TRUE(m) << error;
  const auto data = Pattern(16 * 512, 3);
  ASSERT_TRUE(m->Write(100, 16, data.data()));
  ASSERT_TRUE(m->Zero(104, 8));
  std::vector<uint8_t> back(16 * 512, 0xEE);
  ASSERT_TRUE(m->Read(100, 16, back.data()));
  std::vector<uint8_t> expected = data;
  std::fill(expected.begin() + 4 * 512, expected.begin() + 12 * 512, 0);
  EXPECT_EQ(back, expected);
  // The whole 1 GiB disk: nothing like a gigabyte is written.
  ASSERT_TRUE(m->Zero(0, m->SectorCount()));
  ASSERT_TRUE(m->Read(100, 16, back.data()));
  EXPECT_EQ(back, std::vector<uint8_t>(16 * 512, 0));
  EXPECT_LT(host::AllocatedBytes(dir.Str() + "/z.img"), 1u << 20);
  EXPECT_FALSE(m->Zero(2097150, 3));
}

TEST(SparseMedia, UnreadableSectorsFailReadsThatTouchThem) {
  testsupport::TempDir dir;
  std::string error;
  auto m = SparseFileMedia::Open(dir.Str() + "/d.img", 4096, 512, error);
  ASSERT_TRUE(m);
  m->SetUnreadable({LbaRange{100, 107}});
  std::vector<uint8_t> buf(8 * 512);
  EXPECT_FALSE(m->Read(107, 1, buf.data()));
  EXPECT_FALSE(m->Read(96, 8, buf.data()));
  EXPECT_TRUE(m->Read(92, 8, buf.data()));
  EXPECT_TRUE(m->Read(108, 8, buf.data()));
  EXPECT_TRUE(m->Write(100, 1, buf.data()));  // writing is still possible
}

TEST(SparseMedia, ContentSurvivesReopeningAndACapacityChange) {
  testsupport::TempDir dir;
  std::string error;
  const auto data = Pattern(512, 1);
  {
    auto m = SparseFileMedia::Open(dir.Str() + "/d.img", 4096, 512, error);
    ASSERT_TRUE(m->Write(10, 1, data.data()));
  }
  auto m = SparseFileMedia::Open(dir.Str() + "/d.img", 8192, 512, error);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->SectorCount(), 8192u);
  std::vector<uint8_t> back(512);
  ASSERT_TRUE(m->Read(10, 1, back.data()));
  EXPECT_EQ(back, data);
  EXPECT_FALSE(SparseFileMedia::Open(dir.Str() + "/missing/d.img", 8, 512, error));
  EXPECT_NE(error.find("cannot open media file"), std::string::npos);
}

TEST(LabState, DriveStateAndMediaSurviveARestartOfTheTool) {
  labtest::TestLab lab;
  // On its first start a drive finds nothing saved; it saves at once.
  EXPECT_EQ(lab.Fakes().savedStateSeen["Disk1"], "");
  std::vector<uint8_t> data = Pattern(512, 3);
  ASSERT_TRUE(lab.Machine().DiskBySection("Disk4")->GetMedia().Write(77, 1, data.data()));

  lab.Restart();
  EXPECT_EQ(lab.Fakes().savedStateSeen["Disk1"], "Firmware=S0610A0\n");
  std::vector<uint8_t> back(512);
  ASSERT_TRUE(lab.Machine().DiskBySection("Disk4")->GetMedia().Read(77, 1, back.data()));
  EXPECT_EQ(back, data);
  EXPECT_TRUE(lab.Dir().Exists("state/Disk4.img"));
  EXPECT_TRUE(lab.Dir().Exists("state/Disk4.state"));
}

TEST(LabState, AtomicWritesReplaceWholeFilesAndStemsAreSafe) {
  testsupport::TempDir dir;
  const std::string path = dir.Str() + "/x.state";
  ASSERT_TRUE(WriteFileAtomically(path, "first"));
  ASSERT_TRUE(WriteFileAtomically(path, "second"));
  EXPECT_EQ(ReadSmallFile(path), "second");
  EXPECT_FALSE(dir.Exists("x.state.tmp"));
  EXPECT_FALSE(ReadSmallFile(path, 3));  // larger than allowed
  EXPECT_EQ(StateFileStem("Disk ../2"), "Disk____2");
}

}  // namespace
}  // namespace lab
