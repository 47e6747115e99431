// The generic SATA drive core: IDENTIFY words, SMART pages, sector transfers,
// housekeeping commands and the command fault switch.
#include "lab/drives/ata/ata_drive.h"

#include <gtest/gtest.h>

#include <memory>

#include "lab/drives/drive_test_support.h"

namespace lab::drives {
namespace {

using drivetest::Ata28;
using drivetest::Ext;
using drivetest::kErr;
using drivetest::kGood;
using drivetest::MemoryMedia;
using drivetest::Read28;
using drivetest::Write28;

AtaDriveSettings TestSettings() {
  AtaDriveSettings s;
  s.model = "LAB SSD";
  s.serial = "SN42";
  s.firmware = "FW1.0";
  s.features.wwn = 0x5001B4400A0B0C0Dull;
  s.smart.powerOnHours = 10000;
  s.smart.lifeLeft = 98;
  s.smart.hostWrites32MiB = 7;
  s.smartTag = {"VKM4620XT", 400};
  return s;
}

struct Rig {
  explicit Rig(uint64_t sectors = 0x123456789ull, AtaDriveSettings s = TestSettings())
      : media(std::make_shared<MemoryMedia>(sectors)), drive(std::move(s), media, DriveState{}) {}
  std::shared_ptr<MemoryMedia> media;
  AtaDrive drive;
};

std::vector<uint8_t> IdentifyBytes(AtaDrive& d) {
  std::vector<uint8_t> buf(512, 0xCC);
  AtaCommand c = Ata28(0, 1, 0, 0, 0, 0xE0, 0xEC, buf, DataDirection::kIn);
  const AtaResult r = d.ExecuteAta(c);
  EXPECT_EQ(r.current.command, kGood);
  EXPECT_EQ(r.bytesTransferred, 512u);
  return buf;
}

TEST(AtaIdentifyTest, WordsAHostReads) {
  Rig rig;
  const std::vector<uint8_t> id = IdentifyBytes(rig.drive);
  EXPECT_EQ(id[0], 0x40);
  EXPECT_EQ(id[1], 0x00);
  // Serial "SN42", blank padded, bytes of every word swapped.
  EXPECT_EQ(std::string(id.begin() + 20, id.begin() + 26), "NS24  ");
  EXPECT_EQ(id[39], ' ');
  // Firmware "FW1.0" in words 23-26.
  EXPECT_EQ(std::string(id.begin() + 46, id.begin() + 54), "WF.1 0  ");
  // Model "LAB SSD" in words 27-46.
  EXPECT_EQ(std::string(id.begin() + 54, id.begin() + 62), "AL BSS D");
  EXPECT_EQ(id[93], ' ');
  // Words 60-61: capacity above 28 bits reports 0FFFFFFFh.
  EXPECT_EQ((std::vector<uint8_t>(id.begin() + 120, id.begin() + 124)),
            (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x0F}));
  // Words 100-103: 1_2345_6789h sectors.
  EXPECT_EQ((std::vector<uint8_t>(id.begin() + 200, id.begin() + 208)),
            (std::vector<uint8_t>{0x89, 0x67, 0x45, 0x23, 0x01, 0x00, 0x00, 0x00}));
  // Word 69 = 4120h: DOWNLOAD MICROCODE DMA (bit 8), trim determinism.
  EXPECT_EQ(id[138], 0x20);
  EXPECT_EQ(id[139], 0x41);
  // Words 82, 83, 85, 86.
  EXPECT_EQ(id[164], 0x6B);
  EXPECT_EQ(id[165], 0x70);
  EXPECT_EQ(id[166], 0x09);  // 83 bit 0 DOWNLOAD MICROCODE, bit 3 APM
  EXPECT_EQ(id[167], 0x74);
  EXPECT_EQ(id[170], 0x69);  // SMART enabled, security not enabled
  EXPECT_EQ(id[171], 0x70);
  EXPECT_EQ(id[172], 0x09);
  EXPECT_EQ(id[173], 0xB4);
  // WWN, words 108-111, most significant word first.
  EXPECT_EQ((std::vector<uint8_t>(id.begin() + 216, id.begin() + 224)),
            (std::vector<uint8_t>{0x01, 0x50, 0x40, 0xB4, 0x0B, 0x0A, 0x0D, 0x0C}));
  // Word 119 bit 4: download with offsets.
  EXPECT_EQ(id[238], 0x10);
  EXPECT_EQ(id[239], 0x40);
  // Word 128: security supported, enhanced erase supported.
  EXPECT_EQ(id[256], 0x21);
  EXPECT_EQ(id[257], 0x00);
  EXPECT_EQ(id[338], 0x01);  // word 169 bit 0: TRIM
  // Words 234 and 235: 1 and 256 blocks per DOWNLOAD MICROCODE.
  EXPECT_EQ((std::vector<uint8_t>(id.begin() + 468, id.begin() + 472)),
            (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x01}));
  EXPECT_EQ(id[510], 0xA5);
  uint8_t sum = 0;
  for (uint8_t b : id) sum = static_cast<uint8_t>(sum + b);
  EXPECT_EQ(sum, 0);
}

