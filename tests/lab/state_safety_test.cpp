// A lab's state folder never loses drive data without a word: media files are
// never cut below their data, never reached through links, two disks never
// share files, and temporaries are the lab's own.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <numeric>

#include "lab/demo/open_lab.h"
#include "lab/machine/state_files.h"
#include "lab/media/sparse_file_media.h"
#include "lab/support/fake_drives.h"
#include "support/holes_probe.h"
#include "support/posix_only.h"
#include "support/temp_dir.h"

namespace lab {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kMiB = 1u << 20;

std::vector<uint8_t> Pattern(uint8_t seed) {
  std::vector<uint8_t> v(512);
  std::iota(v.begin(), v.end(), seed);
  return v;
}

// A lab folder whose single disk section and capacity the test chooses.
class StateLab {
 public:
  std::unique_ptr<LabOs> Open(const std::string& ini) {
    dir.Write("lab/lab.ini", ini);
    error.clear();
    return OpenLab(dir.Str() + "/lab", fakes.Factory(), error);
  }
  uint64_t Length(const std::string& relative) const {
    return fs::file_size(dir.Path() / "lab/state" / relative);
  }
  // Writes the pattern at `lba` of the disk of `section` through the lab.
  void WriteThrough(LabOs& os, const std::string& section, uint64_t lba, uint8_t seed) {
    LabDisk* d = os.Machine().DiskBySection(section);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->GetMedia().Write(lba, 1, Pattern(seed).data()));
  }
  std::vector<uint8_t> ReadFile(const std::string& relative, uint64_t lba) const {
    std::ifstream in(dir.Path() / "lab/state" / relative, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(lba * 512));
    std::vector<uint8_t> v(512);
    in.read(reinterpret_cast<char*>(v.data()), 512);
    return v;
  }

  testsupport::TempDir dir;
  labtest::FakeFactory fakes;
  std::string error;
};

TEST(LabStateSafety, TwoSectionsThatMapToOneMediaFileAreAProblem) {
  StateLab lab;
  {
    auto os = lab.Open("[Disk System]\nAttachment=nvme\nCapacity=8MiB\n");
    ASSERT_TRUE(os) << lab.error;
    lab.WriteThrough(*os, "Disk System", 12000, 9);
  }
  EXPECT_FALSE(
      lab.Open("[Disk System]\nAttachment=nvme\nCapacity=8MiB\n"
               "[Disk_System]\nAttachment=sata\nCapacity=1MiB\n"
               "[disk*system]\nAttachment=sata\nCapacity=1MiB\n"));
  EXPECT_NE(lab.error.find("lab.ini has problems:\n  [Disk_System] keeps its drive state in the "
                           "same files as [Disk System] (state/Disk_System.img, "
                           "state/Disk_System.state)"),
            std::string::npos)
      << lab.error;
  EXPECT_NE(
      lab.error.find("[disk*system] keeps its drive state in the same files as [Disk System]"),
      std::string::npos)
      << lab.error;
  EXPECT_EQ(lab.Length("Disk_System.img"), 8 * kMiB);
  EXPECT_EQ(lab.ReadFile("Disk_System.img", 12000), Pattern(9));
}

TEST(LabStateSafety, ACapacityBelowTheDataHeldIsAProblemAndNothingIsCut) {
  StateLab lab;
  SKIP_UNLESS_HOLES_KEPT(lab.dir.Str());
  {
    auto os = lab.Open("[Disk0]\nAttachment=nvme\nCapacity=8MiB\n");
    ASSERT_TRUE(os) << lab.error;
    lab.WriteThrough(*os, "Disk0", 1000, 1);
    lab.WriteThrough(*os, "Disk0", 12000, 2);  // about 5.9 MiB in
  }
  EXPECT_FALSE(lab.Open("[Disk0]\nAttachment=nvme\nCapacity=4MiB\n"));
  EXPECT_NE(lab.error.find("lab.ini has problems:\n  [Disk0] Capacity: the media file "
                           "state/Disk0.img holds data in its first 12001 sectors, more than the "
                           "capacity of 8192 sectors; it is not cut"),
            std::string::npos)
      << lab.error;
  EXPECT_EQ(lab.Length("Disk0.img"), 8 * kMiB);
  EXPECT_EQ(lab.ReadFile("Disk0.img", 1000), Pattern(1));
  EXPECT_EQ(lab.ReadFile("Disk0.img", 12000), Pattern(2));

  // Enough for the data: the lab opens, and only the empty end goes.
  auto os = lab.Open("[Disk0]\nAttachment=nvme\nCapacity=12001\n");
  ASSERT_TRUE(os) << lab.error;
  EXPECT_EQ(lab.Length("Disk0.img"), 12001u * 512);
  std::vector<uint8_t> back(512);
  ASSERT_TRUE(os->Machine().DiskBySection("Disk0")->GetMedia().Read(12000, 1, back.data()));
  EXPECT_EQ(back, Pattern(2));
}

