// The clone's capacities on a lab machine: read again from the disks before
// anything is cleaned, in bytes of the disks' logical blocks (512 or 4096),
// and zeroing that stops soon after Cancel. Media are compared byte for byte.
#include <algorithm>
#include <string>
#include <vector>

#include "pages/maintenance/backup_fixture.h"
#include "pages/maintenance/clone_operation.h"
#include "platform/host/host_file.h"

namespace {

using backuptest::BackupOnLab;

constexpr uint64_t k32MiB = 32ull << 20;
// NVMe disks on the inbox driver are listed only with SupportInboxDriver.
constexpr const char* kSettings =
    "[Option]\nErrorLog=0\nSupportInboxDriver=1\nICType_0=VK4620XT\n";
constexpr const char* kIgnoreZeroSettings =
    "[Option]\nErrorLog=0\nSupportInboxDriver=1\nIgnoreWriteZeroPattern=1\nICType_0=VK4620XT\n";

std::string Disk(testsupport::LabBuilder& b, const char* section, int number, uint32_t blockBytes,
                 uint64_t bytes, const std::string& extra = "") {
  const std::string keys = "Number=" + std::to_string(number) +
                           "\nSerial=SER" + std::to_string(number) + "0000000000000000" +
                           "\nCapacity=" + std::to_string(bytes / blockBytes) +
                           (extra.empty() ? "" : "\n" + extra);
  if (blockBytes == 4096) {
    b.Nvme(section, {"SectorSize=4096"});
  } else {
    b.Disk(section, "sata", "generic", {"Model=Other Maker SSD"});
  }
  b.Raw(keys + "\n");
  return section;
}

class CloneCapacity : public BackupOnLab {
 protected:
  std::vector<uint8_t> Whole(const char* section) {
    lab::Media& m = MediaOf(section);
    std::vector<uint8_t> all(m.SectorCount() * m.SectorSize());
    const uint32_t step = (1u << 20) / m.SectorSize();
    for (uint64_t s = 0; s < m.SectorCount(); s += step) {
      const auto n = static_cast<uint32_t>(std::min<uint64_t>(step, m.SectorCount() - s));
      EXPECT_TRUE(m.Read(s, n, all.data() + s * m.SectorSize()));
    }
    return all;
  }
  // A pattern no two 512-byte sectors share, over `bytes` from byte `from`.
  void Pattern(const char* section, uint64_t from, uint64_t bytes, uint8_t seed) {
    lab::Media& m = MediaOf(section);
    std::vector<uint8_t> block(m.SectorSize());
    for (uint64_t at = from; at < from + bytes; at += block.size()) {
      for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(seed + (at + i) / 512 * 7 + i);
      ASSERT_TRUE(m.Write(at / m.SectorSize(), 1, block.data()));
    }
  }
  void Fill(const char* section, uint8_t value) {
    lab::Media& m = MediaOf(section);
    const uint32_t step = (1u << 20) / m.SectorSize();
    std::vector<uint8_t> chunk(1u << 20, value);
    for (uint64_t s = 0; s < m.SectorCount(); s += step) {
      ASSERT_TRUE(m.Write(s, static_cast<uint32_t>(std::min<uint64_t>(step, m.SectorCount() - s)),
                          chunk.data()));
    }
  }
  bool Cleaned() const {
    return std::any_of(labOs->DiskpartLog().begin(), labOs->DiskpartLog().end(),
                       [](const std::string& l) { return l.rfind("CLEAN", 0) == 0; });
  }
  // The copy from Src onto Dst, both filled first; true when it succeeded.
  void CopyAndCompare(uint32_t sourceBlock, uint32_t destinationBlock, bool ignoreZero) {
    testsupport::LabBuilder b(false);
    Disk(b, "Disk Src", 1, sourceBlock, k32MiB);
    Disk(b, "Disk Dst", 2, destinationBlock, k32MiB);
    Start(b.Text(), ignoreZero ? kIgnoreZeroSettings : kSettings);
    Pattern("Disk Src", 0, 1u << 20, 0x10);
    Pattern("Disk Src", 13ull << 20, 3u << 20, 0x20);  // across chunk borders
    Pattern("Disk Src", k32MiB - (1u << 20), 1u << 20, 0x30);
    Fill("Disk Dst", 0xEE);
    Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
    form->T_Backup.Click();
    EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess)
        << (page->LastRun().drives.empty() ? "" : page->LastRun().drives[0].result);
    EXPECT_TRUE(Whole("Disk Src") == Whole("Disk Dst")) << "not byte-identical";
  }
};

TEST_F(CloneCapacity, FourKiBOntoFourKiBIsByteIdentical) {
  CopyAndCompare(4096, 4096, false);
  // The list's capacity counts the disk's own 4096-byte blocks.
  EXPECT_EQ(page->Disks().At(Index("PHYSICALDRIVE1"))->Bytes(), k32MiB);
  EXPECT_EQ(page->Disks().At(Index("PHYSICALDRIVE1"))->blockBytes, 4096u);
}

TEST_F(CloneCapacity, FourKiBOntoFourKiBLeavingZeroChunksOutIsByteIdentical) {
  CopyAndCompare(4096, 4096, true);
}