TEST(AtaIdentifyTest, SmallDriveAndMissingFeatures) {
  AtaDriveSettings s = TestSettings();
  s.features.downloadMicrocode = false;
  s.features.trim = false;
  s.features.security = false;
  Rig rig(0x00200000, s);
  const std::vector<uint8_t> id = IdentifyBytes(rig.drive);
  EXPECT_EQ((std::vector<uint8_t>(id.begin() + 120, id.begin() + 124)),
            (std::vector<uint8_t>{0x00, 0x00, 0x20, 0x00}));
  EXPECT_EQ(id[138], 0x20);  // no DMA download bit
  EXPECT_EQ(id[139], 0x40);
  EXPECT_EQ(id[166] & 0x01, 0);  // word 83 bit 0 clear
  EXPECT_EQ(id[164] & 0x02, 0);  // word 82: no security
  EXPECT_EQ(id[256], 0x00);
  EXPECT_EQ(id[338], 0x00);
  EXPECT_EQ(id[468], 0x00);
  // A buffer shorter than a sector is refused.
  std::vector<uint8_t> small(100);
  AtaCommand c = Ata28(0, 1, 0, 0, 0, 0xE0, 0xEC, small, DataDirection::kIn);
  const AtaResult r = rig.drive.ExecuteAta(c);
  EXPECT_EQ(r.current.command, kErr);
  EXPECT_EQ(r.current.features, 0x04);
}

AtaResult Smart(AtaDrive& d, uint8_t feature, std::span<uint8_t> data = {}) {
  AtaCommand c = Ata28(feature, data.empty() ? 0 : 1, data.empty() ? 0 : 1, 0x4F, 0xC2, 0xA0, 0xB0,
                       data, data.empty() ? DataDirection::kNone : DataDirection::kIn);
  return d.ExecuteAta(c);
}

TEST(AtaSmartTest, ReadDataCarriesAttributesTagAndChecksum) {
  Rig rig;
  EXPECT_EQ(Smart(rig.drive, 0xD8).current.command, kGood);
  std::vector<uint8_t> s(512);
  ASSERT_EQ(Smart(rig.drive, 0xD0, s).current.command, kGood);
  EXPECT_EQ(s[0], 0x10);
  EXPECT_EQ(s[1], 0x00);
  // Entry 2 (from byte 26): attribute 09h, flags 0032h, 100/100, raw 10000.
  EXPECT_EQ((std::vector<uint8_t>(s.begin() + 26, s.begin() + 38)),
            (std::vector<uint8_t>{0x09, 0x32, 0x00, 0x64, 0x64, 0x10, 0x27, 0x00, 0x00, 0x00, 0x00,
                                  0x00}));
  // Entry 12 (from byte 146): A9h, remaining life 98 %.
  EXPECT_EQ(s[146], 0xA9);
  EXPECT_EQ(s[149], 98);
  EXPECT_EQ(s[151], 98);
  // Entry 22 (from byte 266): F1h, 32 MiB units written.
  EXPECT_EQ(s[266], 0xF1);
  EXPECT_EQ(s[271], 7);
  EXPECT_EQ(std::string(s.begin() + 400, s.begin() + 409), "VKM4620XT");
  uint8_t sum = 0;
  for (uint8_t b : s) sum = static_cast<uint8_t>(sum + b);
  EXPECT_EQ(sum, 0);

  std::vector<uint8_t> t(512);
  ASSERT_EQ(Smart(rig.drive, 0xD1, t).current.command, kGood);
  EXPECT_EQ(t[2 + 12], 0x05);  // entry 1: 05h with threshold 10
  EXPECT_EQ(t[2 + 13], 10);
}

TEST(AtaSmartTest, WritesCountTowardF1AndRawOverrides) {
  AtaDriveSettings st = TestSettings();
  st.smartRaw = {{0x05, 3}, {0xE9, 0x123456}};
  Rig rig(1 << 20, st);
  // 65536 sectors = 32 MiB, in 256-sector WRITE DMA EXT commands.
  std::vector<uint8_t> buf(256 * 512, 0x5A);
  for (uint32_t i = 0; i < 256; ++i) {
    AtaCommand c = Ext(0x35, i * 256ull, 256, buf, DataDirection::kOut);
    ASSERT_EQ(rig.drive.ExecuteAta(c).current.command, kGood);
  }
  std::vector<uint8_t> s(512);
  ASSERT_EQ(Smart(rig.drive, 0xD0, s).current.command, kGood);
  EXPECT_EQ(s[271], 8);
  EXPECT_EQ(s[2 + 12 + 5], 3);  // 05h raw
  // E9h was not in the set: appended after the 24 standard entries.
  EXPECT_EQ(s[2 + 24 * 12], 0xE9);
  EXPECT_EQ(s[2 + 24 * 12 + 5], 0x56);
  EXPECT_EQ(s[2 + 24 * 12 + 7], 0x12);
}

