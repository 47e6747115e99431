// The Data Backup over disks whose transfers fail: each chunk is tried five
// times, a chunk that keeps failing ends the attempt, and a second attempt
// follows the pause. The media afterwards tell whether the copy is whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/maintenance/backup_clean.h"
#include "pages/maintenance/backup_fixture.h"

namespace {

using backuptest::BackupOnLab;

constexpr uint64_t kThreeChunks = 6190 * 2 + 1;
constexpr uint8_t kRead16 = 0x88;
constexpr uint8_t kWrite16 = 0x8A;

struct TransferFault {
  const char* name;
  bool onSource;      // the fault is on the source (else the destination)
  std::string fault;  // FailTransport of that disk
  int result;
  bool secondAttempt;
  uint64_t failedTries;  // in the last attempt
};

std::string Fault(uint8_t opcode, const char* when) {
  return "FailTransport=scsi:0x" + std::string(opcode == kRead16 ? "88" : "8A") + when;
}

class CloneTransferFaults : public BackupOnLab,
                            public ::testing::WithParamInterface<TransferFault> {};

// The second chunk is each disk's second transfer of its kind: the first
// attempt's chunk 1 is use 1, chunk 2 uses 2 and on.
const TransferFault kFaults[] = {
    {"ReadRecoveredOnTheFifthTry", true, Fault(kRead16, "@2*4"), maintenance::kResultSuccess,
     false, 4},
    {"WriteRecoveredOnTheFifthTry", false, Fault(kWrite16, "@2*4"), maintenance::kResultSuccess,
     false, 4},
    {"ReadFailingFiveTimesCopiedByTheSecondAttempt", true, Fault(kRead16, "@2*5"),
     maintenance::kResultSuccess, true, 0},
    {"WriteFailingFiveTimesCopiedByTheSecondAttempt", false, Fault(kWrite16, "@2*5"),
     maintenance::kResultSuccess, true, 0},
    // A destination gone mid-copy (pulled, powered off): nothing it is sent
    // comes back from then on.
    {"DestinationGoneAfterTheFirstChunk", false, Fault(kWrite16, "@2+"),
     maintenance::kResultError, true, 5},
};

TEST_P(CloneTransferFaults, AreRetriedAndTheCopyIsWholeOrReportedAsAnError) {
  const TransferFault& f = GetParam();
  testsupport::LabBuilder b;
  b.Disk("Disk Src", "sata", "generic",
         {"Number=1", "Model=Other Maker SSD 16GB", "Serial=SRC000000000000001",
          "Capacity=" + std::to_string(kThreeChunks)});
  if (f.onSource) b.Raw(f.fault + "\n");
  b.Disk("Disk Dst", "sata", "generic",
         {"Number=2", "Model=Other Maker SSD 32GB", "Serial=DST000000000000002", "Capacity=20000"});
  if (!f.onSource) b.Raw(f.fault + "\n");
  Start(b.Text());
  FillSectors("Disk Src", 0, kThreeChunks, 0x41);
  FillAll("Disk Dst", 0xEE);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  const uint64_t before = labOs->GetTickCount64();
  form->T_Backup.Click();

  EXPECT_EQ(page->LastResult(), f.result);
  std::vector<std::string> steps{"Clean Destination", "Copy"};
  if (f.secondAttempt) steps.push_back("Copy (second attempt)");
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(page->LastCounts().failedTries, f.failedTries);
  EXPECT_EQ(std::count(labOs->DiskpartLog().begin(), labOs->DiskpartLog().end(), "CLEAN: done"), 1);
  if (f.secondAttempt) {
    EXPECT_GE(labOs->GetTickCount64() - before, maintenance::kRetryPauseMs);
  }
  if (f.result == maintenance::kResultSuccess) {
    EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
    EXPECT_EQ(DialogTexts("Result"), (std::vector<std::string>{"Backup Disk Successful"}));
  } else {
    // The first chunk landed; the rest was never written.
    EXPECT_EQ(Bytes("Disk Dst", 0, 6190), Bytes("Disk Src", 0, 6190));
    EXPECT_EQ(Bytes("Disk Dst", 6190, 1)[0], 0xEE);
    EXPECT_EQ(DialogTexts("Result"), (std::vector<std::string>{"Backup Disk Error"}));
  }
  EXPECT_EQ(labOs->OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Clone, CloneTransferFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
