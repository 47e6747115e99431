#include <gtest/gtest.h>

#include "device/ata/ata_commands.h"
#include "device/ata/ata_pass_thru.h"
#include "support/scripted_drive.h"
#include "support/scripted_requests.h"

namespace device {
namespace {

using namespace testsupport;

struct AtaFixture : ::testing::Test {
  AtaFixture() : dev(sos) {
    dev.devAttribute = STORAGE_ATA | STORAGE_PHYSICAL;
    HoldOpen(sos, dev, H(1));
    dev.devTimeout = 20;
    sos.Trace().SetCapture(true);
  }
  void UseSatBridge() { dev.devAttribute = STORAGE_ATA | STORAGE_SCSI_ATAPI | STORAGE_PHYSICAL; }
  ScriptedOs sos;
  StorageDevice dev;
};

TEST_F(AtaFixture, DirectIdentifySendsTheTaskFileAndCopiesTheDataBack) {
  Bytes identify(512);
  for (size_t i = 0; i < identify.size(); ++i) identify[i] = static_cast<uint8_t>(i);
  ExpectAta(sos, H(1), 0x03, {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xEC}, 512, AtaGood(identify),
            [](const os::ATA_PASS_THROUGH_DIRECT& b) {
              EXPECT_EQ(b.TimeOutValue, 20u);
              EXPECT_EQ(Bytes(b.PreviousTaskFile, b.PreviousTaskFile + 8), Bytes(8, 0));
            });
  Bytes out(512, 0);
  EXPECT_TRUE(AtaIdentifyDevice(dev, out));
  EXPECT_EQ(out, identify);
}

TEST_F(AtaFixture, AnErrorStatusFailsTheCommandAndNoDataIsCopied) {
  ExpectAta(sos, H(1), 0x03, {0xD0, 0x01, 0x01, 0x4F, 0xC2, 0xA0, 0xB0}, 512, [] {
    AtaReply r = AtaStatus(0x51, 0x04);
    r.data = Bytes(512, 0xAB);
    return r;
  }());
  Bytes out(512, 0);
  EXPECT_FALSE(AtaSmartReadData(dev, out));
  EXPECT_EQ(out, Bytes(512, 0));
  EXPECT_TRUE(sos.Trace().Contains("[VKM_DEBUG] AtaPassThru: Error = 0x0\n"));

  ExpectAta(sos, H(1), 0x01, {0xD8, 0x00, 0x00, 0x4F, 0xC2, 0xA0, 0xB0}, 0);
  EXPECT_TRUE(AtaSmartEnableOperations(dev));
  // IDENTIFY and the SMART reads need a buffer.
  EXPECT_FALSE(AtaIdentifyDevice(dev, {}));
  EXPECT_FALSE(AtaSmartReadData(dev, {}));
  EXPECT_FALSE(AtaSmartReadThresholds(dev, {}));
}

TEST_F(AtaFixture, SmartReadThresholdsIsFeatureD1OfTheSmartCommand) {
  Bytes thresholds(512, 0);
  thresholds[2] = 0x05;
  thresholds[3] = 0x0A;
  ExpectAta(sos, H(1), 0x03, {0xD1, 0x01, 0x01, 0x4F, 0xC2, 0xA0, 0xB0}, 512, AtaGood(thresholds));
  Bytes out(512, 0);
  EXPECT_TRUE(AtaSmartReadThresholds(dev, out));
  EXPECT_EQ(out, thresholds);
}

TEST_F(AtaFixture, DataWithoutADirectionFlagIsRefusedWithoutACommand) {
  os::ATA_PASS_THROUGH_DIRECT block{};
  block.CurrentTaskFile[6] = 0xEC;
  Bytes data(512);
  EXPECT_FALSE(AtaPassThru(dev, data, block, true));
  EXPECT_TRUE(sos.Calls().empty());
}

TEST_F(AtaFixture, SectorReadsAndWritesUseTwentyEightBitRegisters) {
  Bytes data(2 * 512, 0x11);
  ExpectAta(sos, H(1), 0x13, {0x00, 0x02, 0x78, 0x56, 0x34, 0xE2, 0xC8}, 1024, AtaGood(data));
  Bytes in(1024, 0);
  EXPECT_TRUE(AtaReadSectors(dev, 0x12345678, 2, in, true));
  EXPECT_EQ(in, data);

  Bytes written;
  ExpectAta(sos, H(1), 0x25, {0x00, 0x01, 0x10, 0x00, 0x00, 0xE0, 0x30}, 512, AtaGood(),
            [&](const os::ATA_PASS_THROUGH_DIRECT& b) {
              const uint8_t* p = static_cast<const uint8_t*>(b.DataBuffer);
              written.assign(p, p + b.DataTransferLength);
            });
  EXPECT_TRUE(AtaWriteSectors(dev, 0x10, 1, Bytes(512, 0x66), false));
  EXPECT_EQ(written, Bytes(512, 0x66));

  // 0x100 sectors: the count register takes the low 8 bits, the length 24.
  Bytes big(0x100 * 512);
  ExpectAta(sos, H(1), 0x23, {0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x20}, 0x100 * 512);
  EXPECT_TRUE(AtaReadSectors(dev, 0, 0x100, big, false));
}

TEST_F(AtaFixture, DownloadMicrocodeRegistersBySubcommand) {
  Bytes image(4 * 512, 0x42);
  ExpectAta(sos, H(1), 0x25, {0x03, 0x04, 0x00, 0x10, 0x00, 0xE0, 0x92}, 2048, [] {
    AtaReply r = AtaStatus(0x50, 0);
    return r;
  }());
  AtaRegisters result;
  EXPECT_TRUE(AtaDownloadMicrocode(dev, 0x03, 0x10, 4, image, false, &result));
  EXPECT_EQ(result.command, 0x50u);  // status
  EXPECT_EQ(result.count, 0x04u);

  ExpectAta(sos, H(1), 0x15, {0x0E, 0x00, 0x01, 0x34, 0x12, 0xE0, 0x93}, 0x100 * 512);
  Bytes chunk(0x100 * 512);
  EXPECT_TRUE(AtaDownloadMicrocode(dev, 0x0E, 0x1234, 0x100, chunk, true, nullptr));

  // Activation: no data, count and offset registers 0.
  ExpectAta(sos, H(1), 0x01, {0x0F, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x92}, 0);
  EXPECT_TRUE(AtaDownloadMicrocode(dev, 0x0F, 0x10, 4, image, false, &result));
  // Without a buffer it fails at once, also for activation.
  EXPECT_FALSE(AtaDownloadMicrocode(dev, 0x0F, 0, 0, {}, false, &result));
}

TEST_F(AtaFixture, FortyEightBitGenericCommandsFillThePreviousTaskFile) {
  AtaRegisters regs{0x00, 0x01, 0x11, 0x22, 0x33, 0x40, 0x25};
  const AtaRegisters prev{0x00, 0x00, 0x44, 0x55, 0x66, 0, 0};
  ExpectAta(sos, H(1), 0x1B, {0x00, 0x01, 0x11, 0x22, 0x33, 0x40, 0x25}, 512, AtaGood(),
            [](const os::ATA_PASS_THROUGH_DIRECT& b) {
              EXPECT_EQ(Bytes(b.PreviousTaskFile, b.PreviousTaskFile + 5),
                        Bytes({0x00, 0x00, 0x44, 0x55, 0x66}));
            });
  Bytes buffer(512);
  EXPECT_TRUE(AtaGenericDataIn(dev, regs, prev, 1, buffer, true, true));
  EXPECT_EQ(regs.command, 0x50u);
}

TEST_F(AtaFixture, SecurityCommandsReturnZeroOnSuccessAndOneOtherwise) {
  Bytes block(512, 0);
  block[2] = 'p';
  ExpectAta(sos, H(1), 0x25, {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xF1}, 512);
  EXPECT_EQ(AtaSecuritySetPassword(dev, block), 0);
  ExpectAta(sos, H(1), 0x21, {0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0xF3}, 0);
  EXPECT_EQ(AtaSecurityErasePrepare(dev), 0);
  ExpectAta(sos, H(1), 0x25, {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0xF4}, 512,
            AtaStatus(0x51, 0x04));
  EXPECT_EQ(AtaSecurityEraseUnit(dev, block), 1);
  // Not an ATA drive: refused without a request.
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  EXPECT_EQ(AtaSecurityErasePrepare(dev), 1);
  EXPECT_EQ(AtaSecuritySetPassword(dev, block), 1);
}

TEST_F(AtaFixture, OnASatBridgeReadDmaIsWrappedInAtaPassThrough16) {
  UseSatBridge();
  Bytes data(512, 0x5C);
  ExpectScsi(sos, H(1),
             {0x85, 0x15, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x78, 0x00, 0x56, 0x00, 0x34, 0xE2,
              0xC8, 0x00},
             1, 512, CheckCondition(AtaReturnSense(0x00, 0x00, 0xE2, 0x50), data));
  Bytes in(512, 0);
  EXPECT_TRUE(AtaReadSectors(dev, 0x02345678, 1, in, true));
  EXPECT_EQ(in, data);
}

TEST_F(AtaFixture, OnASatBridgeWritesAndNonDataCommandsUseTheirProtocols) {
  UseSatBridge();
  ExpectScsi(sos, H(1),
             {0x85, 0x0A, 0x26, 0x00, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0xE0,
              0x30, 0x00},
             0, 512, CheckCondition(AtaReturnSense(0, 0, 0xE0, 0x50)));
  EXPECT_TRUE(AtaWriteSectors(dev, 5, 1, Bytes(512), false));
  ExpectScsi(sos, H(1),
             {0x85, 0x06, 0x20, 0x00, 0xD8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0xA0,
              0xB0, 0x00},
             0, 0, CheckCondition(AtaReturnSense(0, 0, 0xA0, 0x50)));
  EXPECT_TRUE(AtaSmartEnableOperations(dev));
}

TEST_F(AtaFixture, OnASatBridgeTheReturnedRegistersComeFromTheSenseDescriptor) {
  UseSatBridge();
  AtaRegisters regs{0x00, 0x01, 0x11, 0x22, 0x33, 0x40, 0x24};
  const AtaRegisters prev{0x01, 0x02, 0x44, 0x55, 0x66, 0, 0};
  ExpectScsi(sos, H(1),
             {0x85, 0x09, 0x0E, 0x01, 0x00, 0x02, 0x01, 0x44, 0x11, 0x55, 0x22, 0x66, 0x33, 0x40,
              0x24, 0x00},
             1, 512, CheckCondition(AtaReturnSense(0x00, 0x07, 0x41, 0x50)));
  Bytes buffer(512);
  EXPECT_TRUE(AtaGenericDataIn(dev, regs, prev, 1, buffer, false, true));
  EXPECT_EQ(regs.features, 0x00u);
  EXPECT_EQ(regs.count, 0x07u);
  EXPECT_EQ(regs.device, 0x41u);
  EXPECT_EQ(regs.command, 0x50u);
  EXPECT_EQ(regs.lbaLow, 0x11u);  // LBA registers stay as sent
  EXPECT_EQ(regs.lbaHigh, 0x33u);

  // An ERR status in the descriptor fails the command.
  ExpectScsi(sos, H(1),
             {0x85, 0x06, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0,
              0xF3, 0x00},
             0, 0, CheckCondition(AtaReturnSense(0x04, 0, 0xE0, 0x51)));
  EXPECT_EQ(AtaSecurityErasePrepare(dev), 1);
}

TEST_F(AtaFixture, AClosedHandleIsOpenedForTheCommandWithTheForceFlag) {
  CloseScripted(sos, dev);
  SetPath(dev, "\\\\.\\PHYSICALDRIVE2");
  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE2", H(3));
  ExpectAta(sos, H(3), 0x25, {0x00, 0x01, 0x00, 0x00, 0x00, 0xE0, 0x30}, 512);
  sos.ExpectClose(H(3));
  EXPECT_TRUE(AtaWriteSectors(dev, 0, 1, Bytes(512), false));
  EXPECT_FALSE(dev.IsOpen());
  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE2", os::INVALID_HANDLE_VALUE)
      .Fail(os::ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(AtaSmartEnableOperations(dev));
}

}  // namespace
}  // namespace device
