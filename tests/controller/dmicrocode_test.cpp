// The microcode download engine on a scripted drive: chunking, the
// DOWNLOAD MICROCODE task files, the download-state checks and the traces.
#include <gtest/gtest.h>

#include "controller/sata/vk4540lt.h"
#include "vendor_script.h"

namespace controller {
namespace {

using namespace vendortest;

// IDENTIFY DEVICE data with the words the engine consults.
Bytes Identify(bool download, bool dma, bool offsets, uint16_t minBlocks, uint16_t maxBlocks) {
  Bytes id(512, 0);
  if (dma) id[69 * 2 + 1] |= 0x01;   // word 69 bit 8
  if (download) id[83 * 2] |= 0x01;  // word 83 bit 0
  if (offsets) id[119 * 2] |= 0x10;  // word 119 bit 4
  id[234 * 2] = static_cast<uint8_t>(minBlocks);
  id[234 * 2 + 1] = static_cast<uint8_t>(minBlocks >> 8);
  id[235 * 2] = static_cast<uint8_t>(maxBlocks);
  id[235 * 2 + 1] = static_cast<uint8_t>(maxBlocks >> 8);
  return id;
}

Bytes Image(uint32_t blocks) {
  Bytes image(blocks * 512);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i / 512 + 1);
  return image;
}

AtaReply State(int count) {
  AtaReply r;
  r.count = count;
  return r;
}

class DMicrocodeTest : public ::testing::Test {
 protected:
  DMicrocodeTest() : dev(sos) {
    OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_ATA);
    hba.Bind(&dev);
    sos.Trace().SetCapture(true);
  }

  struct Hba : VK4540LT {
    void Bind(device::StorageDevice* d) { device_ = d; }
  };

  std::vector<std::string> EngineLines() {
    std::vector<std::string> lines;
    for (const std::string& l : sos.Trace().Captured())
      if (l.find("DMicrocode") != std::string::npos) lines.push_back(l);
    return lines;
  }

  ScriptedOs sos;
  device::StorageDevice dev;
  Hba hba;
};

// Subcommand 7, 10 blocks in chunks of 4: 4, 4 and 2 blocks at offsets 0, 4
// and 8 (PIO, flags 0x25), and the count register is never judged.
TEST_F(DMicrocodeTest, WholeDownloadSendsChunksAndIgnoresTheDownloadState) {
  const Bytes image = Image(10);
  Bytes c1, c2, c3;
  ExpectAta(sos, Handle(), 0x25, {0x07, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, State(7),
            CaptureAtaOut(&c1));
  ExpectAta(sos, Handle(), 0x25, {0x07, 0x04, 0x00, 0x04, 0x00, 0xE0, 0x92}, 2048, State(0),
            CaptureAtaOut(&c2));
  ExpectAta(sos, Handle(), 0x25, {0x07, 0x02, 0x00, 0x08, 0x00, 0xE0, 0x92}, 1024, State(1),
            CaptureAtaOut(&c3));
  EXPECT_EQ(hba.DMicrocode(0x07, 10, 4, image, Identify(true, false, false, 0, 0), false, true), 0);
  EXPECT_EQ(c1, Bytes(image.begin(), image.begin() + 2048));
  EXPECT_EQ(c2, Bytes(image.begin() + 2048, image.begin() + 4096));
  EXPECT_EQ(c3, Bytes(image.begin() + 4096, image.end()));
  EXPECT_EQ(EngineLines(),
            (std::vector<std::string>{
                "[VKM_DEBUG] DMicrocode: Step1 TotalSize = 6, DMStatus = 0, SubCMD = 7, "
                "StatusRegister[1] = 7\n",
                "[VKM_DEBUG] DMicrocode: Step1 TotalSize = 2, DMStatus = 0, SubCMD = 7, "
                "StatusRegister[1] = 0\n",
                "[VKM_DEBUG] DMicrocode: Step1 TotalSize = 0, DMStatus = 0, SubCMD = 7, "
                "StatusRegister[1] = 1\n",
                "[VKM_DEBUG] DMicrocode: Step1 Done TotalSize = 0, DMStatus = 0, SubCMD = 7, "
                "StatusRegister[1] = 1\n"}));
}

// Subcommand 0x0E by DMA: the last chunk leaves the image saved (3), the
// activation 0x0F goes without data and the drive then reports 2.
TEST_F(DMicrocodeTest, DeferredDownloadIsActivatedWhenTheDriveWaitsForIt) {
  const Bytes image = Image(8);
  ExpectAta(sos, Handle(), 0x15, {0x0E, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x93}, 2048, State(1));
  ExpectAta(sos, Handle(), 0x15, {0x0E, 0x04, 0x00, 0x04, 0x00, 0xE0, 0x93}, 2048, State(3));
  ExpectAta(sos, Handle(), 0x01, {0x0F, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x93}, 0, State(2));
  EXPECT_EQ(hba.DMicrocode(0x0E, 8, 4, image, Identify(true, true, false, 2, 4), true, true), 0);
  const auto lines = EngineLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3], "[VKM_DEBUG] DMicrocode: Step2 Done DMStatus = 0, StatusRegister[1] = 2\n");
}

