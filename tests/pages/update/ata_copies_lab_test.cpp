// What the SATA download keeps and retries, through the page's Start on a lab
// machine: the copy of LBA 0 that older bridge firmware needs (and its
// failures), the copy of the image sent, the retry with the drive's minimum
// block count after a failed attempt, and a controller that never echoes.
#include "common/text.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

constexpr const char* kLba0Key = "RWLBA_BefDWFW_Only10JMS=1\n";

std::string SettingsRewritingLba0() {
  std::string s = Settings();
  const std::string section = "[VK4620XT]\n";
  s.insert(s.find(section) + section.size(), kLba0Key);
  return s;
}

class AtaCopiesOnLab : public UpdateOnLab {
 protected:
  lab::Media& MediaA() { return labOs->Machine().DiskBySection("Disk A")->GetMedia(); }
  std::vector<uint8_t> Lba0() {
    std::vector<uint8_t> s(512, 0);
    EXPECT_TRUE(MediaA().Read(0, 1, s.data()));
    return s;
  }
  static std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
  }
};

TEST_F(AtaCopiesOnLab, LbaZeroAndTheImageAreCopiedBesideTheImageAndTheDriveIsUpdated) {
  Start(FiveAttachments(), SettingsRewritingLba0());
  std::vector<uint8_t> boot(512);
  for (size_t i = 0; i < boot.size(); ++i) boot[i] = static_cast<uint8_t>(i * 7 + 3);
  ASSERT_TRUE(MediaA().Write(0, 1, boot.data()));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS") << LogText();
  const std::string n = std::to_string(a);
  ASSERT_TRUE(home.Exists("VK4620XT/LBA0_" + n + ".bin"));
  EXPECT_EQ(Bytes(home.Read("VK4620XT/LBA0_" + n + ".bin")), boot);
  EXPECT_EQ(Lba0(), boot);  // written back as it was
  ASSERT_TRUE(home.Exists("VK4620XT/ISP_ToolBuff_" + n + ".bin"));
  EXPECT_EQ(Bytes(home.Read("VK4620XT/ISP_ToolBuff_" + n + ".bin")), SataImage());
  EXPECT_EQ(common::Trim(StateOf("Disk A").firmware), kSataNew);
}

TEST_F(AtaCopiesOnLab, WithoutTheLbaZeroOptionOnlyTheImageIsCopied) {
  Start(FiveAttachments());
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS") << LogText();
  const std::string n = std::to_string(a);
  EXPECT_FALSE(home.Exists("VK4620XT/LBA0_" + n + ".bin"));
  EXPECT_EQ(Bytes(home.Read("VK4620XT/ISP_ToolBuff_" + n + ".bin")), SataImage());
}

TEST_F(AtaCopiesOnLab, AnUnreadableLbaZeroOrNoRoomForItsCopyStopsBeforeTheDownload) {
  struct Case {
    std::string sataKeys;
    bool copyBlocked;
    std::string result;
  };
  for (const Case& c : {Case{"UnreadableSectors=0", false, "Read LBA 0 Fail!"},
                        Case{"", true, "Open LBA0.bin Fail!"}}) {
    SCOPED_TRACE(c.result);
    Close();
    NewLab();
    Start(FiveAttachments(c.sataKeys), SettingsRewritingLba0());
    const int a = Drive(1);
    const std::string n = std::to_string(a);
    // A folder in the copy's place: the copy cannot be created.
    if (c.copyBlocked)
      std::filesystem::create_directory(home.Path() / "VK4620XT" / ("LBA0_" + n + ".bin"));
    Tick(a);
    PressStart();
    EXPECT_EQ(Result(a), c.result) << LogText();
    EXPECT_EQ(Image(a), app::kRowFailed);
    EXPECT_EQ(form->StatusMessage(), c.result);
    EXPECT_NE(LogText().find("Dev_" + n + "          : " + c.result + "\n"), std::string::npos);
    EXPECT_FALSE(Traced("GLoopIndex = 0"));
    EXPECT_FALSE(home.Exists("VK4620XT/ISP_ToolBuff_" + n + ".bin"));
    EXPECT_EQ(common::Trim(StateOf("Disk A").firmware), kSataOld);
    if (c.copyBlocked) std::filesystem::remove(home.Path() / "VK4620XT" / ("LBA0_" + n + ".bin"));
  }
}

// The first attempt is refused at its first segment; the second sends the
// image in pieces of the drive's minimum (IDENTIFY word 234), not word 235's.
TEST_F(AtaCopiesOnLab, AFailedAttemptIsRetriedWithTheMinimumBlockCount) {
  constexpr int kMax = 64, kMin = 16;
  Start(FiveAttachments("DmMaxBlocks=64\nDmMinBlocks=16\nRejectDownloadChunk=1"),
        Settings("DownloadMode=1\n"));
  const int a = Drive(1);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS") << LogText();
  const int total = static_cast<int>(SataImage().size() / 512);
  ASSERT_EQ(total % kMax, 0);
  auto afterFirstPiece = [&](int blocks, bool ok) {
    return Traced(common::Format("DMicrocode: Step1 TotalSize = %d, DMStatus = %s", total - blocks,
                                 ok ? "0," : ""));
  };
  EXPECT_TRUE(Traced("GLoopIndex = 1"));
  EXPECT_TRUE(afterFirstPiece(kMax, false));  // the refused first segment: 64 blocks
  EXPECT_TRUE(afterFirstPiece(kMin, true));   // the retry's first segment: 16 blocks
  EXPECT_EQ(common::Trim(StateOf("Disk A").firmware), kSataNew);
  Restart();
  EXPECT_EQ(CurrentFw(Drive(1)), kSataNew);
}

// The echo of the command block only decides whether the sector saved from
// the command LBA is put back; a controller that never echoes still carries
// out every command, so the update goes through.
TEST_F(AtaCopiesOnLab, AControllerThatNeverEchoesStillTakesTheUpdate) {
  Start(FiveAttachments("NoEcho=1"));
  const int a = Drive(1);
  ASSERT_GE(a, 0);
  Tick(a);
  PressStart();
  EXPECT_EQ(Result(a), "PASS") << LogText();
  EXPECT_EQ(Image(a), app::kRowPassed);
  EXPECT_EQ(CurrentFw(a), kSataNew);
  EXPECT_EQ(common::Trim(StateOf("Disk A").firmware), kSataNew);
}

}  // namespace
}  // namespace updatetest
