// The sector-based vendor protocol on a scripted drive: detect, mode query,
// the data-in and data-out exchanges and their failures, byte for byte.
#include <gtest/gtest.h>

#include "controller/sata/vk4540lt.h"
#include "vendor_script.h"

namespace controller {
namespace {

using namespace vendortest;

class Exchange : public ::testing::Test {
 protected:
  Exchange() : dev(sos) {
    OpenDrive(sos, dev, device::STORAGE_PHYSICAL | device::STORAGE_ATA);
    // Bind without attach: the exchanges only need the device.
    hba.Bind(&dev);
  }

  struct Hba : VK4540LT {
    void Bind(device::StorageDevice* d) { device_ = d; }
  };

  ScriptedOs sos;
  device::StorageDevice dev;
  Hba hba;
};

TEST_F(Exchange, DetectReadsTheFiveLbasInOrderAndKnowsBothFamilies) {
  // The task files below are the five detect LBAs as READ DMA, written out.
  ReadDma(sos, {0x00, 0x01, 0xAA, 0x00, 0x00, 0xE0, 0xC8}, Sector(0));
  ReadDma(sos, {0x00, 0x01, 0x00, 0xAA, 0x00, 0xE0, 0xC8}, Sector(0));
  ReadDma(sos, {0x00, 0x01, 0x55, 0x00, 0x00, 0xE0, 0xC8}, Sector(0));
  ReadDma(sos, {0x00, 0x01, 0x00, 0x55, 0x00, 0xE0, 0xC8}, Sector(0));
  ReadDma(sos, {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, SectorWith(46, "VK4620XA"));
  Bytes mode(512, 0xEE);
  EXPECT_EQ(hba.Detect(mode), 0);
  EXPECT_EQ(hba.DetectedName(), "VK4620XA");
  EXPECT_EQ(mode, SectorWith(46, "VK4620XA"));

  ExpectDetect(sos, SectorWith(46, "VK4610XT"));
  EXPECT_EQ(hba.Detect(mode), 0);
  EXPECT_EQ(hba.DetectedName(), "VK4610XT");
}

TEST_F(Exchange, AnotherNameIsRecognisedOnlyThroughTheComparisonName) {
  ExpectDetect(sos, SectorWith(46, "VK4630AA"));
  Bytes mode(512);
  EXPECT_EQ(hba.Detect(mode), -10);
  EXPECT_EQ(hba.DetectedName(), "VK4630AA");

  hba.SetControllerName("VK4630", 6);
  ExpectDetect(sos, SectorWith(46, "VK4630AA"));
  EXPECT_EQ(hba.Detect(mode), 0);
  EXPECT_EQ(hba.DetectedName(), "VK4630");

  // An empty comparison name recognises nothing but the two families.
  hba.SetControllerName("", 0);
  ExpectDetect(sos, SectorWith(46, "XYZ"));
  EXPECT_EQ(hba.Detect(mode), -10);
}

TEST_F(Exchange, DetectStopsAtTheFailedReadAndReportsItsPosition) {
  ReadDma(sos, ReadAt0xAA(), Sector(0));
  ReadDma(sos, ReadAt0xAA00(), Sector(0));
  ReadDma(sos, ReadAt0x55(), Sector(0), /*fail=*/true);
  Bytes mode(512);
  EXPECT_EQ(hba.Detect(mode), -3);

  ReadDma(sos, ReadAt0xAA(), Sector(0), true);
  EXPECT_EQ(hba.Detect(mode), -1);
}

TEST_F(Exchange, ModeQueryReadsTheModeText) {
  struct Case {
    const char* text;
    int mode;
  } cases[] = {{"ISP", 2}, {"MPISP", 1}, {"ROMDE", 3}, {"NORMAL", 0}, {"", 0}};
  for (const Case& c : cases) {
    Bytes sector = SectorWith(46, "VK4620XT");
    std::copy(c.text, c.text + std::strlen(c.text), sector.begin());
    ExpectDetect(sos, sector);
    int mode = -1;
    Bytes copy(512);
    EXPECT_EQ(hba.ModeQuery(&mode, copy), 0) << c.text;
    EXPECT_EQ(mode, c.mode) << c.text;
    EXPECT_EQ(copy, sector);
  }
}

// A memory read of 600 bytes at 0x10001150 in the long layout: the whole
// exchange, every transfer written out.
TEST_F(Exchange, DataInExchangeRunsTheWholeSequenceAndRestoresTheCommandSector) {
  const Bytes saved = Sector(0x3C);
  Bytes data(1024);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);

  Bytes block(512, 0);
  const uint8_t head[] = {0xF0, 0x2A, 0x10, 0x00, 0x11, 0x50, 0x00, 0x01};
  std::copy(std::begin(head), std::end(head), block.begin());

  Bytes commandWritten, restored;
  ReadDma(sos, {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, saved);  // save the command sector
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xCA}, &commandWritten);
  ReadDma(sos, {0x00, 0x02, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, data);   // 2 sectors for 600 bytes
  ReadDma(sos, {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, block);  // the echo
  WriteDma(sos, {0x00, 0x01, 0xAA, 0x55, 0x00, 0xE0, 0xCA}, &restored);

  Bytes out(600, 0xEE);
  EXPECT_EQ(hba.ReadMemory(0x10001150, out, /*longLayout=*/true), 0);
  EXPECT_EQ(commandWritten, block);
  EXPECT_EQ(restored, saved);
  EXPECT_EQ(out, Bytes(data.begin(), data.begin() + 600));
}

TEST_F(Exchange, ShortLayoutPutsAddressAndCountFurtherOn) {
  Bytes block(512, 0);
  const uint8_t head[] = {0xF0, 0x2A, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x02};
  std::copy(std::begin(head), std::end(head), block.begin());
  Bytes commandWritten;
  ReadDma(sos, ReadAt0x55AA(), Sector(0));
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x55AA(), &commandWritten);
  ReadDma(sos, {0x00, 0x02, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, Sector(1));
  ReadDma(sos, ReadAt0x55AA(), Sector(0));  // no echo: nothing restored
  Bytes out(1024);
  EXPECT_EQ(hba.ReadMemory(0x800, out, false), 0);
  EXPECT_EQ(commandWritten, block);
}

// The data phase failed but the command LBA still echoes the block: the
// saved sector goes back, and the caller hears that its data never came.
TEST_F(Exchange, FailedDataPhaseIsReportedEvenWhenTheBlockEchoes) {
  const Bytes saved = Sector(0x11);
  Bytes commandWritten, restored;
  ReadDma(sos, ReadAt0x55AA(), saved);
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x55AA(), &commandWritten);
  ReadDma(sos, {0x00, 0x02, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, {}, /*fail=*/true);
  Bytes echo(512, 0xFF);  // only the first 16 bytes are compared
  std::fill(echo.begin(), echo.begin() + 16, 0);
  echo[0] = 0xF0;
  echo[1] = 0x04;
  echo[11] = 0x02;
  ReadDma(sos, ReadAt0x55AA(), echo);
  WriteDma(sos, WriteAt0x55AA(), &restored);

  Bytes out(1024, 0xEE);
  EXPECT_EQ(hba.ReadParameterBlock(out), -7);
  EXPECT_EQ(restored, saved);
  ASSERT_GE(commandWritten.size(), 12u);
  EXPECT_EQ(commandWritten[0], 0xF0);
  EXPECT_EQ(commandWritten[1], 0x04);
  EXPECT_EQ(commandWritten[11], 0x02);  // 1024 bytes = 2 sectors, short layout
}

TEST_F(Exchange, NoEchoMeansNoRestoreAndTheResultOfTheDataPhase) {
  ReadDma(sos, ReadAt0x55AA(), Sector(0x22));
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x55AA(), nullptr);
  ReadDma(sos, {0x00, 0x20, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, Sector(9));  // 16384 bytes
  ReadDma(sos, ReadAt0x55AA(), Sector(0x22));
  Bytes flash(16384);
  EXPECT_EQ(hba.ReadFlashInfo(flash), 0);
  EXPECT_EQ(flash[0], 9);
}

// Without a saved copy of the command sector nothing is written back, even
// when the block echoes: zeroes would replace the sector's data.
TEST_F(Exchange, UnreadableCommandSectorIsNeverOverwrittenOnRestore) {
  ReadDma(sos, ReadAt0x55AA(), {}, /*fail=*/true);
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x55AA(), nullptr);
  Bytes echo(512, 0);
  echo[0] = 0xF0;
  echo[1] = 0x2C;
  echo[2] = 0x01;
  ReadDma(sos, ReadAt0x55AA(), echo);
  EXPECT_EQ(hba.SwitchMode(1), 0);
}

TEST_F(Exchange, FailedDetectOrCommandWriteLeavesVendorModeThroughLba0x1234) {
  ReadDma(sos, ReadAt0x55AA(), Sector(0));
  ReadDma(sos, ReadAt0xAA(), Sector(0));
  ReadDma(sos, ReadAt0xAA00(), Sector(0), true);
  ReadDma(sos, {0x00, 0x01, 0x34, 0x12, 0x00, 0xE0, 0xC8}, Sector(0));
  Bytes out(512);
  EXPECT_EQ(hba.ReadMemory(0, out, true), -2);

  ReadDma(sos, ReadAt0x55AA(), Sector(0));
  ExpectDetect(sos, SectorWith(46, "OTHERCTL"));
  ReadDma(sos, ReadAt0x1234(), Sector(0));
  EXPECT_EQ(hba.ReadMemory(0, out, true), -10);

  ReadDma(sos, ReadAt0x55AA(), Sector(0));
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x55AA(), nullptr, true);
  ReadDma(sos, ReadAt0x1234(), Sector(0));
  EXPECT_EQ(hba.ReadMemory(0, out, true), -6);
}

// F1 2B: the data goes to the command LBA, padded to whole sectors.
TEST_F(Exchange, DataOutExchangeWritesTheDataToTheCommandLba) {
  Bytes block(512, 0);
  const uint8_t head[] = {0xF1, 0x2B, 0x00, 0x00, 0x50, 0x00, 0x00, 0x60, 0x00, 0x00, 0x00, 0x01};
  std::copy(std::begin(head), std::end(head), block.begin());
  Bytes payload(700);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i);