TEST_F(DMicrocodeTest, ActivationThatDoesNotApplyOrIsNotAskedFor) {
  const Bytes image = Image(4);
  const Bytes id = Identify(true, false, false, 1, 8);
  ExpectAta(sos, Handle(), 0x25, {0x0E, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, State(3));
  ExpectAta(sos, Handle(), 0x01, {0x0F, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x92}, 0, State(3));
  EXPECT_EQ(hba.DMicrocode(0x0E, 4, 4, image, id, false, true), 7);

  // Without the activate flag the saved image waits; that is success.
  ExpectAta(sos, Handle(), 0x25, {0x0E, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, State(3));
  EXPECT_EQ(hba.DMicrocode(0x0E, 4, 4, image, id, false, false), 0);

  ExpectAta(sos, Handle(), 0x25, {0x0E, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, State(3));
  AtaReply failed;
  failed.fail = true;
  ExpectAta(sos, Handle(), 0x01, {0x0F, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x92}, 0, failed);
  EXPECT_EQ(hba.DMicrocode(0x0E, 4, 4, image, id, false, true), 4);
}

TEST_F(DMicrocodeTest, DownloadStateMustFitThePositionInTheImage) {
  const Bytes image = Image(4);
  const Bytes id = Identify(true, false, true, 1, 8);
  // Subcommand 3 that ends with "saved, activation pending".
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x02, 0x00, 0x00, 0x00, 0xE0, 0x92}, 1024, State(1));
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x02, 0x00, 0x02, 0x00, 0xE0, 0x92}, 1024, State(3));
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 2, image, id, false, true), 7);
  EXPECT_EQ(EngineLines().back(),
            "[VKM_DEBUG] DMicrocode: Step1 Done TotalSize = 0, DMStatus = 7, SubCMD = 3, "
            "StatusRegister[1] = 3\n");

  // Subcommand 0x0E that ends with "applied".
  ExpectAta(sos, Handle(), 0x25, {0x0E, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, State(2));
  EXPECT_EQ(hba.DMicrocode(0x0E, 4, 4, image, id, false, true), 7);

  // Subcommand 3 applied at the end is right.
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, State(2));
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 4, image, id, false, true), 0);

  // "More expected" after the last chunk, "applied" too early, "no
  // indication" for 0x0E, and an unknown state all stop the download.
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, State(1));
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 4, image, id, false, true), 7);
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x02, 0x00, 0x00, 0x00, 0xE0, 0x92}, 1024, State(2));
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 2, image, id, false, true), 7);
  ExpectAta(sos, Handle(), 0x25, {0x0E, 0x02, 0x00, 0x00, 0x00, 0xE0, 0x92}, 1024, State(0));
  EXPECT_EQ(hba.DMicrocode(0x0E, 4, 2, image, id, false, true), 7);
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x02, 0x00, 0x00, 0x00, 0xE0, 0x92}, 1024, State(9));
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 2, image, id, false, true), 7);
  // "No indication" is fine for subcommand 3.
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x02, 0x00, 0x00, 0x00, 0xE0, 0x92}, 1024, State(0));
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x02, 0x00, 0x02, 0x00, 0xE0, 0x92}, 1024, State(2));
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 2, image, id, false, true), 0);
}

