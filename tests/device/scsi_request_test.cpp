#include "device/scsi/scsi_request.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "device/scsi/scsi_commands.h"
#include "support/scripted_drive.h"
#include "support/scripted_requests.h"

namespace device {
namespace {

using namespace testsupport;

struct ScsiFixture : ::testing::Test {
  ScsiFixture() : dev(sos) {
    dev.devAttribute = STORAGE_PHYSICAL;
    HoldOpen(sos, dev, H(1));
    dev.devTimeout = 15;
    dev.devTarget = 2;
    dev.devLun = 1;
    sos.Trace().SetCapture(true);
  }
  ScriptedOs sos;
  StorageDevice dev;
};

TEST_F(ScsiFixture, ThePassThroughBlockCarriesTheRequestBlockFields) {
  uint8_t data[8] = {};
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_IN, 10, data, sizeof data);
  srb.CDBByte[0] = 0x25;
  srb.CDBByte[12] = 0xAA;  // beyond the CDB length: never sent
  sos.ExpectIoctl(os::IOCTL_SCSI_PASS_THROUGH_DIRECT).On(H(1)).Check([&](const OsCall& c) {
    ASSERT_EQ(c.in.size(), sizeof(os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER));
    EXPECT_EQ(c.out.size(), c.in.size());
    const auto r = DecodeSptd(c);
    EXPECT_EQ(r.sptd.Length, sizeof(os::SCSI_PASS_THROUGH_DIRECT));
    EXPECT_EQ(r.sptd.ScsiStatus, 0);
    EXPECT_EQ(r.sptd.PathId, 0);
    EXPECT_EQ(r.sptd.TargetId, 2);
    EXPECT_EQ(r.sptd.Lun, 1);
    EXPECT_EQ(r.sptd.CdbLength, 10);
    EXPECT_EQ(r.sptd.SenseInfoLength, 32);
    EXPECT_EQ(r.sptd.DataIn, 1);
    EXPECT_EQ(r.sptd.DataTransferLength, 8u);
    EXPECT_EQ(r.sptd.TimeOutValue, 15u);
    EXPECT_EQ(r.sptd.DataBuffer, static_cast<void*>(data));
    EXPECT_EQ(r.sptd.SenseInfoOffset,
              offsetof(os::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf));
    EXPECT_EQ(Bytes(r.sptd.Cdb, r.sptd.Cdb + 16),
              Bytes({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  });
  EXPECT_EQ(ExecuteSCSIIO(dev, srb), SS_COMP);
  EXPECT_EQ(srb.SRB_TargStat, 0);
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] ExecuteSCSIIO: status = 1"));
}

TEST_F(ScsiFixture, ADeviceReachedOnlyThroughItsPortIsRefusedWithoutARequest) {
  dev.devAttribute = STORAGE_NVME_MINIPORT | STORAGE_SCSI_PORT;
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, 0, 6, nullptr, 0);
  EXPECT_EQ(ExecuteSCSIIO(dev, srb), SS_NO_DEVICE);
  EXPECT_TRUE(sos.Calls().empty());
}

TEST_F(ScsiFixture, CheckConditionIsSuccessOnlyWithACleanAtaStatusReturnDescriptor) {
  auto run = [&](Bytes sense) {
    SRB_ExecSCSICmd srb = MakeScsiRequest(dev, 0, 16, nullptr, 0);
    srb.CDBByte[0] = 0x85;
    ExpectScsi(sos, H(1), {0x85, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0,
               CheckCondition(sense));
    const uint8_t status = ExecuteSCSIIO(dev, srb);
    EXPECT_EQ(srb.SRB_TargStat, 2);
    EXPECT_EQ(Bytes(srb.SenseArea, srb.SenseArea + 32), sense);
    return status;
  };
  EXPECT_EQ(run(AtaReturnSense(0, 1, 0xE0, 0x50)), SS_COMP);
  EXPECT_EQ(run(AtaReturnSense(0x04, 1, 0xE0, 0x51)), SS_ERR);
  Bytes fixed(32, 0);
  fixed[0] = 0x70;
  fixed[2] = 0x05;
  fixed[12] = 0x24;
  EXPECT_EQ(run(fixed), SS_ERR);
}

TEST_F(ScsiFixture, WithDisCheckScsiStatusEveryCheckConditionSucceedsAndNoSenseIsCopied) {
  dev.SetDisCheckScsiStatus(true);
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, 0, 6, nullptr, 0);
  Bytes sense(32, 0x11);
  ExpectScsi(sos, H(1), {0, 0, 0, 0, 0, 0}, 0, 0, CheckCondition(sense));
  EXPECT_EQ(ExecuteSCSIIO(dev, srb), SS_COMP);
  EXPECT_EQ(Bytes(srb.SenseArea, srb.SenseArea + 32), Bytes(32, 0));

  // Any status other than GOOD and CHECK CONDITION fails.
  dev.SetDisCheckScsiStatus(false);
  ExpectScsi(sos, H(1), {0, 0, 0, 0, 0, 0}, 0, 0, WithStatus(0x08));  // BUSY
  EXPECT_EQ(ExecuteSCSIIO(dev, srb), SS_ERR);
}

TEST_F(ScsiFixture, ADriverFailureSynthesisesFixedSense) {
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, SRB_DIR_OUT, 6, nullptr, 0);
  std::fill(std::begin(srb.SenseArea), std::end(srb.SenseArea), 0xEE);
  ExpectScsi(sos, H(1), {0, 0, 0, 0, 0, 0}, 0, 0, DriverError(os::ERROR_INVALID_PARAMETER));
  EXPECT_EQ(ExecuteSCSIIO(dev, srb), SS_BUFFER_TO_BIG);
  Bytes expected(32, 0);
  expected[0] = 0x70;
  expected[2] = 0x05;
  EXPECT_EQ(Bytes(srb.SenseArea, srb.SenseArea + 32), expected);
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] ExecuteSCSIIO: status = 0"));
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] ExecuteSCSIIO: lst_err = 57"));

  ExpectScsi(sos, H(1), {0, 0, 0, 0, 0, 0}, 0, 0, DriverError(os::ERROR_IO_DEVICE));
  EXPECT_EQ(ExecuteSCSIIO(dev, srb), SS_ERR);
  expected[2] = 0x04;
  EXPECT_EQ(Bytes(srb.SenseArea, srb.SenseArea + 32), expected);
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] ExecuteSCSIIO: lst_err = 45D"));
}

