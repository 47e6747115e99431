// The ATA security feature set: password, lock, freeze, the erase sequence and
// the attempt counter, and what of it survives a restart.
#include <gtest/gtest.h>

#include <memory>

#include "lab/drives/ata/ata_drive.h"
#include "lab/drives/drive_test_support.h"

namespace lab::drives {
namespace {

using drivetest::Ata28;
using drivetest::kErr;
using drivetest::kGood;
using drivetest::MemoryMedia;

// The 512-byte block: control word, 32-byte password, master password id.
std::vector<uint8_t> Block(uint16_t control, std::string_view password, uint16_t masterId = 0) {
  std::vector<uint8_t> b(512, 0);
  b[0] = static_cast<uint8_t>(control);
  b[1] = static_cast<uint8_t>(control >> 8);
  for (size_t i = 0; i < password.size() && i < 32; ++i)
    b[2 + i] = static_cast<uint8_t>(password[i]);
  b[34] = static_cast<uint8_t>(masterId);
  b[35] = static_cast<uint8_t>(masterId >> 8);
  return b;
}

constexpr uint16_t kUser = 0x0000;
constexpr uint16_t kMaster = 0x0001;
constexpr uint16_t kMaximum = 0x0100;

class SecurityTest : public ::testing::Test {
 protected:
  void Build(AtaDriveSettings s = {}, DriveState st = {}) {
    s.factoryMaster = {};
    const std::string master = "FACTORY";
    std::copy(master.begin(), master.end(), s.factoryMaster.begin());
    drive = std::make_unique<AtaDrive>(s, media, std::move(st));
    drive->SetStateListener([this](const DriveState& st) { saved = st.Serialise(); });
  }
  void SetUp() override {
    media = std::make_shared<MemoryMedia>(0x4000);
    media->Fill(0, 0x11);
    media->Fill(0x3FFF, 0x22);
    Build();
  }

  uint8_t Send(uint8_t command, std::vector<uint8_t> block = {}) {
    AtaCommand c = Ata28(0, block.empty() ? 0 : 1, 0, 0, 0, 0xE0, command, block,
                         block.empty() ? DataDirection::kNone : DataDirection::kOut);
    return drive->ExecuteAta(c).current.command;
  }
  uint16_t Word128() {
    const Sector id = drive->Identify();
    return static_cast<uint16_t>(id[256] | id[257] << 8);
  }
  uint8_t ReadLba0() {
    std::vector<uint8_t> buf(512);
    AtaCommand c = drivetest::Read28(0xC8, 0, 1, buf);
    return drive->ExecuteAta(c).current.command;
  }

  std::shared_ptr<MemoryMedia> media;
  std::unique_ptr<AtaDrive> drive;
  std::string saved;
};

TEST_F(SecurityTest, EraseSequenceWipesAndDisables) {
  EXPECT_EQ(Word128(), 0x0021);  // supported, enhanced erase supported
  ASSERT_EQ(Send(0xF1, Block(kUser, "SecurePass")), kGood);
  EXPECT_EQ(Word128(), 0x0023);  // enabled, not locked until power-on
  EXPECT_NE(saved.find("SecurityEnabled=1"), std::string::npos);
  ASSERT_EQ(Send(0xF3), kGood);
  ASSERT_EQ(Send(0xF4, Block(kUser, "SecurePass")), kGood);
  EXPECT_TRUE(media->AllZero());
  EXPECT_EQ(Word128(), 0x0021);
  EXPECT_FALSE(drive->State().security.enabled);
  EXPECT_NE(saved.find("SecurityEnabled=0"), std::string::npos);
}

TEST_F(SecurityTest, EraseUnitNeedsPrepareRightBeforeIt) {
  ASSERT_EQ(Send(0xF1, Block(kUser, "pw")), kGood);
  EXPECT_EQ(Send(0xF4, Block(kUser, "pw")), kErr);  // no prepare
  ASSERT_EQ(Send(0xF3), kGood);
  EXPECT_EQ(ReadLba0(), kGood);  // a command in between cancels it
  EXPECT_EQ(Send(0xF4, Block(kUser, "pw")), kErr);
  ASSERT_EQ(Send(0xF3), kGood);
  EXPECT_EQ(Send(0xF4, Block(kUser, "wrong")), kErr);
  EXPECT_FALSE(media->AllZero());
  // Without a user password only the master password erases.
  Build();
  ASSERT_EQ(Send(0xF3), kGood);
  EXPECT_EQ(Send(0xF4, Block(kUser, "")), kErr);
  ASSERT_EQ(Send(0xF3), kGood);
  EXPECT_EQ(Send(0xF4, Block(kMaster, "FACTORY")), kGood);
  EXPECT_TRUE(media->AllZero());
}

TEST_F(SecurityTest, PowerOnLocksAndUnlockCountsAttempts) {
  ASSERT_EQ(Send(0xF1, Block(kUser, "pw")), kGood);
  drive->PowerOff(false);
  drive->PowerOn();
  EXPECT_EQ(Word128(), 0x0027);  // enabled and locked
  EXPECT_EQ(ReadLba0(), kErr);   // media access refused, IDENTIFY still answers
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Send(0xF2, Block(kUser, "nope")), kErr);
  EXPECT_EQ(Send(0xF2, Block(kUser, "pw")), kGood);
  EXPECT_EQ(Word128(), 0x0023);
  EXPECT_EQ(ReadLba0(), kGood);
  EXPECT_EQ(Send(0xF6, Block(kUser, "pw")), kGood);  // DISABLE PASSWORD
  EXPECT_EQ(Word128(), 0x0021);

