// The Data Backup end to end on a lab machine: the scan lists every disk, the
// user picks a source and a destination and presses Start, and afterwards the
// destination's media is compared with the source's byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "pages/maintenance/backup_clean.h"
#include "pages/maintenance/backup_fixture.h"
#include "platform/host/host_file.h"

namespace {

using backuptest::BackupOnLab;

constexpr uint64_t kThreeChunks = 6190 * 2 + 1;
// Drive letters are listed too, beside the drive numbers.
constexpr const char* kWithLetters =
    "[Option]\nErrorLog=0\nShowPhysicalOnly=0\nICType_0=VK4620XT\n";

// Disks of another maker, never identified: any enumerated disk can be cloned.
std::string TwoDisks(uint64_t sourceSectors, uint64_t destinationSectors,
                     const std::string& sourceExtra = "", bool systemDisk = false) {
  testsupport::LabBuilder b(systemDisk);
  b.Disk("Disk Src", "sata", "generic",
         {"Number=1", "Model=Other Maker SSD 16GB", "Serial=SRC000000000000001", "Firmware=1.0",
          "Capacity=" + std::to_string(sourceSectors)});
  if (!sourceExtra.empty()) b.Raw(sourceExtra + "\n");
  b.Disk("Disk Dst", "sata", "generic",
         {"Number=2", "Model=Other Maker SSD 32GB", "Serial=DST000000000000002", "Firmware=2.0",
          "Capacity=" + std::to_string(destinationSectors)});
  return b.Text();
}

TEST_F(BackupOnLab, ACloneInThreeChunksIsByteIdenticalAndAskedFirst) {
  Start(TwoDisks(kThreeChunks, 40000));
  FillSectors("Disk Src", 0, kThreeChunks, 0x11);
  FillAll("Disk Dst", 0xEE);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  EXPECT_EQ(form->ST_DataBackup_DesInfo.Caption(),
            "Serial: DST000000000000002\nModel: Other Maker SSD 32GB\nFW Ver: 2.0\n"
            "Capacity: 0.02 GB\n");
  form->T_Backup.Click();

  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
  // Past the source's end the destination keeps what it had.
  EXPECT_EQ(Bytes("Disk Dst", 30000, 1)[0], 0xEE);
  EXPECT_EQ(page->LastCounts().chunks, 3u);
  // The first status text is 0%; one per chunk.
  EXPECT_EQ(percents, (std::vector<int>{0, 50, 100}));
  // The confirmation names the destination, and comes before anything is cleaned.
  const auto asked = DialogTexts("Data Backup");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find("Model: Other Maker SSD 32GB"), std::string::npos);
  EXPECT_NE(asked[0].find("Serial: DST000000000000002"), std::string::npos);
  EXPECT_NE(asked[0].find("Capacity: 0.02 GB"), std::string::npos);
  EXPECT_EQ(toolkit->Dialogs().front().request.buttons, ui::MsgButtons::kYesNo);
  EXPECT_EQ(DialogTexts("Result"), (std::vector<std::string>{"Backup Disk Successful"}));
  EXPECT_EQ(form->LB_StatusBar.Caption(), "Backup Disk Successful");
  // What the clone itself asked the machine for: the source opened without
  // write access, the destination with it, and writes only to the destination.
  const auto reads = recorder->Of(testsupport::RecordingOs::Kind::kRead);
  EXPECT_FALSE(reads.empty());
  for (const auto& r : reads) {
    EXPECT_EQ(r.path, "\\\\.\\PHYSICALDRIVE1");
    EXPECT_EQ(r.access & os::GENERIC_WRITE, 0u) << "the source was opened for writing";
  }
  const auto writes = recorder->Of(testsupport::RecordingOs::Kind::kWrite);
  EXPECT_FALSE(writes.empty());
  for (const auto& w : writes) {
    EXPECT_EQ(w.path, "\\\\.\\PHYSICALDRIVE2");
    EXPECT_NE(w.access & os::GENERIC_WRITE, 0u);
  }
  EXPECT_EQ(work.Read("diskpart.txt"),
            "RESCAN\r\nSELECT DISK 2\r\nATTRIBUTES DISK CLEAR READONLY\r\nCLEAN\r\nEXIT\r\n");
  EXPECT_EQ(labOs->DiskpartLog().back(), "CLEAN: done");
  // The run model's report, and the page unlocked with the bar at its end.
  const app::DriveReport& r = page->LastRun().drives.at(0);
  EXPECT_EQ(r.outcome, app::RunOutcome::kPassed);
  EXPECT_EQ(r.steps, (std::vector<std::string>{"Clean Destination", "Copy"}));
  EXPECT_EQ(form->ProcessBar.Max(), static_cast<int>(kThreeChunks));
  EXPECT_EQ(form->ProcessBar.Position(), static_cast<int>(kThreeChunks));
  EXPECT_TRUE(form->T_Backup.Visible());
  EXPECT_FALSE(form->T_Cancel.Visible());
  EXPECT_TRUE(form->CMBB_DeviceList_Source.Enabled());
  EXPECT_FALSE(form->Timer_Status.Enabled());
  EXPECT_EQ(labOs->OpenHandleCount(), 0u);
  EXPECT_EQ(labOs->OpenProcessCount(), 0u);
}