  Bytes commandWritten, dataWritten;
  ReadDma(sos, ReadAt0x55AA(), Sector(0x5A));
  ExpectDetect(sos, Vk4620ModeSector());
  WriteDma(sos, WriteAt0x55AA(), &commandWritten);
  WriteDma(sos, {0x00, 0x02, 0xAA, 0x55, 0x00, 0xE0, 0xCA}, &dataWritten);
  ReadDma(sos, ReadAt0x55AA(), block);
  WriteDma(sos, WriteAt0x55AA(), nullptr);
  EXPECT_EQ(hba.WriteMemory(0x50000060, payload, false), 0);
  EXPECT_EQ(commandWritten, block);
  Bytes expected = payload;
  expected.resize(1024, 0);
  EXPECT_EQ(dataWritten, expected);
}

TEST_F(Exchange, StatusBlockUsesSubOpcode57WithTheFlagAnd54Without) {
  for (bool flag : {true, false}) {
    Bytes commandWritten;
    ReadDma(sos, ReadAt0x55AA(), Sector(0));
    ExpectDetect(sos, Vk4620ModeSector());
    WriteDma(sos, WriteAt0x55AA(), &commandWritten);
    ReadDma(sos, {0x00, 0x02, 0xAA, 0x55, 0x00, 0xE0, 0xC8}, Sector(0x77));
    ReadDma(sos, ReadAt0x55AA(), Sector(0));
    Bytes out(1024);
    EXPECT_EQ(hba.ReadStatusBlock(out, flag), 0);
    ASSERT_EQ(commandWritten.size(), 512u);
    Bytes expectedBlock(512, 0);  // no address, no sector count
    expectedBlock[0] = 0xF0;
    expectedBlock[1] = flag ? 0x57 : 0x54;
    EXPECT_EQ(commandWritten, expectedBlock);
    EXPECT_EQ(out[100], 0x77);
  }
}