TEST(AtaSmartTest, StatusDisableAndBadSignature) {
  AtaDriveSettings st = TestSettings();
  st.smart.lifeLeft = 5;  // below the A9h threshold of 10
  Rig rig(1 << 20, st);
  AtaResult r = Smart(rig.drive, 0xDA);
  EXPECT_EQ(r.current.command, kGood);
  EXPECT_EQ(r.current.lbaMid, 0xF4);
  EXPECT_EQ(r.current.lbaHigh, 0x2C);
  Rig healthy;
  r = Smart(healthy.drive, 0xDA);
  EXPECT_EQ(r.current.lbaMid, 0x4F);
  EXPECT_EQ(r.current.lbaHigh, 0xC2);

  // SMART off: reads abort until SMART ENABLE OPERATIONS; the switch persists.
  EXPECT_EQ(Smart(healthy.drive, 0xD9).current.command, kGood);
  EXPECT_FALSE(healthy.drive.State().smartEnabled);
  std::vector<uint8_t> s(512);
  EXPECT_EQ(Smart(healthy.drive, 0xD0, s).current.command, kErr);
  EXPECT_EQ(IdentifyBytes(healthy.drive)[170] & 0x01, 0);
  EXPECT_EQ(Smart(healthy.drive, 0xD8).current.command, kGood);
  EXPECT_EQ(Smart(healthy.drive, 0xD0, s).current.command, kGood);

  // Without the 4Fh/C2h signature the command aborts.
  AtaCommand c = Ata28(0xD0, 1, 1, 0x00, 0x00, 0xA0, 0xB0, s, DataDirection::kIn);
  r = healthy.drive.ExecuteAta(c);
  EXPECT_EQ(r.current.command, kErr);
  EXPECT_EQ(r.current.features, 0x04);
}

TEST(AtaTransferTest, Lba28AndLba48MoveRealBytes) {
  Rig rig;
  std::vector<uint8_t> out(1024);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 7);
  AtaCommand w = Write28(0xCA, 0x0ABCDEF, 2, out);  // WRITE DMA
  AtaResult r = rig.drive.ExecuteAta(w);
  EXPECT_EQ(r.current.command, kGood);
  EXPECT_EQ(r.bytesTransferred, 1024u);
  EXPECT_EQ(rig.media->At(0x0ABCDEFull * 512 + 1), 7);

  std::vector<uint8_t> in(1024);
  AtaCommand rd = Ext(0x24, 0x0ABCDEF, 2, in, DataDirection::kIn);  // READ SECTORS EXT
  EXPECT_EQ(rig.drive.ExecuteAta(rd).current.command, kGood);
  EXPECT_EQ(in, out);

  // 48-bit addresses above 28 bits.
  AtaCommand w48 = Ext(0x35, 0x123456700ull, 1, out, DataDirection::kOut);
  EXPECT_EQ(rig.drive.ExecuteAta(w48).current.command, kGood);
  EXPECT_EQ(rig.media->At(0x123456700ull * 512 + 2), 14);
}

TEST(AtaTransferTest, CountZeroMeansAFullCommand) {
  Rig rig(1 << 20);
  std::vector<uint8_t> buf(256 * 512);
  AtaCommand c = Read28(0xC8, 0, 0, buf);  // READ DMA, count 0 = 256 sectors
  const AtaResult r = rig.drive.ExecuteAta(c);
  EXPECT_EQ(r.current.command, kGood);
  EXPECT_EQ(r.bytesTransferred, 256u * 512);
  // A buffer too small for the count is refused rather than overrun.
  std::vector<uint8_t> small(512);
  AtaCommand c2 = Read28(0x20, 0, 2, small);
  EXPECT_EQ(rig.drive.ExecuteAta(c2).current.command, kErr);
}