TEST_F(DMicrocodeTest, LastChunkBelowTheMinimumIsNotSent) {
  const Bytes image = Image(5);
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, State(1));
  EXPECT_EQ(hba.DMicrocode(0x03, 5, 4, image, Identify(true, false, true, 2, 8), false, true), 8);
  EXPECT_EQ(EngineLines().back(),
            "[VKM_DEBUG] DMicrocode: Step1 Done TotalSize = 1, DMStatus = 8, SubCMD = 3, "
            "StatusRegister[1] = 1\n");
}

TEST_F(DMicrocodeTest, RefusalsSendNothing) {
  const Bytes image = Image(4);
  const Bytes full = Identify(true, true, true, 1, 0x100);
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 0xFFFF, image, full, false, true), 3);
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 0, image, full, false, true), 3);
  EXPECT_EQ(hba.DMicrocode(0x0E, 4, 0x101, image, full, false, true), 3);
  EXPECT_EQ(hba.DMicrocode(0x0E, 4, 2, image, Identify(true, true, true, 3, 8), false, true), 3);
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 2, image, Identify(true, true, false, 1, 8), false, true), 2);
  EXPECT_EQ(hba.DMicrocode(0x07, 4, 2, image, Identify(false, true, true, 1, 8), false, true), 2);
  EXPECT_EQ(hba.DMicrocode(0x07, 4, 2, image, Identify(true, false, true, 1, 8), true, true), 2);
  EXPECT_EQ(hba.DMicrocode(0x05, 4, 2, image, full, false, true), 1);
  EXPECT_EQ(hba.DMicrocode(0x0F, 4, 2, image, full, false, true), 1);
  // A zero chunk for subcommand 7 would never finish.
  EXPECT_EQ(hba.DMicrocode(0x07, 4, 0, image, full, false, true), 3);
  // An image shorter than the total it claims.
  EXPECT_EQ(hba.DMicrocode(0x07, 5, 2, image, full, false, true), 9);
  EXPECT_TRUE(sos.Calls().empty());
}

TEST_F(DMicrocodeTest, Status51IsJudgedByTheAbortBit) {
  const Bytes image = Image(4);
  const Bytes id = Identify(true, false, true, 1, 8);
  AtaReply aborted;
  aborted.status = 0x51;
  aborted.error = 0x04;
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x04, 0x00, 0x00, 0x00, 0xE0, 0x92}, 2048, aborted);
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 4, image, id, false, true), 6);
  EXPECT_TRUE(sos.Trace().Contains("Step1 TotalSize = 0, DMStatus = 6, SubCMD = 3"));

  AtaReply error;
  error.status = 0x51;
  error.error = 0x10;
  ExpectAta(sos, Handle(), 0x25, {0x03, 0x02, 0x00, 0x00, 0x00, 0xE0, 0x92}, 1024, error);
  EXPECT_EQ(hba.DMicrocode(0x03, 4, 2, image, id, false, true), 5);
}

TEST_F(DMicrocodeTest, FailedRequestStopsWithoutAChunkLine) {
  const Bytes image = Image(4);
  AtaReply failed;
  failed.fail = true;
  ExpectAta(sos, Handle(), 0x25, {0x07, 0x02, 0x00, 0x00, 0x00, 0xE0, 0x92}, 1024, State(1));
  ExpectAta(sos, Handle(), 0x25, {0x07, 0x02, 0x00, 0x02, 0x00, 0xE0, 0x92}, 1024, failed);
  EXPECT_EQ(hba.DMicrocode(0x07, 4, 2, image, Identify(true, false, false, 0, 0), false, true), 4);
  EXPECT_EQ(EngineLines(),
            (std::vector<std::string>{
                "[VKM_DEBUG] DMicrocode: Step1 TotalSize = 2, DMStatus = 0, SubCMD = 7, "
                "StatusRegister[1] = 1\n",
                "[VKM_DEBUG] DMicrocode: Step1 Done TotalSize = 2, DMStatus = 4, SubCMD = 7, "
                "StatusRegister[1] = 1\n"}));
}

}  // namespace
}  // namespace controller