TEST_F(BackupOnLab, IgnoringZeroChunksStillMakesACopy) {
  Start(TwoDisks(kThreeChunks, kThreeChunks), backuptest::kIgnoreZeroSettings);
  // Chunk 1 (sectors 6190..12379) reads as zeros; chunks 0 and 2 hold data.
  FillSectors("Disk Src", 0, 100, 0x22);
  FillSectors("Disk Src", 12380, 1, 0x33);
  FillAll("Disk Dst", 0xEE);  // old data the clone must not leave behind
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
  EXPECT_EQ(page->LastCounts().zeroChunks, 1u);
  EXPECT_EQ(page->LastCounts().writtenChunks, 2u);
  EXPECT_EQ(page->LastCounts().zeroRequests, 1u);
  EXPECT_EQ(page->LastCounts().zeroWrittenChunks, 0u);
}

// Whether the file system under the test's folder keeps holes in sparse
// files; where it does not, the lab cannot tell a never-written stretch.
bool FolderKeepsHoles(const std::string& folder) {
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

TEST_F(BackupOnLab, IgnoringZeroChunksSkipsReadingHolesButNeverUnreadableSectors) {
  // Forty chunks with data in the first, the last, and across the border of
  // chunks 20 and 21 (not on a 4 KiB boundary): the stretches between are
  // never read, the destination is zeroed ahead, and its old data is gone
  // all the same.
  constexpr uint64_t kForty = 6190 * 40;
  Start(TwoDisks(kForty, kForty), backuptest::kIgnoreZeroSettings);
  FillSectors("Disk Src", 0, 64, 0x41);
  FillSectors("Disk Src", 6190 * 21 - 50, 100, 0x43);
  FillSectors("Disk Src", kForty - 64, 64, 0x42);
  FillAll("Disk Dst", 0xEE);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
  EXPECT_EQ(page->LastCounts().writtenChunks, 4u);
  EXPECT_EQ(page->LastCounts().zeroChunks, 36u);
  if (FolderKeepsHoles(labDir.Str())) {
    EXPECT_EQ(page->LastCounts().unreadZeroChunks, 36u);
    EXPECT_EQ(page->LastCounts().zeroedAheadChunks, 36u);
  }
}

TEST_F(BackupOnLab, ZeroChunksTheSourceStoresAroundOneInAHoleAreAllZeroed) {
  // Chunks 5 and 7 hold stored zeros (read, and zeroed as runs of their own);
  // chunk 6 between them is a hole, zeroed ahead. Neither run may swallow
  // another's place.
  constexpr uint64_t kForty = 6190 * 40;
  Start(TwoDisks(kForty, kForty), backuptest::kIgnoreZeroSettings);
  FillSectors("Disk Src", 0, 64, 0x44);
  const std::vector<uint8_t> zeros(6190 * 512, 0);
  ASSERT_TRUE(MediaOf("Disk Src").Write(6190 * 5, 6190, zeros.data()));
  ASSERT_TRUE(MediaOf("Disk Src").Write(6190 * 7, 6190, zeros.data()));
  FillAll("Disk Dst", 0xEE);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
  EXPECT_EQ(page->LastCounts().zeroChunks, 39u);
  if (FolderKeepsHoles(labDir.Str())) {
    EXPECT_EQ(page->LastCounts().zeroedAheadChunks, 37u);
  }
}

TEST_F(BackupOnLab, AnUnreadableSectorInAnEmptyStretchIsNotTakenForZeros) {
  Start(TwoDisks(kThreeChunks, 20000, "UnreadableSectors=7000"), backuptest::kIgnoreZeroSettings);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultError);
  EXPECT_EQ(page->LastCounts().failedTries, 5u);
  EXPECT_EQ(page->LastCounts().failedAt, 6190u);
  EXPECT_EQ(DialogTexts("Result"), (std::vector<std::string>{"Backup Disk Error"}));
}