  // Five wrong attempts: the count expires until the next power-on.
  ASSERT_EQ(Send(0xF1, Block(kUser, "pw")), kGood);
  drive->PowerOff(false);
  drive->PowerOn();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Send(0xF2, Block(kUser, "nope")), kErr);
  EXPECT_EQ(Word128(), 0x0037);
  EXPECT_EQ(Send(0xF2, Block(kUser, "pw")), kErr);
  drive->PowerOff(false);
  drive->PowerOn();
  EXPECT_EQ(Send(0xF2, Block(kUser, "pw")), kGood);
}

TEST_F(SecurityTest, FreezeBlocksChangesUntilPowerOn) {
  ASSERT_EQ(Send(0xF5), kGood);
  EXPECT_EQ(Word128(), 0x0029);
  EXPECT_EQ(Send(0xF1, Block(kUser, "pw")), kErr);
  EXPECT_EQ(Send(0xF3), kErr);
  drive->PowerOff(false);
  drive->PowerOn();
  EXPECT_EQ(Send(0xF1, Block(kUser, "pw")), kGood);
  drive->PowerOff(false);
  drive->PowerOn();
  EXPECT_EQ(Send(0xF5), kErr);  // a locked drive cannot be frozen
}

TEST_F(SecurityTest, MaximumLevelMasterErasesButNeverUnlocks) {
  ASSERT_EQ(Send(0xF1, Block(kUser | kMaximum, "user")), kGood);
  EXPECT_EQ(Word128(), 0x0123);
  drive->PowerOff(false);
  drive->PowerOn();
  EXPECT_EQ(Send(0xF2, Block(kMaster, "FACTORY")), kErr);
  EXPECT_EQ(Word128() & 0x0004, 0x0004);
  ASSERT_EQ(Send(0xF3), kGood);
  EXPECT_EQ(Send(0xF4, Block(kMaster, "FACTORY")), kGood);
  EXPECT_EQ(Word128(), 0x0021);
  EXPECT_EQ(ReadLba0(), kGood);
}

TEST_F(SecurityTest, MasterPasswordChangeKeepsItsIdentifier) {
  ASSERT_EQ(Send(0xF1, Block(kMaster, "NEWMASTER", 0x0042)), kGood);
  EXPECT_FALSE(drive->State().security.enabled);  // a master password does not enable
  const Sector id = drive->Identify();
  EXPECT_EQ(id[184], 0x42);  // word 92
  ASSERT_EQ(Send(0xF3), kGood);
  EXPECT_EQ(Send(0xF4, Block(kMaster, "FACTORY")), kErr);
  ASSERT_EQ(Send(0xF3), kGood);
  EXPECT_EQ(Send(0xF4, Block(kMaster, "NEWMASTER")), kGood);
}

TEST_F(SecurityTest, PasswordSurvivesRestartThroughTheStateText) {
  ASSERT_EQ(Send(0xF1, Block(kUser, "persist")), kGood);
  const auto restored = DriveState::Parse(saved);
  ASSERT_TRUE(restored.has_value());
  Build({}, *restored);  // the lab starts again from the saved text
  EXPECT_EQ(Word128(), 0x0027);
  EXPECT_EQ(ReadLba0(), kErr);
  EXPECT_EQ(Send(0xF2, Block(kUser, "persist")), kGood);
  EXPECT_EQ(ReadLba0(), kGood);
}

TEST_F(SecurityTest, PasswordThatCannotBeSet) {
  AtaDriveSettings s;
  s.rejectSetPassword = true;
  Build(s);
  EXPECT_EQ(Send(0xF1, Block(kUser, "pw")), kErr);
  EXPECT_EQ(Word128(), 0x0021);
  s = {};
  s.features.security = false;
  Build(s);
  EXPECT_EQ(Send(0xF1, Block(kUser, "pw")), kErr);
  EXPECT_EQ(Send(0xF3), kErr);
  EXPECT_EQ(Word128(), 0x0000);
}

}  // namespace
}  // namespace lab::drives