TEST_F(ScsiFixture, DispatcherRunsByRequestKindAndOpensAClosedHandleForOneRequest) {
  SRB_ExecSCSICmd srb = MakeScsiRequest(dev, 0, 6, nullptr, 0);
  srb.SRB_Cmd = 1;
  EXPECT_EQ(ExecuteScsiRequest(dev, srb, true), SS_ERR);
  srb.SRB_Cmd = SC_HA_INQUIRY;
  EXPECT_EQ(ExecuteScsiRequest(dev, srb, true), SS_COMP);
  srb.SRB_Cmd = SC_RESET_DEV;
  EXPECT_EQ(ExecuteScsiRequest(dev, srb, true), SS_COMP);
  EXPECT_TRUE(sos.Calls().empty());

  // Closed: reopened for the request and closed again.
  CloseScripted(sos, dev);
  SetPath(dev, "\\\\.\\PHYSICALDRIVE0");
  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE0", H(4));
  ExpectScsi(sos, H(4), {0, 0, 0, 0, 0, 0}, 0, 0);
  sos.ExpectClose(H(4));
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  EXPECT_EQ(ExecuteScsiRequest(dev, srb, true), SS_COMP);
  EXPECT_EQ(srb.SRB_Status, SS_COMP);
  EXPECT_FALSE(dev.IsOpen());

  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE0", os::INVALID_HANDLE_VALUE)
      .Fail(os::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ExecuteScsiRequest(dev, srb, true), SS_ERR);
  EXPECT_EQ(srb.SRB_Status, SS_ERR);
}