TEST_F(BackupOnLab, EqualCapacityIsAcceptedOneSectorSmallerIsRefused) {
  Start(TwoDisks(20000, 20000));
  FillSectors("Disk Src", 19990, 10, 0x44);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
}

TEST_F(BackupOnLab, ADestinationOneSectorSmallerIsRefusedUntouched) {
  Start(TwoDisks(20000, 19999));
  FillAll("Disk Dst", 0xEE);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultRefused);
  EXPECT_EQ(DialogTexts("Warning"),
            (std::vector<std::string>{"Please check your Destination Disk size !!"}));
  EXPECT_TRUE(DialogTexts("Data Backup").empty());
  EXPECT_TRUE(labOs->DiskpartLog().empty());
  EXPECT_EQ(Bytes("Disk Dst", 0, 1)[0], 0xEE);
  EXPECT_FALSE(form->Timer_Status.Enabled());
}

TEST_F(BackupOnLab, NoSelectionOrTheSameDiskIsRefused) {
  Start(TwoDisks(20000, 20000));
  form->T_Backup.Click();  // nothing chosen
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE1");
  form->T_Backup.Click();
  EXPECT_EQ(DialogTexts("Warning"),
            (std::vector<std::string>{"Please select Destination/Source Disk !!",
                                      "Please select Destination/Source Disk !!"}));
  EXPECT_TRUE(labOs->DiskpartLog().empty());
}

TEST_F(BackupOnLab, TheSameDiskUnderALetterAndItsNumberIsRefused) {
  testsupport::LabBuilder b(false);
  b.Disk("Disk Src", "sata", "generic",
         {"Number=1", "Serial=SRC000000000000001", "Capacity=20000", "Letters=D"});
  b.Disk("Disk Dst", "sata", "generic",
         {"Number=2", "Serial=DST000000000000002", "Capacity=20000"});
  Start(b.Text(), kWithLetters);
  FillAll("Disk Src", 0x55);
  ASSERT_GE(Index("D:"), 0);
  ASSERT_GE(Index("PHYSICALDRIVE1"), 0);
  Choose("D:", "PHYSICALDRIVE1");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultRefused);
  EXPECT_EQ(DialogTexts("Warning"),
            (std::vector<std::string>{"Please select Destination/Source Disk !!"}));
  EXPECT_EQ(Bytes("Disk Src", 0, 1)[0], 0x55);
}

TEST_F(BackupOnLab, ASourceReachedByLetterIsReadThroughItsDrivePath) {
  testsupport::LabBuilder b(false);
  b.Disk("Disk Src", "sata", "generic",
         {"Number=1", "Serial=SRC000000000000001", "Capacity=20000", "Letters=D"});
  b.Disk("Disk Dst", "sata", "generic",
         {"Number=2", "Serial=DST000000000000002", "Capacity=20000"});
  Start(b.Text(), kWithLetters);
  // The partition table lies before the volume: only the disk path reads it.
  FillSectors("Disk Src", 0, 20000, 0x66);
  FillAll("Disk Dst", 0xEE);
  Choose("D:", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
}

TEST_F(BackupOnLab, TheSystemDiskIsRefusedAsDestinationWithTheReason) {
  testsupport::LabBuilder b(false);
  b.Disk("Disk Src", "sata", "generic",
         {"Number=1", "Serial=SRC000000000000001", "Capacity=20000"});
  b.Disk("Disk Sys", "sata", "generic",
         {"Number=0", "Serial=SYS000000000000000", "Capacity=40000", "Letters=C"});
  Start(b.Text());
  FillAll("Disk Sys", 0x77);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE0");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultRefused);
  ASSERT_EQ(DialogTexts("Warning").size(), 1u);
  EXPECT_NE(DialogTexts("Warning")[0].find("holds the running system"), std::string::npos);
  EXPECT_TRUE(labOs->DiskpartLog().empty());
  EXPECT_EQ(Bytes("Disk Sys", 0, 1)[0], 0x77);
}

TEST_F(BackupOnLab, AnsweringNoWipesNothing) {
  Start(TwoDisks(20000, 20000));
  toolkit->SetAnswerPolicy(ui::AnswerPolicy::kCautious);  // No to the question
  FillAll("Disk Dst", 0xEE);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultRefused);
  EXPECT_EQ(DialogTexts("Data Backup").size(), 1u);
  EXPECT_TRUE(labOs->DiskpartLog().empty());
  EXPECT_EQ(Bytes("Disk Dst", 0, 1)[0], 0xEE);
  EXPECT_TRUE(DialogTexts("Result").empty());
}

