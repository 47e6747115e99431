#include "lab/bridges/sat_bridge.h"

#include <gtest/gtest.h>

#include "lab/bridges/genesys_tester_bridge.h"
#include "lab/support/fake_drives.h"

namespace lab {
namespace {

using Bytes = std::vector<uint8_t>;

struct Bench {
  std::shared_ptr<labtest::MemoryMedia> media = std::make_shared<labtest::MemoryMedia>(16384);
  labtest::FakeAtaDrive* drive = nullptr;
  std::unique_ptr<ScsiTarget> bridge;

  explicit Bench(SatBridge::Options o = {}, bool genesys = false) {
    auto d = std::make_unique<labtest::FakeAtaDrive>(
        media, labtest::FakeIdentity{"VKM VK4620XT2 SSD 512GB", "SER42", "S0620B0"});
    drive = d.get();
    if (genesys) {
      bridge = std::make_unique<GenesysTesterBridge>(std::move(d), o, 'P');
    } else {
      bridge = std::make_unique<SatBridge>(std::move(d), o);
    }
  }
  ScsiResult Run(Bytes cdb, DataDirection dir, std::span<uint8_t> data) {
    ScsiCommand c;
    c.cdb = std::move(cdb);
    c.direction = dir;
    c.data = data;
    c.timeoutSeconds = 5;
    return bridge->ExecuteScsi(c);
  }
};

std::string Text(const Bytes& b, size_t off, size_t len) {
  return std::string(b.begin() + static_cast<ptrdiff_t>(off),
                     b.begin() + static_cast<ptrdiff_t>(off + len));
}

TEST(SatBridge, IdentifyThroughPassThrough16ReachesTheDriveAsATaskFile) {
  Bench b;
  Bytes data(512, 0);
  const ScsiResult r = b.Run({0x85, 0x08, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                              0x00, 0x00, 0xE0, 0xEC, 0x00},
                             DataDirection::kIn, data);
  EXPECT_EQ(r.status, kScsiStatusGood);  // no CK_COND: no sense
  EXPECT_TRUE(r.sense.empty());
  ASSERT_EQ(b.drive->commands.size(), 1u);
  const AtaCommand& a = b.drive->commands[0];
  EXPECT_EQ(a.current.features, 0x00);
  EXPECT_EQ(a.current.sectorCount, 0x01);
  EXPECT_EQ(a.current.device, 0xE0);
  EXPECT_EQ(a.current.command, 0xEC);
  EXPECT_FALSE(a.extended);
  EXPECT_FALSE(a.dma);
  EXPECT_EQ(a.direction, DataDirection::kIn);
  EXPECT_EQ(a.data.size(), 512u);
  EXPECT_EQ(Text(data, 54, 8), "KV MKV64");  // "VKM VK46", in swapped pairs
  EXPECT_EQ(data[4], 0x37);
  EXPECT_EQ(data[5], 0xC8);
}

TEST(SatBridge, CheckConditionCarriesTheRegistersInDescriptorSense) {
  Bench b;
  // SMART ENABLE OPERATIONS: non-data (0x06), CK_COND (0x20).
  const ScsiResult r = b.Run({0x85, 0x06, 0x20, 0x00, 0xD8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F,
                              0x00, 0xC2, 0xA0, 0xB0, 0x00},
                             DataDirection::kNone, {});
  EXPECT_EQ(r.status, kScsiStatusCheckCondition);
  EXPECT_EQ(r.sense, (Bytes{0x72, 0x01, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0xA0, 0x50}));
  const AtaCommand& a = b.drive->commands.at(0);
  EXPECT_EQ(a.current.features, 0xD8);
  EXPECT_EQ(a.current.lbaMid, 0x4F);
  EXPECT_EQ(a.current.lbaHigh, 0xC2);
  EXPECT_EQ(a.direction, DataDirection::kNone);
}

TEST(SatBridge, AnAtaErrorComesBackAbortedWithErrorAndStatusRegisters) {
  Bench b;
  AtaResult fail;
  fail.current = {0x04, 0x00, 0x00, 0x4F, 0xC2, 0xA0, 0x51};
  b.drive->scripted[0xB0] = fail;
  const ScsiResult r = b.Run({0x85, 0x06, 0x20, 0x00, 0xD8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F,
                              0x00, 0xC2, 0xA0, 0xB0, 0x00},
                             DataDirection::kNone, {});
  EXPECT_EQ(r.sense, (Bytes{0x72, 0x0B, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                            0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0xA0, 0x51}));
}

TEST(SatBridge, DownloadMicrocodePioOutCarriesCountAndOffsetRegisters) {
  Bench b;
  AtaResult state;
  state.current = {0x00, 0x02, 0x00, 0x04, 0x00, 0xE0, 0x50};  // count 2: applied
  b.drive->scripted[0x92] = state;
  Bytes chunk(1024, 0x5A);
  // Subcommand 03, 2 blocks at block offset 4: PIO data out (0x0A), 0x26.
  const ScsiResult r = b.Run({0x85, 0x0A, 0x26, 0x00, 0x03, 0x00, 0x02, 0x00, 0x00, 0x00, 0x04,
                              0x00, 0x00, 0xE0, 0x92, 0x00},
                             DataDirection::kOut, chunk);
  const AtaCommand& a = b.drive->commands.at(0);
  EXPECT_EQ(a.current.features, 0x03);
  EXPECT_EQ(a.current.sectorCount, 0x02);
  EXPECT_EQ(a.current.lbaLow, 0x00);
  EXPECT_EQ(a.current.lbaMid, 0x04);
  EXPECT_EQ(a.direction, DataDirection::kOut);
  EXPECT_EQ(b.drive->dataOut.at(0), chunk);
  EXPECT_EQ(r.sense, (Bytes{0x72, 0x01, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                            0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0xE0, 0x50}));
}

TEST(SatBridge, ExtendedPassThroughTakesThePreviousRegistersFromOddBytes) {
  Bench b;
  AtaResult ok;
  ok.current.command = 0x50;
  b.drive->scripted[0x25] = ok;  // the LBA is beyond this small drive
  Bytes data(512, 0);
  // READ DMA EXT (UDMA in, extend): LBA 0x0000_0102_0304, count 1.
  const ScsiResult r = b.Run({0x85, 0x15, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x04, 0x01, 0x03,
                              0x00, 0x02, 0x40, 0x25, 0x00},
                             DataDirection::kIn, data);
  EXPECT_EQ(r.status, kScsiStatusGood);
  const AtaCommand& a = b.drive->commands.at(0);
  EXPECT_TRUE(a.extended);
  EXPECT_TRUE(a.dma);
  EXPECT_EQ(a.current.lbaLow, 0x04);
  EXPECT_EQ(a.previous.lbaLow, 0x00);
  EXPECT_EQ(a.current.lbaMid, 0x03);
  EXPECT_EQ(a.previous.lbaMid, 0x01);
  EXPECT_EQ(a.current.lbaHigh, 0x02);
}

TEST(SatBridge, ScsiReadsWritesAndCapacityBecomeAtaCommands) {
  Bench b;
  Bytes cap(8, 0);
  ASSERT_EQ(b.Run({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::kIn, cap).status, 0);
  EXPECT_EQ(cap, (Bytes{0x00, 0x00, 0x3F, 0xFF, 0x00, 0x00, 0x02, 0x00}));

  Bytes out(3 * 512);
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 7);
  ASSERT_EQ(
      b.Run({0x2A, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x03, 0x00}, DataDirection::kOut, out)
          .status,
      0);
  const AtaCommand& w = b.drive->commands.back();
  EXPECT_EQ(w.current.command, 0x35);  // WRITE DMA EXT
  EXPECT_EQ(w.current.lbaLow, 0x02);
  EXPECT_EQ(w.current.lbaMid, 0x01);
  EXPECT_EQ(w.current.sectorCount, 0x03);
  EXPECT_EQ(w.current.device, 0x40);
  Bytes onMedia(out.size());
  ASSERT_TRUE(b.media->Read(0x102, 3, onMedia.data()));
  EXPECT_EQ(onMedia, out);

  Bytes in(3 * 512, 0);
  ASSERT_EQ(
      b.Run({0x28, 0x04, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x03, 0x00}, DataDirection::kIn, in)
          .status,
      0);
  EXPECT_EQ(b.drive->commands.back().current.command, 0x25);
  EXPECT_EQ(in, out);

  // Past the end: ILLEGAL REQUEST, LBA OUT OF RANGE.
  const ScsiResult past =
      b.Run({0x28, 0, 0x00, 0x00, 0x40, 0x00, 0, 0, 1, 0}, DataDirection::kIn, in);
  EXPECT_EQ(past.sense, (Bytes{0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x21, 0, 0, 0, 0, 0}));
}

TEST(SatBridge, TheBridgeReadsIdentifyOnceAndLeavesTheDriveAloneAfterwards) {
  Bench b;
  Bytes inq(56), cap(8), sector(512);
  ASSERT_EQ(b.Run({0x12, 0, 0, 0, 0x38, 0}, DataDirection::kIn, inq).status, 0);
  ASSERT_EQ(b.Run({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::kIn, cap).status, 0);
  ASSERT_EQ(b.Run({0x28, 0, 0, 0, 0, 0x55, 0, 0, 1, 0}, DataDirection::kIn, sector).status, 0);
  size_t identifies = 0;
  for (const AtaCommand& a : b.drive->commands) identifies += a.current.command == 0xEC;
  EXPECT_EQ(identifies, 1u);
  EXPECT_EQ(b.drive->commands.back().current.command, 0x25);
  EXPECT_EQ(b.drive->commands.back().current.lbaLow, 0x55);
}

TEST(SatBridge, UnknownOpcodesAndRefusedPassThroughGiveIllegalRequest) {
  SatBridge::Options plain;
  plain.passThrough = false;
  Bench b(plain);
  Bytes data(512);
  const Bytes invalidOpcode{0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0};
  EXPECT_EQ(b.Run({0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0},
                  DataDirection::kIn, data)
                .sense,
            invalidOpcode);
  EXPECT_TRUE(b.drive->commands.empty());
  EXPECT_EQ(b.Run({0x4D, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::kIn, data).sense,
            invalidOpcode);
}

TEST(SatBridge, InquiryShowsTheDriveSatStyleOrTheConfiguredFlavour) {
  Bench sat;
  Bytes inq(56, 0);
  ASSERT_EQ(sat.Run({0x12, 0, 0, 0, 0x38, 0}, DataDirection::kIn, inq).status, 0);
  EXPECT_EQ(inq[3], 0x02);
  EXPECT_EQ(Text(inq, 8, 8), "ATA     ");
  EXPECT_EQ(Text(inq, 16, 16), "VKM VK4620XT2 SS");
  EXPECT_EQ(Text(inq, 32, 4), "S062");

  SatBridge::Options flash;
  flash.inquiry.flavour = InquiryFlavour::kFlashDevice;
  flash.inquiry.removable = true;
  Bench ufd(flash);
  ASSERT_EQ(ufd.Run({0x12, 0, 0, 0, 0x38, 0}, DataDirection::kIn, inq).status, 0);
  EXPECT_EQ(inq[1], 0x80);
  EXPECT_EQ(Text(inq, 5, 3), "vkm");
  EXPECT_EQ(Text(inq, 8, 8), "VKM     ");

  SatBridge::Options leak;
  leak.inquiry.flavour = InquiryFlavour::kLeakageTester;
  Bench tester(leak);
  ASSERT_EQ(tester.Run({0x12, 0, 0, 0, 0x38, 0}, DataDirection::kIn, inq).status, 0);
  EXPECT_EQ(Text(inq, 8, 3), "VKM");
  EXPECT_EQ(Text(inq, 35, 5), "ASMIC");

  SatBridge::Options pcie;
  pcie.inquiry.flavour = InquiryFlavour::kPcieTester;
  Bench pwr(pcie);
  ASSERT_EQ(pwr.Run({0x12, 0, 0, 0, 0x38, 0}, DataDirection::kIn, inq).status, 0);
  EXPECT_EQ(Text(inq, 8, 7), "VKMPCIE");
  EXPECT_EQ(Text(inq, 16, 6), "TESTER");

  // An allocation length shorter than the buffer limits the transfer.
  Bytes small(56, 0xEE);
  const ScsiResult r = sat.Run({0x12, 0, 0, 0, 0x05, 0}, DataDirection::kIn, small);
  EXPECT_EQ(r.bytesTransferred, 5u);
  EXPECT_EQ(small[5], 0xEE);
}

TEST(GenesysTesterBridge, VendorInquiryAnswersGenesysAndTheTesterLetter) {
  Bench g({}, true);
  Bytes inq(56, 0);
  const ScsiResult r = g.Run({0x12, 0x00, 0x00, 0x55, 0x2E, 0x00}, DataDirection::kIn, inq);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.bytesTransferred, 46u);
  EXPECT_EQ(Text(inq, 8, 7), "Genesys");
  EXPECT_EQ(inq[32], 'P');
  // The ordinary inquiry still describes the drive, and SAT works.
  ASSERT_EQ(g.Run({0x12, 0, 0, 0, 0x38, 0}, DataDirection::kIn, inq).status, 0);
  EXPECT_EQ(Text(inq, 8, 3), "ATA");
  Bytes id(512);
  EXPECT_EQ(
      g.Run({0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0}, DataDirection::kIn, id)
          .status,
      0);
}

}  // namespace
}  // namespace lab
