#include <gtest/gtest.h>

#include "common/bytes.h"
#include "device/nvme/nvme_bridge_path.h"
#include "device/nvme/nvme_commands.h"
#include "device/nvme/nvme_dispatch.h"
#include "platform/nvme_pass_through.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"
#include "support/scripted_drive.h"
#include "support/scripted_requests.h"

namespace device {
namespace {

using namespace testsupport;
using common::ReadLe32;
using common::ReadLe64;

Bytes In(const OsCall& c) { return Bytes(c.in.begin(), c.in.end()); }

struct NvmeFixture : ::testing::Test {
  NvmeFixture() : dev(sos) {
    HoldOpen(sos, dev, H(1));
    dev.devTimeout = 30;
    sos.Trace().SetCapture(true);
  }
  ScriptedOs sos;
  StorageDevice dev;
};

TEST_F(NvmeFixture, NativeDriveRoutesByOpcodeAndAdminFlag) {
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  NvmeCommandRecord record(0);
  record.SetOpcode(0x0C);  // Asynchronous Event Request: no route
  EXPECT_FALSE(ExecuteNvmeCommand(dev, record, 0, 0, true, true));
  EXPECT_TRUE(sos.Calls().empty());
  // Both log lines are written even without a request.
  ASSERT_EQ(sos.Trace().Captured().size(), 2u);
  EXPECT_EQ(sos.Trace().Captured()[0],
            "\n[VKM] <> DataCount:0, OPCODE:0x0C  DW10:00000000   DW11:00000000   DW12:00000000   "
            "DW13:00000000   DW14:00000000   DW15:00000000 ");
  EXPECT_EQ(sos.Trace().Captured()[1],
            "[VKM] <> Status DW0:00000000   DW1:00000000   DW2:00000000   DW3:00000000  "
            "@Return:Fail, @LastErr:0");
  // An admin 0x80 (Format NVM) is a protocol command to the handle's
  // namespace, which a full Windows refuses: the request is sent and fails.
  record.SetOpcode(0x80);
  sos.ExpectIoctl(os::IOCTL_STORAGE_PROTOCOL_COMMAND).Fail(os::ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(ExecuteNvmeCommand(dev, record, 0, 0, true, true));
  ASSERT_FALSE(sos.Calls().empty());
  EXPECT_EQ(sos.Calls().back().code, os::IOCTL_STORAGE_PROTOCOL_COMMAND);
}

TEST_F(NvmeFixture, VendorAdminOpcodeGoesThroughTheProtocolCommand) {
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  NvmeCommandRecord record(512);
  record.SetOpcode(0xC2);  // controller to host
  record.SetNsid(1);
  record.SetDword(10, 0x1234);
  record.SetDword(15, 0xCAFE);
  sos.ExpectIoctl(os::IOCTL_STORAGE_PROTOCOL_COMMAND)
      .On(H(1))
      .Check([](const OsCall& c) {
        ASSERT_EQ(c.in.size(), 512u + 212u);
        const Bytes b = In(c);
        EXPECT_EQ(ReadLe32(b, 0), 1u);            // Version
        EXPECT_EQ(ReadLe32(b, 4), 84u);           // Length
        EXPECT_EQ(ReadLe32(b, 8), 3u);            // ProtocolType NVMe
        EXPECT_EQ(ReadLe32(b, 12), 0x80000000u);  // adapter request
        EXPECT_EQ(ReadLe32(b, 24), 64u);          // CommandLength
        EXPECT_EQ(ReadLe32(b, 28), 64u);          // ErrorInfoLength
        EXPECT_EQ(ReadLe32(b, 32), 0u);           // DataToDeviceTransferLength
        EXPECT_EQ(ReadLe32(b, 36), 512u);         // DataFromDeviceTransferLength
        EXPECT_EQ(ReadLe32(b, 40), 30u);          // TimeOutValue
        EXPECT_EQ(ReadLe32(b, 44), 144u);         // ErrorInfoOffset
        EXPECT_EQ(ReadLe32(b, 48), 0u);           // DataToDeviceBufferOffset
        EXPECT_EQ(ReadLe32(b, 52), 208u);         // DataFromDeviceBufferOffset
        EXPECT_EQ(ReadLe32(b, 56), 1u);           // admin command
        EXPECT_EQ(b[80], 0xC2);                   // CDW0
        EXPECT_EQ(ReadLe32(b, 84), 1u);           // NSID
        EXPECT_EQ(ReadLe32(b, 120), 0x1234u);     // CDW10
        EXPECT_EQ(ReadLe32(b, 140), 0xCAFEu);     // CDW15
      })
      .Respond([](OsCall& c) {
        common::WriteLe32(c.out, 16, 1);  // ReturnStatus success
        common::WriteLe32(c.out, 144, 0xD0);
        common::WriteLe32(c.out, 156, 0x00010000);
        c.out[208] = 0x99;
        return true;
      });
  EXPECT_TRUE(ExecuteNvmeCommand(dev, record, 512, 0, true, true));
  EXPECT_EQ(record.Data()[0], 0x99);
  EXPECT_EQ(record.Completion(0), 0xD0u);
  EXPECT_EQ(record.Completion(3), 0x00010000u);
  EXPECT_TRUE(sos.Trace().Contains("[VKM] @Status: 01 => STORAGE_PROTOCOL_STATUS_SUCCESS"));
  EXPECT_TRUE(sos.Trace().Contains("@Return:Success"));

  // A status other than success fails, data direction host-to-controller.
  NvmeCommandRecord out(512);
  out.SetOpcode(0xC1);
  out.Data()[0] = 0x77;
  sos.ExpectIoctl(os::IOCTL_STORAGE_PROTOCOL_COMMAND)
      .Check([](const OsCall& c) {
        const Bytes b = In(c);
        EXPECT_EQ(ReadLe32(b, 32), 512u);
        EXPECT_EQ(ReadLe32(b, 36), 0u);
        EXPECT_EQ(ReadLe32(b, 48), 208u);
        EXPECT_EQ(ReadLe32(b, 56), 2u);  // NVM command
        EXPECT_EQ(b[208], 0x77);
      })
      .Respond([](OsCall& c) {
        common::WriteLe32(c.out, 16, 0x42);
        return true;
      });
  EXPECT_FALSE(ExecuteNvmeCommand(dev, out, 512, 0, false, true));
  EXPECT_TRUE(sos.Trace().Contains("[VKM] @Status: 42 => Undefine"));
}

TEST_F(NvmeFixture, AProtocolCommandTheControllerRefusedCompletesWithItsStatus) {
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  constexpr uint32_t kReturnStatus = 16, kErrorCode = 20;
  constexpr uint32_t kError = 2;  // STORAGE_PROTOCOL_STATUS_ERROR
  // The completion entry in the error information area: the request went
  // through, the status is the caller's to judge.
  NvmeCommandRecord record(0);
  record.SetOpcode(0xC0);
  sos.ExpectIoctl(os::IOCTL_STORAGE_PROTOCOL_COMMAND).Respond([&](OsCall& c) {
    common::WriteLe32(c.out, kReturnStatus, kError);
    common::WriteLe32(c.out, kErrorCode, 0x4001);
    common::WriteLe32(c.out, 144, 0xAB);
    common::WriteLe32(c.out, 156, 0x80020000);
    return true;
  });
  EXPECT_TRUE(ExecuteNvmeCommand(dev, record, 0, 0, true, true));
  EXPECT_EQ(record.Completion(0), 0xABu);
  EXPECT_EQ(record.Completion(3), 0x80020000u);
  EXPECT_TRUE(sos.Trace().Contains("[VKM] @Status: 02 => STORAGE_PROTOCOL_STATUS_ERROR"));

  // Only ErrorCode holds the status (SC 0Bh, SCT 1, More): it becomes DW3
  // bits 31..17, the phase bit left as it was.
  sos.ExpectIoctl(os::IOCTL_STORAGE_PROTOCOL_COMMAND).Respond([&](OsCall& c) {
    common::WriteLe32(c.out, kReturnStatus, kError);
    common::WriteLe32(c.out, kErrorCode, 0x210B);
    common::WriteLe32(c.out, 156, 0x00010000);
    return true;
  });
  EXPECT_TRUE(ExecuteNvmeCommand(dev, record, 0, 0, true, true));
  EXPECT_EQ(record.Completion(3), 0x42170000u);
  EXPECT_EQ(NvmeStatusCode(record.Completion(3)), 0x0B);
  EXPECT_EQ(NvmeStatusCodeType(record.Completion(3)), 1);
  EXPECT_TRUE(NvmeMore(record.Completion(3)));

  // An error without any status, or a request the driver did not run: failed.
  for (uint32_t status : {kError, 0x3u, 0xFFu}) {
    sos.ExpectIoctl(os::IOCTL_STORAGE_PROTOCOL_COMMAND).Respond([status](OsCall& c) {
      common::WriteLe32(c.out, kReturnStatus, status);
      return true;
    });
    EXPECT_FALSE(ExecuteNvmeCommand(dev, record, 0, 0, true, true)) << status;
  }
}

TEST_F(NvmeFixture, IdentifyAndGetLogPageAreProtocolSpecificPropertyQueries) {
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY)
      .Check([](const OsCall& c) {
        ASSERT_EQ(c.in.size(), 4096u + 52u);
        const Bytes b = In(c);
        EXPECT_EQ(ReadLe32(b, 0), 49u);  // adapter protocol-specific
        EXPECT_EQ(ReadLe32(b, 4), 0u);
        EXPECT_EQ(ReadLe32(b, 8), 3u);   // NVMe
        EXPECT_EQ(ReadLe32(b, 12), 1u);  // identify
        EXPECT_EQ(ReadLe32(b, 16), 1u);  // CNS 1
        EXPECT_EQ(ReadLe32(b, 20), 0u);  // NSID
        EXPECT_EQ(ReadLe32(b, 24), 40u);
        EXPECT_EQ(ReadLe32(b, 28), 4096u);
      })
      .Respond([](OsCall& c) {
        c.out[48] = 0x4B;
        c.out[48 + 4095] = 0x4C;
        return true;
      });
  Bytes identify(4096, 0);
  EXPECT_TRUE(NvmeIdentifyController(dev, identify));
  EXPECT_EQ(identify[0], 0x4B);
  EXPECT_EQ(identify[4095], 0x4C);

  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).Check([](const OsCall& c) {
    const Bytes b = In(c);
    EXPECT_EQ(ReadLe32(b, 0), 50u);  // device protocol-specific: a namespace
    EXPECT_EQ(ReadLe32(b, 16), 0u);
    EXPECT_EQ(ReadLe32(b, 20), 1u);
  });
  EXPECT_TRUE(NvmeIdentifyNamespace(dev, 1, identify));

