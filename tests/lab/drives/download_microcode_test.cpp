// DOWNLOAD MICROCODE on the drive side: the count-register states of
// subcommands 3, 7, 0Eh and 0Fh, what makes a download complete, bad offsets and
// sizes, power loss, and which version and CID the drive takes from the image.
#include <gtest/gtest.h>

#include <memory>

#include "lab/drives/ata/ata_drive.h"
#include "lab/drives/drive_test_support.h"

namespace lab::drives {
namespace {

using drivetest::Download;
using drivetest::kErr;
using drivetest::kGood;
using drivetest::MemoryMedia;

constexpr size_t kImageSize = 0x10000;

// A 64 KiB image: version in the IDENTIFY template (pairs swapped), another
// text in the identity field, a CID record, filler, and the byte checksum at
// 0x87C over everything outside 0x600..0x87F.
std::vector<uint8_t> Image(const char* templateVersion, const char* identityVersion) {
  std::vector<uint8_t> img(kImageSize);
  for (size_t i = 0; i < img.size(); ++i) img[i] = static_cast<uint8_t>((i * 131 + 17) >> 3);
  for (size_t i = 0x600; i < 0x880; ++i) img[i] = 0;
  for (size_t i = 0; i < 8; ++i) {
    img[0x62E + (i ^ 1)] = templateVersion ? static_cast<uint8_t>(templateVersion[i]) : 0;
    img[0xEFF0 + i] = identityVersion ? static_cast<uint8_t>(identityVersion[i]) : 0;
  }
  for (size_t i = 0; i < 128; ++i) img[0x800 + i] = static_cast<uint8_t>(0xC0 + i);
  uint32_t sum = 0;
  for (size_t i = 0; i < img.size(); ++i) {
    if (i < 0x600 || i >= 0x880) sum += img[i];
  }
  img[0x87C] = static_cast<uint8_t>(sum);
  img[0x87D] = static_cast<uint8_t>(sum >> 8);
  img[0x87E] = static_cast<uint8_t>(sum >> 16);
  img[0x87F] = static_cast<uint8_t>(sum >> 24);
  return img;
}

// The update-file form with a 4096-byte unit: the checksum unit's first dword
// is the sum of the image's dwords.
std::vector<uint8_t> UpdateFile(std::vector<uint8_t> img) {
  uint32_t sum = 0;
  for (size_t i = 0; i < img.size(); i += 4) {
    sum += uint32_t{img[i]} | uint32_t{img[i + 1]} << 8 | uint32_t{img[i + 2]} << 16 |
           uint32_t{img[i + 3]} << 24;
  }
  img.resize(img.size() + 4096, 0);
  img[kImageSize] = static_cast<uint8_t>(sum);
  img[kImageSize + 1] = static_cast<uint8_t>(sum >> 8);
  img[kImageSize + 2] = static_cast<uint8_t>(sum >> 16);
  img[kImageSize + 3] = static_cast<uint8_t>(sum >> 24);
  return img;
}

class DownloadTest : public ::testing::Test {
 protected:
  void Build(AtaDriveSettings s = {}) {
    s.firmware = "OLD00001";
    media = std::make_shared<MemoryMedia>(0x10000);
    drive = std::make_unique<AtaDrive>(s, media, DriveState{});
  }
  void SetUp() override { Build(); }

  AtaResult Chunk(uint8_t sub, std::vector<uint8_t>& file, uint16_t offset, uint16_t blocks,
                  bool dma = false) {
    std::span<uint8_t> data(file.data() + size_t{offset} * 512, size_t{blocks} * 512);
    AtaCommand c = Download(sub, offset, blocks, data, dma);
    return drive->ExecuteAta(c);
  }
  // Sends the whole file in chunks; returns the count register of each.
  std::vector<int> Send(uint8_t sub, std::vector<uint8_t>& file, uint16_t chunk) {
    std::vector<int> counts;
    const uint16_t total = static_cast<uint16_t>(file.size() / 512);
    for (uint16_t off = 0; off < total; off = static_cast<uint16_t>(off + chunk)) {
      const uint16_t n = std::min<uint16_t>(chunk, static_cast<uint16_t>(total - off));
      const AtaResult r = Chunk(sub, file, off, n);
      counts.push_back(r.current.command == kGood ? r.current.sectorCount : -r.current.features);
    }
    return counts;
  }
  std::string Firmware() { return GetAtaString(drive->Identify(), 23, 4); }