TEST_F(BackupOnLab, EnterOnTheQuestionAnswersNoAndWipesNothing) {
  Start(TwoDisks(20000, 20000));
  FillAll("Disk Dst", 0xEE);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  toolkit->ScriptEnter();
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultRefused);
  ASSERT_FALSE(toolkit->Dialogs().empty());
  EXPECT_EQ(toolkit->Dialogs()[0].request.buttons, ui::MsgButtons::kYesNo);
  EXPECT_EQ(toolkit->Dialogs()[0].request.defaultButton, ui::ModalResult::kNo);
  EXPECT_TRUE(labOs->DiskpartLog().empty());
  EXPECT_EQ(Bytes("Disk Dst", 0, 1)[0], 0xEE);
}

TEST_F(BackupOnLab, CancelDuringTheFirstAttemptEndsOnceWithoutASecond) {
  Start(TwoDisks(kThreeChunks, 20000));
  FillSectors("Disk Src", 0, kThreeChunks, 0x12);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  // Cancel is pressed while the second chunk is copied.
  page->OnProgress = [this](int p) {
    percents.push_back(p);
    if (percents.size() == 1) application->Post([this] { form->T_Cancel.Click(); });
  };
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultCancelled);
  EXPECT_EQ(DialogTexts("Result"), (std::vector<std::string>{"Backup Disk Cancel"}));
  EXPECT_EQ(Steps(), (std::vector<std::string>{"Clean Destination", "Copy"}));
  EXPECT_EQ(page->LastCounts().chunks, 2u);  // the chunk in progress was finished
  EXPECT_TRUE(page->LastRun().cancelled);
  EXPECT_TRUE(form->T_Backup.Visible());
}

TEST_F(BackupOnLab, UnreadableSectorsAreRetriedThenASecondAttemptThenAnError) {
  Start(TwoDisks(kThreeChunks, 20000, "UnreadableSectors=7000"));
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  const uint64_t before = labOs->GetTickCount64();
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultError);
  EXPECT_EQ(Steps(),
            (std::vector<std::string>{"Clean Destination", "Copy", "Copy (second attempt)"}));
  EXPECT_EQ(page->LastCounts().failedTries, 5u);
  EXPECT_EQ(page->LastCounts().failedAt, 6190u);
  EXPECT_EQ(DialogTexts("Result"), (std::vector<std::string>{"Backup Disk Error"}));
  EXPECT_EQ(form->LB_StatusBar.Caption(), "Backup Disk Error");
  // The script ran once; the pause between attempts passed on the lab's clock.
  EXPECT_EQ(std::count(labOs->DiskpartLog().begin(), labOs->DiskpartLog().end(), "CLEAN: done"), 1);
  EXPECT_GE(labOs->GetTickCount64() - before, 3000u);
  EXPECT_EQ(page->LastRun().drives.at(0).outcome, app::RunOutcome::kFailed);
}

TEST_F(BackupOnLab, APartitioningToolThatDoesNotEndIsAnErrorBeforeAnyCopy) {
  Start(TwoDisks(20000, 20000));
  labOs->SetProcessBehaviour("DISKPART", os::VirtualOs::kNeverEnds, 0);
  FillSectors("Disk Src", 0, 20000, 0x21);
  FillAll("Disk Dst", 0xEE);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  const uint64_t before = labOs->GetTickCount64();
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultError);
  ASSERT_EQ(DialogTexts("Warning").size(), 1u);
  EXPECT_NE(DialogTexts("Warning")[0].find("did not finish"), std::string::npos);
  EXPECT_EQ(DialogTexts("Result"), (std::vector<std::string>{"Backup Disk Error"}));
  // The wait was bounded, and nothing was copied.
  EXPECT_EQ(labOs->GetTickCount64() - before, maintenance::kCleanWaitMs);
  EXPECT_EQ(Bytes("Disk Dst", 10000, 1)[0], 0xEE);
  EXPECT_EQ(labOs->OpenProcessCount(), 0u);
}