  NvmeCommandRecord log(512);
  log.SetOpcode(0x02);
  log.SetDword(10, 0x007F0002);  // NUMDL and log id 2
  log.SetDword(12, 0x200);
  sos.ExpectIoctl(os::IOCTL_STORAGE_QUERY_PROPERTY).Check([](const OsCall& c) {
    const Bytes b = In(c);
    EXPECT_EQ(ReadLe32(b, 0), 49u);
    EXPECT_EQ(ReadLe32(b, 12), 2u);  // log page
    EXPECT_EQ(ReadLe32(b, 16), 2u);  // CDW10 & 0xFF
    EXPECT_EQ(ReadLe32(b, 20), 0x200u);
    EXPECT_EQ(ReadLe32(b, 28), 512u);
  });
  EXPECT_TRUE(ExecuteNvmeCommand(dev, log, 512, 0, true, true));
}

TEST_F(NvmeFixture, FirmwareDownloadAsksForSlotInfoThenSendsTheImageAtCdw11TimesFour) {
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  NvmeCommandRecord record(1024);
  record.SetOpcode(0x11);
  record.SetDword(10, 0xFF);
  record.SetDword(11, 0x100);
  record.Data()[0] = 0xAA;
  record.Data()[1023] = 0xBB;
  sos.ExpectIoctl(os::IOCTL_STORAGE_FIRMWARE_GET_INFO).Check([](const OsCall& c) {
    EXPECT_EQ(In(c), Bytes({16, 0, 0, 0, 16, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c.out.size(), 248u);
  });
  sos.ExpectIoctl(os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD).Check([](const OsCall& c) {
    ASSERT_EQ(c.in.size(), 1024u + 40u);
    const Bytes b = In(c);
    EXPECT_EQ(ReadLe32(b, 0), 40u);
    EXPECT_EQ(ReadLe32(b, 4), 1064u);
    EXPECT_EQ(ReadLe32(b, 8), 1u);
    EXPECT_EQ(b[12], 1);  // slot
    EXPECT_EQ(ReadLe64(b, 16), 0x400u);
    EXPECT_EQ(ReadLe64(b, 24), 1024u);
    EXPECT_EQ(b[32], 0xAA);
    EXPECT_EQ(b[32 + 1023], 0xBB);
  });
  EXPECT_TRUE(ExecuteNvmeCommand(dev, record, 1024, 0, true, true));

  sos.ExpectIoctl(os::IOCTL_STORAGE_FIRMWARE_GET_INFO).Fail(os::ERROR_NOT_SUPPORTED);
  EXPECT_FALSE(ExecuteNvmeCommand(dev, record, 1024, 0, true, true));
}

TEST_F(NvmeFixture, FirmwareCommitAlwaysActivatesSlotOne) {
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  NvmeCommandRecord record(0);
  record.SetOpcode(0x10);
  // Commit action 3, slot 3: activation now, in slot 1.
  record.SetDword(10, 0x0000001B);
  sos.ExpectIoctl(os::IOCTL_STORAGE_FIRMWARE_ACTIVATE).Check([](const OsCall& c) {
    EXPECT_EQ(In(c), Bytes({16, 0, 0, 0, 16, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
  });
  EXPECT_TRUE(ExecuteNvmeCommand(dev, record, 0, 0, true, true));
  // Commit action 1: the same request marked "switch upon reset" (0x20000000).
  record.SetDword(10, 0x0000000B);
  sos.ExpectIoctl(os::IOCTL_STORAGE_FIRMWARE_ACTIVATE).Check([](const OsCall& c) {
    EXPECT_EQ(In(c), Bytes({16, 0, 0, 0, 16, 0, 0, 0, 1, 0, 0, 0x20, 1, 0, 0, 0}));
  });
  EXPECT_TRUE(ExecuteNvmeCommand(dev, record, 0, 0, true, true));
}

TEST_F(NvmeFixture, MiniportSendsTheRecordWithDirectionAndLengths) {
  dev.devAttribute = STORAGE_NVME_MINIPORT | STORAGE_SCSI_PORT;
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT)
      .On(H(1))
      .Check([](const OsCall& c) {
        EXPECT_EQ(c.in.size(), 153u);    // sent: header only
        EXPECT_EQ(c.out.size(), 4249u);  // returned: header and data
        const Bytes b = In(c);
        EXPECT_EQ(ReadLe32(b, 0), 28u);
        EXPECT_EQ(std::string(b.begin() + 4, b.begin() + 12), "NvmeMini");
        EXPECT_EQ(ReadLe32(b, 12), 30u);           // Timeout
        EXPECT_EQ(ReadLe32(b, 16), 0xE0002000u);   // ControlCode
        EXPECT_EQ(ReadLe32(b, 24), 4096u + 125u);  // Length
        EXPECT_EQ(ReadLe32(b, 52), 0x06u);         // CDW0
        EXPECT_EQ(ReadLe32(b, 92), 1u);            // CDW10 (CNS 1)
        EXPECT_EQ(ReadLe32(b, 132), 2u);           // from the drive
        EXPECT_EQ(ReadLe32(b, 136), 0u);           // admin queue
        EXPECT_EQ(ReadLe32(b, 140), 4096u);
        EXPECT_EQ(ReadLe32(b, 144), 0u);
        EXPECT_EQ(ReadLe32(b, 148), 4096u + 153u);
      })
      .Respond([](OsCall& c) {
        c.out[152] = 0x5E;
        return true;
      });
  Bytes identify(4096);
  EXPECT_TRUE(NvmeIdentifyController(dev, identify));
  EXPECT_EQ(identify[0], 0x5E);
}

TEST_F(NvmeFixture, AControlRequestGoesWithDirectionThreeAndFullLengthBothWays) {
  dev.devAttribute = STORAGE_NVME_MINIPORT | STORAGE_SCSI_PORT;
  NvmeCommandRecord record(512);
  record.SetSignature("VkmCtrl ");
  record.SetControlCode(0xE0001C20);
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).Check([](const OsCall& c) {
    EXPECT_EQ(c.in.size(), 512u + 153u);
    EXPECT_EQ(c.out.size(), 512u + 153u);
    const Bytes b = In(c);
    EXPECT_EQ(std::string(b.begin() + 4, b.begin() + 12), "VkmCtrl ");
    EXPECT_EQ(ReadLe32(b, 16), 0xE0001C20u);
    EXPECT_EQ(ReadLe32(b, 132), 3u);
    EXPECT_EQ(ReadLe32(b, 136), 1u);  // not admin
  });
  EXPECT_TRUE(ExecuteNvmeCommand(dev, record, 512, 0, false, true));

  // The scan's wake-up request: no data.
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).Check([](const OsCall& c) {
    EXPECT_EQ(c.in.size(), 153u);
    EXPECT_EQ(ReadLe32(In(c), 16), 0xE0001C14u);
    EXPECT_EQ(ReadLe32(In(c), 132), 3u);
  });
  EXPECT_TRUE(NvmeVendorControl(dev, 0xE0001C14));
}

TEST_F(NvmeFixture, TheMiniportPathOpensThePortWhenTheHandleIsClosed) {
  dev.devAttribute = 0;  // the port probe's state: no bit yet
  CloseScripted(sos, dev);
  dev.devHaId = 3;
  ExpectDriveOpen(sos, "\\\\.\\Scsi3:", H(7));
  sos.ExpectIoctl(os::IOCTL_SCSI_MINIPORT).On(H(7));
  sos.ExpectClose(H(7));
  Bytes identify(4096);
  EXPECT_TRUE(NvmeIdentifyController(dev, identify));
}

TEST_F(NvmeFixture, AnAtaDriveRejectsEveryNvmeCommandWithoutARequest) {
  dev.devAttribute = STORAGE_ATA | STORAGE_PHYSICAL;
  Bytes identify(4096);
  EXPECT_FALSE(NvmeIdentifyController(dev, identify));
  dev.devAttribute = STORAGE_SCSI_ATAPI | STORAGE_PHYSICAL;
  EXPECT_FALSE(NvmeVendorControl(dev, 1));
  EXPECT_TRUE(sos.Calls().empty());
  // A record too small for the data length is refused as well.
  dev.devAttribute = STORAGE_NVME | STORAGE_PHYSICAL;
  NvmeCommandRecord small(16);
  small.SetOpcode(0x06);
  EXPECT_FALSE(ExecuteNvmeCommand(dev, small, 4096, 0, true, true));
  EXPECT_TRUE(sos.Calls().empty());
}

// The bridge packet: the 64-byte command, the time-out, the queue byte.
void CheckPacket(const os::SCSI_PASS_THROUGH_DIRECT& s, uint8_t opcode, uint8_t byte68) {
  const uint8_t* p = static_cast<const uint8_t*>(s.DataBuffer);
  const Bytes b(p, p + s.DataTransferLength);
  ASSERT_EQ(b.size(), 1024u);
  EXPECT_EQ(b[0], opcode);
  EXPECT_EQ(ReadLe32(b, 64), 30u);
  EXPECT_EQ(b[68], byte68);
  EXPECT_EQ(Bytes(b.begin() + 69, b.end()), Bytes(1024 - 69, 0));
}

Bytes BridgeStatus(uint8_t byte4, uint32_t dw0, uint32_t dw3) {
  Bytes s(1024, 0);
  s[0] = 'N';
  s[1] = 'V';
  s[2] = 'M';
  s[3] = 'e';
  s[4] = byte4;
  common::WriteLe32(s, 8, dw0);
  common::WriteLe32(s, 20, dw3);
  return s;
}

const Bytes kWriteBuffer0 = {0x3B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00};
const Bytes kReadBuffer1Of2 = {0x3C, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00};
const Bytes kReadBuffer1Of1 = {0x3C, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00};
const Bytes kReadBuffer2 = {0x3C, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00};

TEST_F(NvmeFixture, BridgeTunnelsAGetLogPageInOneSectorAndReadsTheStatusBlock) {
  dev.devAttribute = STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL;
  NvmeCommandRecord record(512);
  record.SetOpcode(0x02);
  ExpectScsi(sos, H(1), kWriteBuffer0, 0, 1024, {},
             [](const os::SCSI_PASS_THROUGH_DIRECT& s) { CheckPacket(s, 0x02, 0); });
  ExpectScsi(sos, H(1), kReadBuffer1Of1, 1, 512, Good(Bytes(512, 0x3D)));
  ExpectScsi(sos, H(1), kReadBuffer2, 1, 1024, Good(BridgeStatus(0x01, 0x11, 0x00020000)));
  EXPECT_TRUE(ExecuteNvmeCommand(dev, record, 512, 0, true, true));
  EXPECT_EQ(record.Data()[511], 0x3D);
  EXPECT_EQ(record.Completion(0), 0x11u);
  EXPECT_EQ(record.Completion(3), 0x00020000u);
}

TEST_F(NvmeFixture, BridgeCommandWithoutDataReadsScratchAndStatusBitZeroFails) {
  dev.devAttribute = STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL;
  NvmeCommandRecord record(0);
  record.SetOpcode(0x80);
  ExpectScsi(sos, H(1), kWriteBuffer0, 0, 1024, {},
             [](const os::SCSI_PASS_THROUGH_DIRECT& s) { CheckPacket(s, 0x80, 1); });
  ExpectScsi(sos, H(1), kReadBuffer1Of2, 1, 1024);
  ExpectScsi(sos, H(1), kReadBuffer2, 1, 1024, Good(BridgeStatus(0x00, 0, 0)));
  EXPECT_FALSE(ExecuteNvmeCommand(dev, record, 0, 0, false, true));

  // A failed transfer ends the sequence.
  ExpectScsi(sos, H(1), kWriteBuffer0, 0, 1024, WithStatus(2));
  EXPECT_FALSE(ExecuteNvmeCommand(dev, record, 0, 0, false, true));
}

Bytes GpioAnswer(uint32_t value) {
  Bytes a(1024, 0);
  a[0] = 'G';
  a[1] = 'P';
  a[2] = 'I';
  a[3] = 'O';
  common::WriteLe32(a, 4, value);
  a[13] = 'S';
  return a;
}

TEST_F(NvmeFixture, GpioQueryRetriesTheOpenAndWantsTheGpioTag) {
  dev.devAttribute = STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL;
  CloseScripted(sos, dev);
  SetPath(dev, "\\\\.\\PHYSICALDRIVE4");
  for (int i = 0; i < 4; ++i)
    ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE4", os::INVALID_HANDLE_VALUE)
        .Fail(os::ERROR_ACCESS_DENIED);
  ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE4", H(2));
  ExpectScsi(sos, H(2), kWriteBuffer0, 0, 1024, {}, [](const os::SCSI_PASS_THROUGH_DIRECT& s) {
    const uint8_t* p = static_cast<const uint8_t*>(s.DataBuffer);
    EXPECT_EQ(Bytes(p, p + 64), Bytes(64, 0));  // no command
    EXPECT_EQ(p[68], 4);
  });
  ExpectScsi(sos, H(2), kReadBuffer1Of2, 1, 1024, Good(GpioAnswer(0x1234)));
  sos.ExpectClose(H(2));
  Bytes answer(1024);
  EXPECT_TRUE(BridgeGpioQuery(dev, kGpioProbe, answer));
  EXPECT_EQ(ReadLe32(answer, 4), 0x1234u);

  // Five failed opens give up.
  for (int i = 0; i < 5; ++i)
    ExpectDriveOpen(sos, "\\\\.\\PHYSICALDRIVE4", os::INVALID_HANDLE_VALUE)
        .Fail(os::ERROR_ACCESS_DENIED);
  EXPECT_FALSE(BridgeGpioQuery(dev, kGpioProbe, answer));

  // An answer without the tag is a failure.
  HoldOpen(sos, dev, H(2));
  ExpectScsi(sos, H(2), kWriteBuffer0, 0, 1024);
  ExpectScsi(sos, H(2), kReadBuffer1Of2, 1, 1024, Good(Bytes(1024, 'x')));
  EXPECT_FALSE(BridgeGpioQuery(dev, kGpioString, answer));
}

TEST_F(NvmeFixture, GpioLocationReadsOneSectorAndSetsTheLocation) {
  dev.devAttribute = STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL;
  ExpectScsi(sos, H(1), kWriteBuffer0, 0, 1024, {}, [](const os::SCSI_PASS_THROUGH_DIRECT& s) {
    EXPECT_EQ(static_cast<const uint8_t*>(s.DataBuffer)[68], 6);
  });
  ExpectScsi(sos, H(1), kReadBuffer1Of1, 1, 512, Good(GpioAnswer(0x00000005)));
  Bytes answer(512);
  EXPECT_TRUE(BridgeGpioLocation(dev, answer));
  EXPECT_EQ(dev.Location(), 5u);
  EXPECT_EQ(answer[4], 5);
}

}  // namespace
}  // namespace device