TEST_F(CloneCapacity, FiveHundredTwelveOntoFourKiBIsByteIdentical) {
  CopyAndCompare(512, 4096, false);
}

TEST_F(CloneCapacity, FourKiBOntoFiveHundredTwelveIsByteIdentical) {
  CopyAndCompare(4096, 512, true);
}

TEST_F(CloneCapacity, ASourceEndingInsideADestinationSectorIsRefusedBeforeAnything) {
  testsupport::LabBuilder b(false);
  Disk(b, "Disk Src", 1, 512, k32MiB - 512);  // one 512-byte sector short of 32 MiB
  Disk(b, "Disk Dst", 2, 4096, k32MiB);
  Start(b.Text(), kSettings);
  Pattern("Disk Src", 0, 1u << 20, 0x10);
  Fill("Disk Dst", 0xEE);
  const std::vector<uint8_t> before = Whole("Disk Dst");
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultRefused);
  EXPECT_EQ(DialogTexts("Warning"), std::vector<std::string>{maintenance::kSectorSizeWarning});
  EXPECT_FALSE(Cleaned());
  EXPECT_TRUE(Whole("Disk Dst") == before);
}

TEST_F(CloneCapacity, ASourceWhoseCapacityCannotBeReadIsRefusedAndNothingCleaned) {
  testsupport::LabBuilder b(false);
  Disk(b, "Disk Src", 1, 512, k32MiB, "FailTransport=scsi:0x25@1+");
  Disk(b, "Disk Dst", 2, 512, k32MiB);
  Start(b.Text(), kSettings);
  Pattern("Disk Src", 0, 1u << 20, 0x10);
  Fill("Disk Dst", 0xEE);
  const std::vector<uint8_t> before = Whole("Disk Dst");
  ASSERT_EQ(page->Disks().At(Index("PHYSICALDRIVE1"))->sectors, 0u);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultRefused);
  EXPECT_EQ(page->LastRun().drives.at(0).result, maintenance::kSourceCapacityWarning);
  EXPECT_TRUE(DialogTexts("Result").empty());
  EXPECT_FALSE(Cleaned());
  EXPECT_TRUE(Whole("Disk Dst") == before);
}

TEST_F(CloneCapacity, ACapacityReadThatFailedOnlyInTheScanIsReadAgainAndTheCopyIsWhole) {
  testsupport::LabBuilder b(false);
  Disk(b, "Disk Src", 1, 512, k32MiB, "FailTransport=scsi:0x25@1");
  Disk(b, "Disk Dst", 2, 512, k32MiB);
  Start(b.Text(), kSettings);
  Pattern("Disk Src", 0, 1u << 20, 0x10);
  Pattern("Disk Src", k32MiB - (1u << 20), 1u << 20, 0x30);
  Fill("Disk Dst", 0xEE);
  ASSERT_EQ(page->Disks().At(Index("PHYSICALDRIVE1"))->sectors, 0u) << "listed with a capacity";
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_TRUE(Whole("Disk Src") == Whole("Disk Dst"));
}

// Whether the file system under `folder` keeps holes in sparse files; where
// it does not, the lab cannot tell a never-written stretch and nothing is
// zeroed ahead.
bool KeepsHoles(const std::string& folder) {
  const std::string path = folder + "/hole-probe";
  std::string error;
  auto file = host::File::Open(path, host::OpenMode::kReadWrite, true, error);
  if (!file) return false;
  (void)file->MakeSparse();
  const bool keeps = file->WriteAt("x", 1, 64 << 20) == 1 && file->NextData(0) > 0;
  file.reset();
  host::RemoveFile(path);
  return keeps;
}

TEST_F(CloneCapacity, CancelDuringTheZeroingAheadStopsItBetweenTwoRequests) {
  if (!KeepsHoles(labDir.Str())) GTEST_SKIP() << "no holes in sparse files here";
  constexpr uint64_t kSectors = 6190ull * 40;
  testsupport::LabBuilder b(false);
  Disk(b, "Disk Src", 1, 512, kSectors * 512);
  Disk(b, "Disk Dst", 2, 512, kSectors * 512);
  Start(b.Text(), kIgnoreZeroSettings);
  Pattern("Disk Src", 0, 32 * 512, 0x10);
  Fill("Disk Dst", 0xEE);
  int polls = 0;
  // The first poll is before the first chunk; the next one comes between two
  // zeroing requests, and Cancel is pressed there.
  page->OnPoll = [&] {
    if (++polls == 2) page->T_CancelClick();
  };
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultCancelled);
  EXPECT_EQ(DialogTexts("Result"), std::vector<std::string>{maintenance::kBackupCancel});
  EXPECT_EQ(page->LastCounts().zeroRequests, 1u);
  EXPECT_EQ(page->LastCounts().writtenChunks, 0u);
  // Past the first request's 32 MiB the old data is still there.
  std::vector<uint8_t> sector(512, 0);
  ASSERT_TRUE(MediaOf("Disk Dst").Read(200000, 1, sector.data()));
  EXPECT_EQ(sector[0], 0xEE);
  EXPECT_EQ(sector[511], 0xEE);
}

}  // namespace