TEST_F(ScsiFixture, InquiryBuilders) {
  Bytes inquiry(56, 0);
  inquiry[8] = 'V';
  ExpectScsi(sos, H(1), {0x12, 0x00, 0x00, 0x00, 0x38, 0x00}, 1, 56, Good(inquiry));
  Bytes out(4096, 0xFF);
  EXPECT_TRUE(ScsiInquiry(dev, out));
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 56), inquiry);
  EXPECT_EQ(out[56], 0xFF);  // only 56 bytes copied
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] Inquiry: CMD_Buff.SRB_Status = 1"));

  Bytes bridge(56, 0x42);
  ExpectScsi(sos, H(1), {0x12, 0x00, 0x00, 0x55, 0x2E, 0x00}, 1, 56, Good(bridge));
  Bytes bout(64, 0);
  EXPECT_TRUE(ScsiBridgeInquiry(dev, bout));
  EXPECT_EQ(bout[45], 0x42);
  EXPECT_EQ(bout[46], 0x00);  // 46 bytes copied

  ExpectScsi(sos, H(1), {0x12, 0x00, 0x00, 0x00, 0x38, 0x00}, 1, 56, WithStatus(0x02));
  EXPECT_FALSE(ScsiInquiry(dev, out));
  EXPECT_TRUE(sos.Trace().Contains("[VKM_SCAN] Inquiry: CMD_Buff.SRB_Status = 4"));
}

TEST_F(ScsiFixture, ReadAndWrite10CarryLbaAndSixteenBitsOfCount) {
  dev.devBlockFactor = 1;
  Bytes buffer(2 * 512, 0xCC);
  Bytes data(1024, 0x5A);
  ExpectScsi(sos, H(1), {0x28, 0x04, 0x12, 0x34, 0x56, 0x78, 0x00, 0x00, 0x02, 0x00}, 1, 1024,
             Good(data));
  EXPECT_TRUE(ScsiRead10(dev, 0x12345678, 2, buffer));
  EXPECT_EQ(buffer, data);

  Bytes written;
  ExpectScsi(sos, H(1), {0x2A, 0x24, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00}, 0, 512, {},
             CaptureOut(&written));
  Bytes out(512, 0x77);
  EXPECT_TRUE(ScsiWrite10(dev, 0x100, 1, out));  // LUN 1: byte 1 = 1 * 32 + 4
  EXPECT_EQ(written, out);

  // Zero blocks: transfer length 0 and no data.
  ExpectScsi(sos, H(1), {0x28, 0x04, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 0, {},
             [](const os::SCSI_PASS_THROUGH_DIRECT& s) { EXPECT_EQ(s.DataBuffer, nullptr); });
  EXPECT_TRUE(ScsiRead10(dev, 0, 0, {}));

  // 4096-byte blocks: one block is 4096 bytes; a short buffer is refused.
  dev.devBlockFactor = 8;
  Bytes small(512);
  EXPECT_FALSE(ScsiRead10(dev, 0, 1, small));
  // Beyond 16 bits the CDB count wraps while the length keeps 24 bits.
  dev.devBlockFactor = 1;
  Bytes big(0x10001 * 512);
  ExpectScsi(sos, H(1), {0x28, 0x04, 0, 0, 0, 0, 0, 0x00, 0x01, 0}, 1, 0x10001 * 512);
  EXPECT_TRUE(ScsiRead10(dev, 0, 0x10001, big));
}

TEST_F(ScsiFixture, BufferCommandsAndSatIdentify) {
  Bytes buffer(1024, 0xCC);
  ExpectScsi(sos, H(1), {0x3C, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00}, 1, 1024);
  EXPECT_TRUE(ScsiReadBuffer(dev, 0xFF, 1, 2, buffer));
  EXPECT_EQ(buffer, Bytes(1024, 0));  // zeroed before the read

  Bytes written;
  ExpectScsi(sos, H(1), {0x3B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}, 0, 512, {},
             CaptureOut(&written));
  EXPECT_TRUE(ScsiWriteBuffer(dev, 0xFF, 0, 1, Bytes(512, 9)));
  EXPECT_EQ(written, Bytes(512, 9));

  Bytes identify(512, 0x33);
  ExpectScsi(sos, H(1),
             {0x85, 0x08, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0,
              0xEC, 0x00},
             1, 512, CheckCondition(AtaReturnSense(0, 1, 0xE0, 0x50), identify));
  Bytes out(16384, 0xFF);
  EXPECT_TRUE(IdentifyDeviceATAPI(dev, out));
  EXPECT_EQ(out[511], 0x33);
  EXPECT_TRUE(
      sos.Trace().Contains("[VKM_SCAN] IdentifyDeviceATAPI: CMD_Buff.SRB_Status = 1 (0x0E)"));
}

}  // namespace
}  // namespace device