TEST_F(BackupOnLab, ThePartitioningToolIsWaitedForBeforeTheDestinationIsOpened) {
  Start(TwoDisks(20000, 20000));
  labOs->SetProcessBehaviour("DISKPART", 45000, 0);
  FillSectors("Disk Src", 0, 20000, 0x31);
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  const uint64_t before = labOs->GetTickCount64();
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_GE(labOs->GetTickCount64() - before, 45000u);
  EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
  // In the order the machine saw them: the tool's end, then every write.
  const auto& events = recorder->Events();
  const auto ended = std::find_if(events.begin(), events.end(), [](const auto& e) {
    return e.kind == testsupport::RecordingOs::Kind::kProcessEnded;
  });
  ASSERT_NE(ended, events.end()) << "the partitioning tool was never seen to end";
  EXPECT_TRUE(std::none_of(events.begin(), ended, [](const auto& e) {
    return e.kind == testsupport::RecordingOs::Kind::kWrite;
  }));
  EXPECT_TRUE(std::any_of(ended, events.end(), [](const auto& e) {
    return e.kind == testsupport::RecordingOs::Kind::kWrite;
  }));
}

// C: spans disks 0 and 2: both hold the running system, whichever the
// system letter's first extent names.
TEST_F(BackupOnLab, EitherDiskOfASpannedSystemVolumeIsRefusedAsDestination) {
  testsupport::LabBuilder b(false);
  b.Disk("Disk Sys A", "sata", "generic",
         {"Number=0", "Serial=SYS000000000000000", "Capacity=40000", "Letters=C"});
  b.Disk("Disk Src", "sata", "generic",
         {"Number=1", "Serial=SRC000000000000001", "Capacity=20000"});
  b.Disk("Disk Sys B", "sata", "generic",
         {"Number=2", "Serial=SYS000000000000002", "Capacity=40000", "Letters=C"});
  Start(b.Text());
  FillAll("Disk Sys A", 0x77);
  FillAll("Disk Sys B", 0x78);
  for (const char* destination : {"PHYSICALDRIVE0", "PHYSICALDRIVE2"}) {
    Choose("PHYSICALDRIVE1", destination);
    form->T_Backup.Click();
    EXPECT_EQ(page->LastResult(), maintenance::kResultRefused) << destination;
    EXPECT_EQ(page->LastWarning(), maintenance::kSystemDiskWarning) << destination;
  }
  EXPECT_TRUE(labOs->DiskpartLog().empty());
  EXPECT_EQ(Bytes("Disk Sys A", 0, 1)[0], 0x77);
  EXPECT_EQ(Bytes("Disk Sys B", 0, 1)[0], 0x78);
}

// A volume of the destination became used after the scan listed the disk:
// the check right before the copy sees it, and names what uses it.
TEST_F(BackupOnLab, ADestinationInUseIsRefusedWithWhatUsesIt) {
  testsupport::LabBuilder b;
  b.Disk("Disk Src", "sata", "generic",
         {"Number=1", "Serial=SRC000000000000001", "Capacity=20000"});
  b.Disk("Disk Dst", "sata", "generic",
         {"Number=2", "Serial=DST000000000000002", "Capacity=20000", "Letters=D"});
  Start(b.Text());
  FillAll("Disk Dst", 0xEE);
  labOs->Machine().VolumeByLetter('D')->inUse = "/dev/sdc1 is mounted on /home";
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultRefused);
  ASSERT_EQ(DialogTexts("Warning").size(), 1u);
  EXPECT_EQ(DialogTexts("Warning")[0].rfind(
                "PHYSICALDRIVE2 is in use: /dev/sdc1 is mounted on /home. The Destination Disk", 0),
            0u)
      << DialogTexts("Warning")[0];
  ASSERT_EQ(page->LastRun().drives.size(), 1u);
  EXPECT_EQ(page->LastRun().drives[0].result, DialogTexts("Warning")[0]);
  EXPECT_TRUE(DialogTexts("Data Backup").empty());  // never asked to confirm
  EXPECT_TRUE(labOs->DiskpartLog().empty());
  EXPECT_EQ(Bytes("Disk Dst", 0, 1)[0], 0xEE);

  // Once nothing uses it, the same choice copies.
  labOs->Machine().VolumeByLetter('D')->inUse.clear();
  form->T_Backup.Click();
  EXPECT_EQ(page->LastResult(), maintenance::kResultSuccess);
  EXPECT_TRUE(SameOverSource("Disk Src", "Disk Dst"));
}