TEST(LabStateSafety, MediaNeverCutBelowItsDataWhenOpenedDirectly) {
  testsupport::TempDir dir;
  SKIP_UNLESS_HOLES_KEPT(dir.Str());
  const std::string path = dir.Str() + "/d.img";
  std::string error;
  {
    auto m = SparseFileMedia::Open(path, 8192, 512, error);
    ASSERT_TRUE(m) << error;
    ASSERT_TRUE(m->Write(5000, 1, Pattern(4).data()));
  }
  EXPECT_FALSE(SparseFileMedia::Open(path, 4096, 512, error));
  EXPECT_NE(error.find("holds data in its first 5001 sectors"), std::string::npos) << error;
  EXPECT_EQ(fs::file_size(path), 8192u * 512);
  // Written zeros are no data: the file may shrink over them.
  {
    auto m = SparseFileMedia::Open(path, 8192, 512, error);
    ASSERT_TRUE(m->Write(5000, 1, std::vector<uint8_t>(512, 0).data()));
  }
  EXPECT_TRUE(SparseFileMedia::Open(path, 4096, 512, error)) << error;
  EXPECT_EQ(fs::file_size(path), 4096u * 512);
}

TEST(LabStateSafety, AStateOrMediaPathThatIsAFolderOrALinkIsAProblem) {
  SKIP_ON_WINDOWS("making a symbolic link needs a privilege there");
  StateLab lab;
  lab.dir.Write("victim.bin", std::string(4096, 'v'));
  fs::create_directories(lab.dir.Path() / "lab/state/Disk0.state");
  fs::create_symlink(lab.dir.Path() / "victim.bin", lab.dir.Path() / "lab/state/Disk1.img");
  fs::create_directories(lab.dir.Path() / "lab/state/machine.state");
  EXPECT_FALSE(
      lab.Open("[Disk0]\nAttachment=nvme\nCapacity=4MiB\n"
               "[Disk1]\nAttachment=nvme\nCapacity=32GiB\n"));
  EXPECT_NE(lab.error.find("[Disk0] state/Disk0.state is a folder, not a file"), std::string::npos)
      << lab.error;
  EXPECT_NE(lab.error.find("[Disk1] state/Disk1.img is a symbolic link"), std::string::npos)
      << lab.error;
  EXPECT_NE(lab.error.find("[Machine] state/machine.state is a folder"), std::string::npos)
      << lab.error;
  EXPECT_FALSE(lab.dir.Exists("lab/state/Disk0.img")) << "nothing was opened";
  EXPECT_EQ(lab.dir.Read("victim.bin"), std::string(4096, 'v'));

  // Opened directly, the media file is not reached through the link either.
  std::string error;
  EXPECT_FALSE(SparseFileMedia::Open((lab.dir.Path() / "lab/state/Disk1.img").string(), 67108864,
                                     512, error));
  EXPECT_NE(error.find("it is a symbolic link"), std::string::npos) << error;
  EXPECT_EQ(fs::file_size(lab.dir.Path() / "victim.bin"), 4096u);
}

TEST(LabStateSafety, StateFilesAreWrittenThroughTemporariesOfTheirOwn) {
  SKIP_ON_WINDOWS("links are planted with symlink(2), and a FIFO is POSIX");
#ifndef _WIN32
  testsupport::TempDir dir;
  dir.Write("victim.txt", "precious");
  const std::string path = dir.Str() + "/Disk0.state";
  // The names the older writer used, planted as links.
  fs::create_symlink(dir.Path() / "victim.txt", path + ".tmp");
  fs::create_symlink(dir.Path() / "victim.txt", path + ".tmp-XXXXXX");
  ASSERT_TRUE(WriteFileAtomically(path, "Firmware=S0610A0\n"));
  EXPECT_EQ(dir.Read("Disk0.state"), "Firmware=S0610A0\n");
  EXPECT_EQ(dir.Read("victim.txt"), "precious");
  // A link in the file's own place is replaced, not written through.
  fs::remove(path);
  fs::create_symlink(dir.Path() / "victim.txt", path);
  EXPECT_EQ(ReadSmallFile(path, 1024, Links::kRefuse), std::nullopt);
  ASSERT_TRUE(WriteFileAtomically(path, "Firmware=S0610A1\n"));
  EXPECT_EQ(dir.Read("victim.txt"), "precious");
  EXPECT_EQ(fs::symlink_status(path).type(), fs::file_type::regular);
  EXPECT_EQ(ReadSmallFile(path, 1024, Links::kRefuse), "Firmware=S0610A1\n");
  // No temporary is left behind.
  size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir.Path()))
    entries += IsTemporaryName(e.path().filename().string());
  EXPECT_EQ(entries, 1u) << "only the planted one";
  // A folder or a pipe reads as nothing, and never hangs.
  fs::create_directory(dir.Path() / "folder.state");
  EXPECT_EQ(ReadSmallFile(dir.Str() + "/folder.state"), std::nullopt);
  ASSERT_EQ(::mkfifo((dir.Str() + "/pipe.state").c_str(), 0600), 0);
  EXPECT_EQ(ReadSmallFile(dir.Str() + "/pipe.state"), std::nullopt);
#endif
}

}  // namespace
}  // namespace lab
