// The ATA security feature set of a lab SATA drive, driven through ATA
// pass-through on its disk handle and across restarts of the lab (each one a
// power-on): a drive the firmware freezes at boot, lock after a power cycle,
// the erase sequence punching the media, and the attempt counter.
#include <gtest/gtest.h>

#include "lab/support/drive_requests.h"
#include "platform/host/host_file.h"
#include "support/holes_probe.h"

namespace labtest {
namespace {

constexpr uint8_t kSetPassword = 0xF1, kUnlock = 0xF2, kErasePrepare = 0xF3, kEraseUnit = 0xF4,
                  kFreezeLock = 0xF5, kDisablePassword = 0xF6;
constexpr uint8_t kStatusGood = 0x50, kStatusError = 0x51, kErrorAbort = 0x04;

std::string Ini(bool frozen) {
  return std::string(
             "[Machine]\nSystemDirectory=C:\\Windows\\system32\n"
             "[Disk Test]\nAttachment=sata\nController=generic\nNumber=1\nCapacity=64MiB\n"
             "Security=1\nMasterPassword=FACTORY\n") +
         (frozen ? "SecurityFrozen=1\n" : "");
}

// Control word, 32-byte password, master password identifier.
std::vector<uint8_t> Block(uint16_t control, const std::string& password) {
  std::vector<uint8_t> b(512, 0);
  b[0] = static_cast<uint8_t>(control);
  b[1] = static_cast<uint8_t>(control >> 8);
  std::copy(password.begin(), password.end(), b.begin() + 2);
  return b;
}

class SecurityOnLab : public ::testing::Test {
 protected:
  void Open(bool frozen) { lab = std::make_unique<LabFolder>(Ini(frozen)); }
  void Restart(bool frozen) {
    lab->Rewrite(Ini(frozen));
    lab->Restart();
  }
  // Opens the disk for each request, as the tool opens it per operation.
  AtaOutcome Send(uint8_t command, std::vector<uint8_t> block = {}) {
    const os::HANDLE h = OpenDevice(lab->Os(), "\\\\.\\PHYSICALDRIVE1");
    TaskFile tf;
    tf.command = command;
    tf.count = block.empty() ? 0 : 1;
    const AtaOutcome r = SendAta(lab->Os(), h, tf, block);
    lab->Os().CloseHandle(h);
    return r;
  }
  uint8_t Status(uint8_t command, std::vector<uint8_t> block = {}) {
    const AtaOutcome r = Send(command, std::move(block));
    EXPECT_TRUE(r.ok);
    if (r.regs.command == kStatusError) {
      EXPECT_EQ(r.regs.features, kErrorAbort);
    }
    return r.regs.command;
  }
  uint16_t Word128() {
    const os::HANDLE h = OpenDevice(lab->Os(), "\\\\.\\PHYSICALDRIVE1");
    const std::vector<uint8_t> id = AtaIdentify(lab->Os(), h);
    lab->Os().CloseHandle(h);
    return static_cast<uint16_t>(id[256] | id[257] << 8);
  }
  // READ SECTORS of one sector at `lba`: status, and the data in `out`.
  uint8_t Read(uint8_t lba, std::vector<uint8_t>& out) {
    const os::HANDLE h = OpenDevice(lab->Os(), "\\\\.\\PHYSICALDRIVE1");
    out.assign(512, 0);
    TaskFile tf;
    tf.command = 0x20;
    tf.count = 1;
    tf.lbaLow = lba;
    const AtaOutcome r = SendAta(lab->Os(), h, tf, out, false);
    lab->Os().CloseHandle(h);
    return r.regs.command;
  }
  uint8_t Write(uint8_t lba, uint8_t fill) {
    const os::HANDLE h = OpenDevice(lab->Os(), "\\\\.\\PHYSICALDRIVE1");
    std::vector<uint8_t> data(512, fill);
    TaskFile tf;
    tf.command = 0x30;
    tf.count = 1;
    tf.lbaLow = lba;
    const AtaOutcome r = SendAta(lab->Os(), h, tf, data, true);
    lab->Os().CloseHandle(h);
    return r.regs.command;
  }
  // 512-byte blocks the media file holds on disk.
  long long AllocatedBlocks() {
    constexpr uint64_t kBlockBytes = 512;
    return static_cast<long long>(host::AllocatedBytes(lab->Path("state/Disk_Test.img")) /
                                  kBlockBytes);
  }