  std::shared_ptr<MemoryMedia> media;
  std::unique_ptr<AtaDrive> drive;
};

TEST_F(DownloadTest, Subcommand3UpdateFileAppliesOnTheLastSegment) {
  AtaDriveSettings s;
  s.dmFormat = DownloadFormat::kUpdateFile;
  Build(s);
  std::vector<uint8_t> file = UpdateFile(Image("S0312A0 ", "IGNORED!"));
  // 136 blocks in chunks of 32: 32, 32, 32, 32, 8.
  EXPECT_EQ(Send(0x03, file, 32), (std::vector<int>{1, 1, 1, 1, 2}));
  EXPECT_EQ(Firmware(), "S0312A0 ");
  ASSERT_EQ(drive->State().cid.size(), 128u);
  EXPECT_EQ(drive->State().cid[0], 0xC0);
  EXPECT_EQ(drive->State().cid[123], 0x3B);
  EXPECT_EQ(drive->State().cid[124], file[0x87C]);  // the record ends with the image checksum
}

TEST_F(DownloadTest, DeferredDownloadWaitsForActivation) {
  std::vector<uint8_t> file = UpdateFile(Image("S0400A0 ", nullptr));
  // Auto form: the image part checks out as a plain image first; 0Eh says saved.
  EXPECT_EQ(Send(0x0E, file, 64), (std::vector<int>{1, 3, 3}));
  EXPECT_EQ(Firmware(), "OLD00001");
  EXPECT_EQ(drive->State().pendingFirmware, "S0400A0 ");
  // 0Fh: the builder sends no data and zero count and offset.
  AtaCommand act = drivetest::Ata28(0x0F, 0, 0, 0, 0, 0xE0, 0x92);
  const AtaResult r = drive->ExecuteAta(act);
  EXPECT_EQ(r.current.command, kGood);
  EXPECT_EQ(r.current.sectorCount, 2);
  EXPECT_EQ(Firmware(), "S0400A0 ");
  EXPECT_TRUE(drive->State().pendingFirmware.empty());
  // Nothing saved any more: another 0Fh aborts.
  EXPECT_EQ(drive->ExecuteAta(act).current.command, kErr);
}

TEST_F(DownloadTest, DeferredImageRunsAfterPowerOn) {
  AtaDriveSettings s;
  s.dmFormat = DownloadFormat::kPlain;
  Build(s);
  std::vector<uint8_t> img = Image("S0500A0 ", nullptr);
  EXPECT_EQ(Send(0x0E, img, 128), (std::vector<int>{3}));
  EXPECT_EQ(Firmware(), "OLD00001");
  // The lab stops and starts again from the saved state.
  const auto st = DriveState::Parse(drive->State().Serialise());
  ASSERT_TRUE(st.has_value());
  drive = std::make_unique<AtaDrive>(drive->Settings(), media, *st);
  EXPECT_EQ(Firmware(), "S0500A0 ");
}

TEST_F(DownloadTest, PlainImageInAutoFormatAnswersNoIndication) {
  std::vector<uint8_t> img = Image("S0600A0 ", nullptr);
  // Subcommand 3 with chunks of 48: 48, 48, 32 blocks; applied at the end.
  EXPECT_EQ(Send(0x03, img, 48), (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(Firmware(), "S0600A0 ");
  // The same image as an update file: "no indication" at the image's end, then
  // applied when the checksum unit arrives.
  std::vector<uint8_t> file = UpdateFile(Image("S0601A0 ", nullptr));
  EXPECT_EQ(Send(0x03, file, 64), (std::vector<int>{1, 0, 2}));
  EXPECT_EQ(Firmware(), "S0601A0 ");
  AtaDriveSettings s;
  s.dmFormat = DownloadFormat::kPlain;
  Build(s);
  EXPECT_EQ(Send(0x03, img, 64), (std::vector<int>{1, 2}));
}

TEST_F(DownloadTest, Subcommand7AndDmaTakeTheSameImage) {
  std::vector<uint8_t> img = Image("S0700A0 ", nullptr);
  const uint16_t total = kImageSize / 512;
  for (uint16_t off = 0; off < total; off = static_cast<uint16_t>(off + 100)) {
    const uint16_t n = std::min<uint16_t>(100, static_cast<uint16_t>(total - off));
    EXPECT_EQ(Chunk(0x07, img, off, n, true).current.command, kGood);
  }
  EXPECT_EQ(Firmware(), "S0700A0 ");
}

TEST_F(DownloadTest, VersionFromTheIdentityFieldWhenTheTemplateIsBlank) {
  std::vector<uint8_t> img = Image(nullptr, "S0800B1 ");
  Send(0x03, img, 128);
  EXPECT_EQ(Firmware(), "S0800B1 ");
  // An image with no version anywhere is never taken.
  std::vector<uint8_t> blank = Image(nullptr, nullptr);
  EXPECT_EQ(Send(0x03, blank, 128), (std::vector<int>{1}));
  EXPECT_EQ(Firmware(), "S0800B1 ");
}

TEST_F(DownloadTest, SevenCharacterVersionWithAZeroByteIsKeptAsItIs) {
  // "S0312A0" and a zero in the template: words 23-26 read back those 8 bytes,
  // the zero included, and so does the drive after a restart from its state.
  std::vector<uint8_t> img = Image("S0312A0\0", "IGNORED!");
  EXPECT_EQ(Send(0x03, img, 128), (std::vector<int>{0}));  // a plain image: no indication
  const std::string exact("S0312A0\0", 8);
  EXPECT_EQ(Firmware(), exact);
  const Sector id = drive->Identify();
  EXPECT_EQ(id[46], '0');  // word 23: "S0" stored as '0','S'
  EXPECT_EQ(id[47], 'S');
  EXPECT_EQ(id[52], 0x00);  // word 26: 'A'... '0', then the zero
  EXPECT_EQ(id[53], '0');
  AtaDrive again(AtaDriveSettings{}, media, drive->State());
  EXPECT_EQ(GetAtaString(again.Identify(), 23, 4), exact);
  const auto saved = DriveState::Parse(drive->State().Serialise());
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->firmware, exact);

  // Text after the zero is no version: the image is not taken.
  std::vector<uint8_t> odd = Image(
      "S03\0"
      "12A0",
      "IGNORED!");
  Send(0x03, odd, 128);
  EXPECT_EQ(Firmware(), exact);
}

TEST_F(DownloadTest, BadOffsetAbortsAndDiscards) {
  std::vector<uint8_t> img = Image("S0900A0 ", nullptr);
  EXPECT_EQ(Chunk(0x03, img, 0, 32).current.sectorCount, 1);
  // Offset 64 where 32 is expected: 51h with ABRT.
  AtaResult r = Chunk(0x03, img, 64, 32);
  EXPECT_EQ(r.current.command, 0x51);
  EXPECT_EQ(r.current.features, 0x04);
  // The partial download is gone: 32 no longer continues it.
  r = Chunk(0x03, img, 32, 32);
  EXPECT_EQ(r.current.features, 0x04);
  // A first segment at a non-zero offset is out of sequence too.
  EXPECT_EQ(Chunk(0x03, img, 1, 1).current.features, 0x04);
  // Mixing subcommands in one download is refused.
  EXPECT_EQ(Chunk(0x03, img, 0, 32).current.sectorCount, 1);
  EXPECT_EQ(Chunk(0x0E, img, 32, 32).current.features, 0x04);
  EXPECT_EQ(Firmware(), "OLD00001");
}

TEST_F(DownloadTest, BadSizesWithAndWithoutAbort) {
  std::vector<uint8_t> big(600 * 512, 0);
  AtaResult r = Chunk(0x03, big, 0, 257);  // above word 235 (256)
  EXPECT_EQ(r.current.command, 0x51);
  EXPECT_EQ(r.current.features, 0x04);
  r = Chunk(0x03, big, 0, 0);
  EXPECT_EQ(r.current.features, 0x04);
  // Past the drive's download buffer: 51h with ID not found, ABRT clear.
  AtaDriveSettings s;
  s.dmBufferBlocks = 64;
  Build(s);
  EXPECT_EQ(Chunk(0x03, big, 0, 48).current.sectorCount, 1);
  r = Chunk(0x03, big, 48, 48);
  EXPECT_EQ(r.current.command, 0x51);
  EXPECT_EQ(r.current.features, 0x10);
}

TEST_F(DownloadTest, RejectedChunkAndPowerLoss) {
  AtaDriveSettings s;
  s.rejectDownloadChunk = 2;
  s.rejectDownloadError = 0x10;
  Build(s);
  std::vector<uint8_t> img = Image("S1000A0 ", nullptr);
  EXPECT_EQ(Send(0x03, img, 32), (std::vector<int>{1, -0x10, -0x04, -0x04}));

  s = {};
  s.powerLossAtDownloadChunk = 3;
  Build(s);
  EXPECT_EQ(Chunk(0x03, img, 0, 32).current.sectorCount, 1);
  EXPECT_EQ(Chunk(0x03, img, 32, 32).current.sectorCount, 1);
  EXPECT_FALSE(Chunk(0x03, img, 64, 32).delivered);
  EXPECT_FALSE(drive->Powered());
  EXPECT_EQ(drive->State().unsafeShutdowns, 1u);
  drive->PowerOn();
  EXPECT_EQ(Firmware(), "OLD00001");  // the old firmware stays
  EXPECT_EQ(Chunk(0x03, img, 64, 32).current.features, 0x04);
  EXPECT_EQ(Send(0x03, img, 32), (std::vector<int>{1, 1, 1, 0}));
  EXPECT_EQ(Firmware(), "S1000A0 ");
}

TEST_F(DownloadTest, RefusedWhereTheDriveCannotDownload) {
  std::vector<uint8_t> img = Image("S1100A0 ", nullptr);
  EXPECT_EQ(Chunk(0x01, img, 0, 1).current.features, 0x04);  // unknown subcommand
  AtaDriveSettings s;
  s.features.downloadMicrocodeDma = false;
  s.features.downloadOffsets = false;
  Build(s);
  EXPECT_EQ(Chunk(0x07, img, 0, 1, true).current.features, 0x04);
  EXPECT_EQ(Chunk(0x03, img, 0, 1).current.features, 0x04);
  EXPECT_EQ(Chunk(0x07, img, 0, 1).current.command, kGood);
  s = {};
  s.features.downloadMicrocode = false;
  Build(s);
  EXPECT_EQ(Chunk(0x07, img, 0, 1).current.features, 0x04);
  // A locked drive takes no microcode.
  Build();
  std::vector<uint8_t> pw(512, 0);
  pw[2] = 'x';
  AtaCommand set = drivetest::Ata28(0, 1, 0, 0, 0, 0xE0, 0xF1, pw, DataDirection::kOut);
  ASSERT_EQ(drive->ExecuteAta(set).current.command, kGood);
  drive->PowerOff(false);
  drive->PowerOn();
  EXPECT_EQ(Chunk(0x03, img, 0, 1).current.features, 0x04);
}

}  // namespace
}  // namespace lab::drives