TEST_F(Exchange, ClosedHandleIsOpenedWithoutForceForTheExchangeAndClosedAfter) {
  CloseScripted(sos, dev);
  sos.ExpectOpen("\\\\.\\PHYSICALDRIVE1", os::INVALID_HANDLE_VALUE).Fail(os::ERROR_ACCESS_DENIED);
  Bytes out(512);
  EXPECT_EQ(hba.ReadMemory(0, out, true), -12);

  sos.ExpectOpen("\\\\.\\PHYSICALDRIVE1", Handle());
  ReadDma(sos, ReadAt0x55AA(), Sector(0));
  ReadDma(sos, ReadAt0xAA(), Sector(0), true);
  ReadDma(sos, ReadAt0x1234(), Sector(0));
  sos.ExpectClose(Handle());
  EXPECT_EQ(hba.ReadMemory(0, out, true), -1);
  EXPECT_FALSE(dev.IsOpen());
}

// Drives reached only through SCSI (USB bridges without ATA pass-through)
// carry the protocol in READ(10) / WRITE(10).
TEST_F(Exchange, WithoutAtaTheSectorsTravelAsRead10AndWrite10) {
  dev.devAttribute = device::STORAGE_PHYSICAL | device::STORAGE_SCSI;
  Bytes written;
  ExpectScsi(sos, Handle(), {0x28, 0x04, 0x00, 0x00, 0x55, 0xAA, 0x00, 0x00, 0x01, 0x00}, 1, 512,
             Good(Sector(0x44)));
  ExpectScsi(sos, Handle(), {0x2A, 0x04, 0x00, 0x00, 0x07, 0x89, 0x00, 0x00, 0x02, 0x00}, 0, 1024,
             {}, CaptureOut(&written));
  Bytes buf(512);
  EXPECT_EQ(hba.ReadSectors(0x55AA, 1, buf), 0);
  EXPECT_EQ(buf, Sector(0x44));
  Bytes two(1024, 0x99);
  EXPECT_EQ(hba.WriteSectors(0x789, 2, two), 0);
  EXPECT_EQ(written, two);

  ExpectScsi(sos, Handle(), {0x28, 0x04, 0x00, 0x00, 0x12, 0x34, 0x00, 0x00, 0x01, 0x00}, 1, 512,
             DriverError());
  EXPECT_EQ(hba.ReadSectors(0x1234, 1, buf), -127);
}

TEST_F(Exchange, DataPhaseLongerThanTheProtocolCarriesIsRefusedUntouched) {
  Bytes huge(257 * 512);
  EXPECT_EQ(hba.ReadMemory(0, huge, true), -7);
  EXPECT_EQ(sos.Calls().size(), 0u);
}

}  // namespace
}  // namespace controller