  std::unique_ptr<LabFolder> lab;
};

TEST_F(SecurityOnLab, FrozenAtEveryPowerOnRefusesTheSetButFreezeLock) {
  Open(true);
  // Supported, frozen, enhanced erase supported: 0001h | 0008h | 0020h.
  EXPECT_EQ(Word128(), 0x0029);
  EXPECT_EQ(Status(kSetPassword, Block(0, "pw")), kStatusError);
  EXPECT_EQ(Status(kSetPassword, Block(1, "MASTER")), kStatusError);
  EXPECT_EQ(Status(kUnlock, Block(0, "pw")), kStatusError);
  EXPECT_EQ(Status(kErasePrepare), kStatusError);
  EXPECT_EQ(Status(kEraseUnit, Block(1, "FACTORY")), kStatusError);
  EXPECT_EQ(Status(kDisablePassword, Block(0, "pw")), kStatusError);
  EXPECT_EQ(Status(kFreezeLock), kStatusGood);  // already frozen: no error
  EXPECT_EQ(Write(7, 0x5A), kStatusGood);       // media access is not affected
  // Every power-on comes up frozen again.
  lab->Restart();
  EXPECT_EQ(Word128(), 0x0029);
  EXPECT_EQ(Status(kSetPassword, Block(0, "pw")), kStatusError);
  // Without the switch the next power-on is not frozen.
  Restart(false);
  EXPECT_EQ(Word128(), 0x0021);
  EXPECT_EQ(Status(kSetPassword, Block(0, "pw")), kStatusGood);
  EXPECT_EQ(Word128(), 0x0023);  // enabled, unlocked until the next power-on
}

TEST_F(SecurityOnLab, PasswordLocksAfterAPowerCycleAndAFrozenBootLeavesItLocked) {
  Open(false);
  ASSERT_EQ(Write(3, 0x33), kStatusGood);
  ASSERT_EQ(Status(kSetPassword, Block(0, "secret")), kStatusGood);
  std::vector<uint8_t> data;
  EXPECT_EQ(Read(3, data), kStatusGood);  // unlocked until the power cycle
  Restart(true);
  // Locked: FREEZE LOCK is refused there, so the frozen boot leaves it locked.
  EXPECT_EQ(Word128(), 0x0027);
  EXPECT_EQ(Read(3, data), kStatusError);
  EXPECT_EQ(Status(kFreezeLock), kStatusError);
  EXPECT_EQ(Status(kDisablePassword, Block(0, "secret")), kStatusError);  // locked
  EXPECT_EQ(Status(kUnlock, Block(0, "secret")), kStatusGood);
  EXPECT_EQ(Word128(), 0x0023);
  EXPECT_EQ(Read(3, data), kStatusGood);
  EXPECT_EQ(data[0], 0x33);
  // Unlocked, it can be frozen now: no more changes until the next power-on.
  EXPECT_EQ(Status(kFreezeLock), kStatusGood);
  EXPECT_EQ(Word128(), 0x002B);
  EXPECT_EQ(Status(kDisablePassword, Block(0, "secret")), kStatusError);
  Restart(false);
  EXPECT_EQ(Word128(), 0x0027);
  ASSERT_EQ(Status(kUnlock, Block(0, "secret")), kStatusGood);
  EXPECT_EQ(Status(kDisablePassword, Block(0, "secret")), kStatusGood);
  EXPECT_EQ(Word128(), 0x0021);
  Restart(false);
  EXPECT_EQ(Word128(), 0x0021);  // disabled for good
}

TEST_F(SecurityOnLab, EraseUnitRightAfterPrepareZeroesByPunchingTheMedia) {
  Open(false);
  SKIP_UNLESS_HOLES_KEPT(lab->Path("state"));
  for (uint8_t lba = 0; lba < 64; ++lba) ASSERT_EQ(Write(lba, 0xC3), kStatusGood);
  const long long written = AllocatedBlocks();
  ASSERT_GE(written, 64);
  ASSERT_EQ(Status(kSetPassword, Block(0, "erase-me")), kStatusGood);
  lab->Restart();
  ASSERT_EQ(Word128(), 0x0027);
  // Another command between prepare and erase cancels the prepare.
  ASSERT_EQ(Status(kErasePrepare), kStatusGood);
  Word128();
  EXPECT_EQ(Status(kEraseUnit, Block(0, "erase-me")), kStatusError);
  EXPECT_EQ(AllocatedBlocks(), written);
  // A locked drive erases with its password right after the prepare.
  ASSERT_EQ(Status(kErasePrepare), kStatusGood);
  EXPECT_EQ(Status(kEraseUnit, Block(0, "erase-me")), kStatusGood);
  EXPECT_EQ(Word128(), 0x0021);  // password gone, unlocked
  EXPECT_LT(AllocatedBlocks(), written);
  EXPECT_EQ(AllocatedBlocks(), 0);  // a hole, not written zeros
  std::vector<uint8_t> data;
  ASSERT_EQ(Read(5, data), kStatusGood);
  EXPECT_EQ(data, std::vector<uint8_t>(512, 0));
  lab->Restart();
  EXPECT_EQ(Word128(), 0x0021);
}

TEST_F(SecurityOnLab, FiveWrongPasswordsUntilTheNextPowerOn) {
  Open(false);
  ASSERT_EQ(Status(kSetPassword, Block(0, "right")), kStatusGood);
  lab->Restart();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Status(kUnlock, Block(0, "wrong")), kStatusError);
  EXPECT_EQ(Word128(), 0x0027);  // one try left
  ASSERT_EQ(Status(kErasePrepare), kStatusGood);
  EXPECT_EQ(Status(kEraseUnit, Block(0, "wrong")), kStatusError);  // the fifth
  EXPECT_EQ(Word128(), 0x0037);                                    // count expired
  EXPECT_EQ(Status(kUnlock, Block(0, "right")), kStatusError);
  ASSERT_EQ(Status(kErasePrepare), kStatusGood);
  EXPECT_EQ(Status(kEraseUnit, Block(1, "FACTORY")), kStatusError);
  lab->Restart();
  EXPECT_EQ(Word128(), 0x0027);
  EXPECT_EQ(Status(kUnlock, Block(0, "right")), kStatusGood);
}

}  // namespace
}  // namespace labtest