TEST(AtaTransferTest, ErrorsReportTheirLba) {
  Rig rig(0x1000);
  std::vector<uint8_t> buf(4 * 512);
  // Past the end: ID not found, LBA of the command.
  AtaCommand past = Ext(0x25, 0xFFE, 4, buf, DataDirection::kIn);
  AtaResult r = rig.drive.ExecuteAta(past);
  EXPECT_EQ(r.current.command, kErr);
  EXPECT_EQ(r.current.features, 0x10);
  EXPECT_EQ(r.current.lbaLow, 0xFE);
  EXPECT_EQ(r.current.lbaMid, 0x0F);
  // An unreadable sector: uncorrectable, LBA of the first bad one.
  rig.media->bad.insert(0x102);
  AtaCommand bad = Read28(0xC8, 0x100, 4, buf);
  r = rig.drive.ExecuteAta(bad);
  EXPECT_EQ(r.current.command, kErr);
  EXPECT_EQ(r.current.features, 0x40);
  EXPECT_EQ(r.current.lbaLow, 0x02);
  EXPECT_EQ(r.current.lbaMid, 0x01);
  EXPECT_EQ(r.current.device & 0x0F, 0);
  EXPECT_EQ(r.bytesTransferred, 0u);
  AtaCommand verify = Ext(0x42, 0x100, 8, {}, DataDirection::kNone);
  r = rig.drive.ExecuteAta(verify);
  EXPECT_EQ(r.current.features, 0x40);
  EXPECT_EQ(r.current.lbaLow, 0x02);
}

TEST(AtaTransferTest, TrimZeroesRangesAndNativeMaxReportsTheLastLba) {
  Rig rig(0x10000);
  rig.media->Fill(0x20, 0xEE);
  rig.media->Fill(0x21, 0xEE);
  std::vector<uint8_t> ranges(512, 0);
  ranges[0] = 0x20;  // LBA 20h, length 1
  ranges[6] = 0x01;
  AtaCommand trim = Ext(0x06, 0, 1, ranges, DataDirection::kOut);
  trim.current.features = 0x01;
  EXPECT_EQ(rig.drive.ExecuteAta(trim).current.command, kGood);
  EXPECT_EQ(rig.media->At(0x20 * 512), 0);
  EXPECT_EQ(rig.media->At(0x21 * 512), 0xEE);

  AtaCommand max = Ext(0x27, 0, 0, {}, DataDirection::kNone);
  const AtaResult r = rig.drive.ExecuteAta(max);
  EXPECT_EQ(r.current.lbaLow, 0xFF);
  EXPECT_EQ(r.current.lbaMid, 0xFF);
  EXPECT_EQ(r.current.lbaHigh, 0x00);
}

TEST(AtaDriveTest, HousekeepingCommands) {
  Rig rig(0x1000);
  AtaCommand nop = Ata28(0, 0, 0, 0, 0, 0xA0, 0x00);
  EXPECT_EQ(rig.drive.ExecuteAta(nop).current.command, kErr);
  AtaCommand power = Ata28(0, 0, 0, 0, 0, 0xA0, 0xE5);
  EXPECT_EQ(rig.drive.ExecuteAta(power).current.sectorCount, 0xFF);
  AtaCommand flush = Ata28(0, 0, 0, 0, 0, 0xA0, 0xE7);
  EXPECT_EQ(rig.drive.ExecuteAta(flush).current.command, kGood);
  AtaCommand features = Ata28(0x02, 0, 0, 0, 0, 0xA0, 0xEF);
  EXPECT_EQ(rig.drive.ExecuteAta(features).current.command, kGood);
  AtaCommand unknownFeature = Ata28(0x77, 0, 0, 0, 0, 0xA0, 0xEF);
  EXPECT_EQ(rig.drive.ExecuteAta(unknownFeature).current.command, kErr);
  AtaCommand diag = Ata28(0, 0, 0, 0, 0, 0xA0, 0x90);
  const AtaResult d = rig.drive.ExecuteAta(diag);
  EXPECT_EQ(d.current.features, 0x01);
  EXPECT_EQ(d.current.sectorCount, 0x01);
}

TEST(AtaDriveTest, FailCommandsSwitchAndPower) {
  AtaDriveSettings s = TestSettings();
  s.failCommands = {FaultRule{std::nullopt, 0xEC, 2, 1}};  // "EC:2"
  Rig rig(0x1000, s);
  std::vector<uint8_t> id(512);
  AtaCommand c = Ata28(0, 1, 0, 0, 0, 0xE0, 0xEC, id, DataDirection::kIn);
  EXPECT_EQ(rig.drive.ExecuteAta(c).current.command, kGood);
  const AtaResult second = rig.drive.ExecuteAta(c);
  EXPECT_EQ(second.current.command, kErr);
  EXPECT_EQ(second.current.features, 0x04);
  EXPECT_EQ(rig.drive.ExecuteAta(c).current.command, kGood);

  const uint64_t cycles = rig.drive.State().powerCycles;
  rig.drive.PowerOff(true);
  EXPECT_FALSE(rig.drive.ExecuteAta(c).delivered);
  EXPECT_EQ(rig.drive.State().unsafeShutdowns, 1u);
  rig.drive.PowerOn();
  EXPECT_TRUE(rig.drive.ExecuteAta(c).delivered);
  EXPECT_EQ(rig.drive.State().powerCycles, cycles + 1);
}

}  // namespace
}  // namespace lab::drives
