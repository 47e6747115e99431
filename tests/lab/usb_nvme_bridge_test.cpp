#include "lab/bridges/usb_nvme_bridge.h"

#include <gtest/gtest.h>

#include "lab/support/fake_drives.h"

namespace lab {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kWritePacket{0x3B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00};
const Bytes kReadStatus{0x3C, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00};
const Bytes kSequenceError{0x70, 0, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x2C, 0, 0, 0, 0, 0};

struct Bench {
  std::shared_ptr<labtest::MemoryMedia> media = std::make_shared<labtest::MemoryMedia>(16384);
  labtest::FakeNvmeController* nvme = nullptr;
  std::unique_ptr<UsbNvmeBridge> bridge;

  Bench() {
    auto c = std::make_unique<labtest::FakeNvmeController>(
        media, labtest::FakeIdentity{"VKM VK4630 USB", "UN30SN", "N0630A0"});
    nvme = c.get();
    UsbNvmeBridge::Options o;
    o.bridgeString = "NV0001";
    o.slot = 0x85;  // only 7 bits are reported
    bridge = std::make_unique<UsbNvmeBridge>(std::move(c), o);
  }
  ScsiResult Run(const Bytes& cdb, DataDirection dir, std::span<uint8_t> data) {
    ScsiCommand c;
    c.cdb = cdb;
    c.direction = dir;
    c.data = data;
    return bridge->ExecuteScsi(c);
  }
};

// The 1024-byte packet the host writes to buffer 0.
Bytes Packet(Bytes firstBytes, uint8_t queueOrIndex) {
  Bytes p(1024, 0);
  std::copy(firstBytes.begin(), firstBytes.end(), p.begin());
  p[64] = 0x05;  // time-out 5 s, little-endian
  p[68] = queueOrIndex;
  return p;
}

TEST(UsbNvmeBridge, IdentifyRunsThroughPacketDataAndStatusBuffers) {
  Bench b;
  // Identify controller: opcode 06, CDW10 (bytes 40..43) = 1, admin queue.
  Bytes packet = Packet({0x06}, 0);
  packet[40] = 0x01;
  ASSERT_EQ(b.Run(kWritePacket, DataDirection::kOut, packet).status, 0);
  EXPECT_TRUE(b.nvme->commands.empty());  // nothing runs before the data phase

  Bytes data(4096, 0xEE);
  ASSERT_EQ(
      b.Run({0x3C, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00}, DataDirection::kIn, data)
          .status,
      0);
  ASSERT_EQ(b.nvme->commands.size(), 1u);
  const NvmeSubmission& s = b.nvme->commands[0];
  EXPECT_EQ(s.opcode, 0x06);
  EXPECT_TRUE(s.admin);
  EXPECT_EQ(s.cdw[0], 1u);
  EXPECT_EQ(s.data.size(), 4096u);
  EXPECT_EQ(std::string(data.begin() + 4, data.begin() + 10), "UN30SN");

  Bytes status(1024, 0xEE);
  ASSERT_EQ(b.Run(kReadStatus, DataDirection::kIn, status).status, 0);
  EXPECT_EQ(Bytes(status.begin(), status.begin() + 24),
            (Bytes{'N', 'V', 'M', 'e', 0x01, 0, 0, 0, 0,    0,    0,    0,
                   0,   0,   0,   0,   0,    0, 0, 0, 0x00, 0x00, 0x01, 0x00}));
}

TEST(UsbNvmeBridge, StatusBlockCarriesTheNvmeStatusInDword3) {
  Bench b;
  NvmeCompletion bad;
  bad.statusCode = 0x0B;
  b.nvme->scripted[0x06] = bad;
  Bytes packet = Packet({0x06}, 0);
  ASSERT_EQ(b.Run(kWritePacket, DataDirection::kOut, packet).status, 0);
  Bytes data(4096);
  ASSERT_EQ(b.Run({0x3C, 0xFF, 0x01, 0, 0, 0, 0, 0x10, 0, 0}, DataDirection::kIn, data).status, 0);
  Bytes status(1024);
  ASSERT_EQ(b.Run(kReadStatus, DataDirection::kIn, status).status, 0);
  // SC 0x0B at bits 17.., phase tag bit 16: 0x00170000.
  EXPECT_EQ(Bytes(status.begin() + 20, status.begin() + 24), (Bytes{0x00, 0x00, 0x17, 0x00}));
}

TEST(UsbNvmeBridge, DataPhaseLengthsFollowTheCommandDirection) {
  Bench b;
  // Get Log Page of 512 bytes: one sector read back.
  Bytes packet = Packet({0x02}, 0);
  packet[40] = 0x02;
  packet[42] = 0x7F;
  ASSERT_EQ(b.Run(kWritePacket, DataDirection::kOut, packet).status, 0);
  Bytes log(512);
  ASSERT_EQ(b.Run({0x3C, 0xFF, 0x01, 0, 0, 0, 0, 0x02, 0, 0}, DataDirection::kIn, log).status, 0);
  EXPECT_EQ(b.nvme->commands.back().data.size(), 512u);
  EXPECT_EQ(log[3], 100);  // available spare from the health log

  // Firmware Image Download: the data is written to buffer 1.
  packet = Packet({0x11}, 0);
  ASSERT_EQ(b.Run(kWritePacket, DataDirection::kOut, packet).status, 0);
  Bytes image(1024, 0x3C);
  ASSERT_EQ(b.Run({0x3B, 0xFF, 0x01, 0, 0, 0, 0, 0x04, 0, 0}, DataDirection::kOut, image).status,
            0);
  EXPECT_EQ(b.nvme->dataOut.back(), image);

  // A command without data reads two sectors of zeros.
  packet = Packet({0xC0}, 0);
  ASSERT_EQ(b.Run(kWritePacket, DataDirection::kOut, packet).status, 0);
  Bytes scratch(1024, 0xEE);
  ASSERT_EQ(b.Run({0x3C, 0xFF, 0x01, 0, 0, 0, 0, 0x04, 0, 0}, DataDirection::kIn, scratch).status,
            0);
  EXPECT_EQ(scratch, Bytes(1024, 0));
  EXPECT_TRUE(b.nvme->commands.back().data.empty());
  EXPECT_EQ(b.nvme->commands.back().direction, DataDirection::kNone);
}

TEST(UsbNvmeBridge, GpioQueriesAnswerReadySlotAndBridgeString) {
  Bench b;
  Bytes answer(1024);
  for (uint8_t index : {4, 6, 7}) {
    Bytes packet = Packet({}, index);
    ASSERT_EQ(b.Run(kWritePacket, DataDirection::kOut, packet).status, 0);
    ASSERT_EQ(b.Run({0x3C, 0xFF, 0x01, 0, 0, 0, 0, 0x04, 0, 0}, DataDirection::kIn, answer).status,
              0);
    EXPECT_EQ(std::string(answer.begin(), answer.begin() + 4), "GPIO");
    if (index == 4) {
      EXPECT_EQ(answer[4], 0x01);
    } else if (index == 6) {
      EXPECT_EQ(answer[4], 0x05);
    } else {
      EXPECT_EQ(std::string(answer.begin() + 13, answer.begin() + 19), "NV0001");
    }
  }
  EXPECT_TRUE(b.nvme->commands.empty());  // GPIO never reaches the controller
  // One sector is enough for the location variant.
  Bytes packet = Packet({}, 6);
  ASSERT_EQ(b.Run(kWritePacket, DataDirection::kOut, packet).status, 0);
  Bytes one(512);
  const ScsiResult r = b.Run({0x3C, 0xFF, 0x01, 0, 0, 0, 0, 0x02, 0, 0}, DataDirection::kIn, one);
  EXPECT_EQ(r.bytesTransferred, 512u);
  EXPECT_EQ(one[4], 0x05);
}

TEST(UsbNvmeBridge, OutOfOrderTransfersAreRefused) {
  Bench b;
  Bytes buf(1024);
  // Status before any command: "NVMe" without the completed bit.
  ASSERT_EQ(b.Run(kReadStatus, DataDirection::kIn, buf).status, 0);
  EXPECT_EQ(std::string(buf.begin(), buf.begin() + 4), "NVMe");
  EXPECT_EQ(buf[4], 0x00);
  EXPECT_EQ(b.Run({0x3C, 0xFF, 0x01, 0, 0, 0, 0, 0x04, 0, 0}, DataDirection::kIn, buf).sense,
            kSequenceError);
  EXPECT_EQ(b.Run({0x3B, 0xFF, 0x01, 0, 0, 0, 0, 0x04, 0, 0}, DataDirection::kOut, buf).sense,
            kSequenceError);
  // Other buffer modes and a packet too short to hold the queue byte.
  const ScsiResult mode =
      b.Run({0x3C, 0x02, 0x02, 0, 0, 0, 0, 0x04, 0, 0}, DataDirection::kIn, buf);
  EXPECT_EQ(mode.sense[12], 0x24);
  const ScsiResult shortPacket =
      b.Run({0x3B, 0xFF, 0x00, 0, 0, 0, 0, 0, 0x20, 0}, DataDirection::kOut, buf);
  EXPECT_EQ(shortPacket.sense[12], 0x24);
}

TEST(UsbNvmeBridge, ScsiReadsBecomeNvmeReadsOfNamespaceOne) {
  Bench b;
  Bytes sector(512, 0x42);
  ASSERT_TRUE(b.media->Write(0x10, 1, sector.data()));
  Bytes in(1024);
  ASSERT_EQ(
      b.Run({0x28, 0x04, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x02, 0x00}, DataDirection::kIn, in)
          .status,
      0);
  const NvmeSubmission& s = b.nvme->commands.back();
  EXPECT_FALSE(s.admin);
  EXPECT_EQ(s.opcode, 0x02);
  EXPECT_EQ(s.nsid, 1u);
  EXPECT_EQ(s.cdw[0], 0x10u);
  EXPECT_EQ(s.cdw[1], 0u);
  EXPECT_EQ(s.cdw[2], 1u);  // zero-based count
  EXPECT_EQ(Bytes(in.begin(), in.begin() + 512), sector);
  Bytes cap(8);
  ASSERT_EQ(b.Run({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, DataDirection::kIn, cap).status, 0);
  EXPECT_EQ(cap, (Bytes{0x00, 0x00, 0x3F, 0xFF, 0x00, 0x00, 0x02, 0x00}));
  // SAT is not spoken here.
  EXPECT_EQ(
      b.Run({0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0}, DataDirection::kIn, in)
          .sense[12],
      0x20);
}

}  // namespace
}  // namespace lab