// The cleaning itself refuses a disk in use, whoever asks for it.
TEST_F(BackupOnLab, CleaningRefusesADiskInUse) {
  testsupport::LabBuilder b;
  b.Disk("Disk Dst", "sata", "generic",
         {"Number=2", "Serial=DST000000000000002", "Capacity=20000", "Letters=D",
          "InUse=/dev/sdb2 is active swap"});
  Start(b.Text());
  FillAll("Disk Dst", 0xEE);
  EXPECT_EQ(maintenance::CleanDestination(*labOs, 2),
            "PHYSICALDRIVE2 is in use: /dev/sdb2 is active swap; the Destination Disk was not "
            "cleaned.");
  EXPECT_EQ(maintenance::CleanDestination(*labOs, 0),
            "PHYSICALDRIVE0 holds the running system; the Destination Disk was not cleaned.");
  EXPECT_TRUE(labOs->DiskpartLog().empty());
  EXPECT_EQ(Bytes("Disk Dst", 0, 1)[0], 0xEE);
}

}  // namespace

namespace {

// The source's second chunk cannot be read, so the first attempt fails after
// writing its first chunk and a second attempt follows; the destination may be
// replaced by the spare after `after` commands.
std::string SwapBetweenAttempts(const std::string& after) {
  testsupport::LabBuilder b;
  b.Disk("Disk Src", "sata", "generic",
         {"Number=1", "Model=Other Maker SSD 16GB", "Serial=SRC000000000000001",
          "Capacity=" + std::to_string(kThreeChunks), "UnreadableSectors=7000"});
  b.Disk("Disk Dst", "sata", "generic",
         {"Number=2", "Model=Other Maker SSD 32GB", "Serial=DST000000000000002", "Capacity=20000"});
  if (!after.empty()) b.Raw("ReplacedBy=Disk Other\nReplacedAfter=" + after + "\n");
  b.Disk("Disk Other", "sata", "generic",
         {"Spare=1", "Model=Other Maker SSD 32GB", "Serial=OTH000000000000003", "Capacity=20000"});
  return b.Text();
}

}  // namespace

TEST_F(BackupOnLab, ADestinationSwappedBetweenTheAttemptsIsRefusedOnTheSecond) {
  // Without the swap: how many commands reach the destination by the end of
  // the first attempt (its first chunk written, its second chunk failed).
  Start(SwapBetweenAttempts(""));
  std::vector<uint64_t> atProgress;
  page->OnProgress = [&](int) {
    atProgress.push_back(labOs->Machine().DiskBySection("Disk Dst")->Commands());
  };
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();
  ASSERT_EQ(Steps(),
            (std::vector<std::string>{"Clean Destination", "Copy", "Copy (second attempt)"}));
  ASSERT_EQ(atProgress.size(), 4u);  // two chunks reached in each attempt
  const uint64_t firstAttemptDone = atProgress[1];
  page.reset();
  scan.reset();
  form.reset();
  application.reset();
  toolkit.reset();
  ctx.reset();
  labOs.reset();

  Start(SwapBetweenAttempts(std::to_string(firstAttemptDone)));
  lab::LabDisk* spare = labOs->Machine().SpareBySection("Disk Other");
  ASSERT_NE(spare, nullptr);
  FillAll("Disk Dst", 0xEE);
  std::vector<uint8_t> sector(512, 0x5A);
  for (uint64_t s = 0; s < 20000; s += 1000) {
    ASSERT_TRUE(spare->GetMedia().Write(s, 1, sector.data()));
  }
  Choose("PHYSICALDRIVE1", "PHYSICALDRIVE2");
  form->T_Backup.Click();

  EXPECT_TRUE(labOs->Machine().DiskBySection("Disk Dst")->Replaced());
  EXPECT_EQ(page->LastResult(), maintenance::kResultError);
  EXPECT_EQ(Steps(), (std::vector<std::string>{"Clean Destination", "Copy"}));
  const std::string why =
      "PHYSICALDRIVE2 is no longer the drive that was listed: serial DST000000000000002 is now "
      "OTH000000000000003";
  EXPECT_EQ(page->LastRun().drives.at(0).result, why);
  EXPECT_EQ(DialogTexts("Warning"), (std::vector<std::string>{why}));
  // The drive now under PHYSICALDRIVE2 is the replacement, untouched: the
  // second attempt wrote nothing to it.
  for (uint64_t s = 0; s < 20000; s += 1000) EXPECT_EQ(Bytes("Disk Dst", s, 1)[0], 0x5A) << s;
  EXPECT_EQ(std::count(labOs->DiskpartLog().begin(), labOs->DiskpartLog().end(), "CLEAN: done"), 1);
}
