// The ATA download's guards, through the update page on a lab drive: an image
// that asks for the CID comparison but ends before the record, the pause
// after every controller-memory access, a download count that sends nothing,
// and the advanced group's buttons while a run goes on.
#include <array>

#include "support/vk_drive_of.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

int CountTraced(lab::LabOs& os, const std::string& text) {
  int n = 0;
  for (const std::string& l : os.Trace().Captured())
    if (l.find(text) != std::string::npos) ++n;
  return n;
}

TEST_F(UpdateOnLab, AnImageEndingBeforeItsCidRecordIsRefusedAndNothingIsCompared) {
  // 2114 bytes: the flag byte 0x841 is the last one; the record would run to 0x87F.
  std::vector<uint8_t> image = SataImage();
  image.resize(2114);
  image[0x841] |= 0x01;
  WriteImage("VK4620XT\\ISP_VK4620XT.bin", image);
  Start(FiveAttachments());
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "Open FW file fail");
  EXPECT_EQ(Image(a), app::kRowFailed);
  EXPECT_FALSE(home.Exists("OriginalCID.bin"));
  EXPECT_FALSE(home.Exists("NewFluCID.bin"));
  EXPECT_FALSE(Traced("DMStatus"));
  // The drive's record was never read: no memory read at 0x800 (long layout).
  auto* drive = testsupport::VkDriveOf(*labOs->Machine().DiskBySection("Disk A"));
  ASSERT_NE(drive, nullptr);
  for (const auto& seen : drive->SeenCommands()) {
    const bool cidRead = seen.block[0] == 0xF0 && seen.block[1] == 0x2A &&
                         seen.block[2] == 0x00 && seen.block[3] == 0x00 &&
                         seen.block[4] == 0x08 && seen.block[5] == 0x00;
    EXPECT_FALSE(cidRead);
  }
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
}

TEST_F(UpdateOnLab, EveryControllerMemoryAccessIsFollowedBy100Ms) {
  // The first memory read fails once and is tried again.
  Start(FiveAttachments("FailVendorCommands=2A:1"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS");
  auto* drive = testsupport::VkDriveOf(*labOs->Machine().DiskBySection("Disk A"));
  ASSERT_NE(drive, nullptr);
  const auto& seen = drive->SeenCommands();
  // The preparation: read and write 0x10001150, read and write 0x50000060,
  // one sector each, the running firmware's long layout.
  auto block = [](uint8_t op, uint8_t sub, uint32_t address) {
    std::array<uint8_t, 512> b{};
    b[0] = op;
    b[1] = sub;
    b[2] = static_cast<uint8_t>(address >> 24);
    b[3] = static_cast<uint8_t>(address >> 16);
    b[4] = static_cast<uint8_t>(address >> 8);
    b[5] = static_cast<uint8_t>(address);
    b[7] = 0x01;
    return b;
  };
  const std::array<std::array<uint8_t, 512>, 5> expected = {
      block(0xF0, 0x2A, 0x10001150), block(0xF0, 0x2A, 0x10001150),
      block(0xF1, 0x2B, 0x10001150), block(0xF0, 0x2A, 0x50000060),
      block(0xF1, 0x2B, 0x50000060)};
  size_t first = seen.size();
  for (size_t i = 0; i < seen.size(); ++i) {
    if (seen[i].block == expected[0]) {
      first = i;
      break;
    }
  }
  ASSERT_LE(first + expected.size(), seen.size()) << "the preparation was not sent";
  for (size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(seen[first + k].block, expected[k]);
    if (k > 0) {
      EXPECT_EQ(seen[first + k].atMs - seen[first + k - 1].atMs, 100u);
    }
  }
  // The last write is followed by its pause too, before the next command.
  const size_t after = first + expected.size();
  ASSERT_LT(after, seen.size());
  EXPECT_GE(seen[after].atMs - seen[after - 1].atMs, 100u);
}

TEST_F(UpdateOnLab, ADownloadCountBelowOneIsAFailureAndSendsNothing) {
  for (const char* count : {"DMCount=0\n", "DMCount=-2\n"}) {
    SCOPED_TRACE(count);
    NewLab();
    Start(FiveAttachments(), Settings(count));
    const int a = Drive(1);
    Tick(a);
    PressStart();
    const std::string n = std::string(count).substr(8, std::string(count).size() - 9);
    EXPECT_EQ(Result(a), "DMCount=" + n + ": nothing to download, set it to 1 or more!");
    EXPECT_EQ(Image(a), app::kRowFailed);
    EXPECT_NE(form->StatusMessage(), "Download Complete");
    EXPECT_FALSE(Traced("DMStatus"));
    Restart(Settings(count));
    EXPECT_EQ(CurrentFw(Drive(1)), kSataOld);
    Close();
  }
}

TEST_F(UpdateOnLab, TheAdvancedButtonsAreOffDuringARunAndAClickThenDoesNothing) {
  Start(FiveAttachments());
  form->GB_AdavnceMode.Show();
  ui::Button* buttons[] = {&form->BTN_Microcode_Download, &form->BTN_Microcode_Commit,
                           &form->BTN_Microcode_NVMeDownload, &form->BTN_Microcode_NVMeCommit};
  for (ui::Button* b : buttons) EXPECT_TRUE(b->EffectivelyEnabled()) << b->Name();
  const int a = Drive(1);
  Tick(a);
  form->LV_UpdateDevStatus.SetSelected(a);
  std::vector<bool> enabledDuringRun;
  // Clicks that arrive while the run processes messages.
  application->Post([&] {
    for (ui::Button* b : buttons) {
      enabledDuringRun.push_back(b->EffectivelyEnabled());
      b->Click();
    }
  });
  PressStart();
  ASSERT_EQ(enabledDuringRun.size(), 4u) << "the run processed no messages";
  for (bool on : enabledDuringRun) EXPECT_FALSE(on);
  EXPECT_EQ(Result(a), "PASS");
  // One download: the run's own.
  EXPECT_EQ(CountTraced(*labOs, "FileString = "), 1);
  EXPECT_EQ(CountTraced(*labOs, "BTN_Microcode_DownloadClick (Visible="), 1);
  for (ui::Button* b : buttons) EXPECT_TRUE(b->EffectivelyEnabled()) << b->Name();
}

}  // namespace
}  // namespace updatetest
