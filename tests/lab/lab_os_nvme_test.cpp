// The edge answering NVMe requests: the inbox driver's property queries,
// protocol commands and firmware requests, and the maker's miniport with its
// "NvmeMini" pass-through and "VkmCtrl " control requests.
#include <gtest/gtest.h>

#include "common/bytes.h"
#include "lab/support/requests.h"
#include "lab/support/test_lab.h"
#include "platform/nvme_pass_through.h"
#include "platform/storage_firmware.h"
#include "platform/storage_protocol.h"

namespace lab {
namespace {

using Bytes = std::vector<uint8_t>;
using labtest::OpenDevice;

// A protocol-specific property query as the inbox NVMe path builds it.
Bytes ProtocolQuery(uint32_t propertyId, uint32_t dataType, uint32_t value, uint32_t subValue,
                    uint32_t length) {
  Bytes b(48 + length, 0);
  common::WriteLe32(b, 0, propertyId);
  common::WriteLe32(b, 4, 0);  // standard query
  common::WriteLe32(b, 8, 3);  // NVMe
  common::WriteLe32(b, 12, dataType);
  common::WriteLe32(b, 16, value);
  common::WriteLe32(b, 20, subValue);
  common::WriteLe32(b, 24, 40);  // data right after the 40-byte block
  common::WriteLe32(b, 28, length);
  return b;
}

// An NvmeMini record: 152-byte header, then the data.
Bytes MiniportRecord(const char* signature, uint32_t code, uint8_t opcode, uint32_t cdw10,
                     uint32_t direction, uint32_t dataLength) {
  Bytes b(152 + dataLength + 1, 0);
  common::WriteLe32(b, 0, 28);
  std::memcpy(b.data() + 4, signature, 8);
  common::WriteLe32(b, 12, 5);  // time-out
  common::WriteLe32(b, 16, code);
  common::WriteLe32(b, 24, dataLength + 125);
  common::WriteLe32(b, 52, opcode);
  common::WriteLe32(b, 52 + 40, cdw10);
  common::WriteLe32(b, 132, direction);
  common::WriteLe32(b, 140, dataLength);
  common::WriteLe32(b, 148, dataLength + 153);
  return b;
}

TEST(LabOsNvme, IdentifyAndLogPagesComeAsProtocolSpecificProperties) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE2");
  Bytes q = ProtocolQuery(49, 1, 1, 0, 4096);
  os::DWORD n = 0;
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_STORAGE_QUERY_PROPERTY, q.data(),
                                static_cast<os::DWORD>(q.size()), q.data(),
                                static_cast<os::DWORD>(q.size()), &n));
  EXPECT_EQ(n, 48u + 4096u);
  EXPECT_EQ(common::ReadLe32(q, 0), 48u);   // descriptor Version
  EXPECT_EQ(common::ReadLe32(q, 24), 40u);  // ProtocolDataOffset
  EXPECT_EQ(common::ReadLe32(q, 28), 4096u);
  EXPECT_EQ(std::string(q.begin() + 48 + 4, q.begin() + 48 + 10), "NV30SN");
  const NvmeSubmission& id = lab.Fakes().Nvme("Disk2")->commands.back();
  EXPECT_EQ(id.opcode, 0x06);
  EXPECT_EQ(id.cdw[0], 1u);
  EXPECT_EQ(id.nsid, 0u);

  Bytes log = ProtocolQuery(49, 2, 2, 0, 512);
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_STORAGE_QUERY_PROPERTY, log.data(),
                                static_cast<os::DWORD>(log.size()), log.data(),
                                static_cast<os::DWORD>(log.size()), &n));
  const NvmeSubmission& gl = lab.Fakes().Nvme("Disk2")->commands.back();
  EXPECT_EQ(gl.opcode, 0x02);
  EXPECT_EQ(gl.nsid, 0xFFFFFFFFu);
  EXPECT_EQ(gl.cdw[0], 0x007F0002u);
  EXPECT_EQ(log[48 + 3], 100);

  // Neither a SATA disk nor the maker's miniport answers this way.
  for (const char* path : {"\\\\.\\PHYSICALDRIVE1", "\\\\.\\PHYSICALDRIVE3"}) {
    os::HANDLE other = OpenDevice(o, path);
    q = ProtocolQuery(49, 1, 1, 0, 4096);
    EXPECT_FALSE(o.DeviceIoControl(other, os::IOCTL_STORAGE_QUERY_PROPERTY, q.data(),
                                   static_cast<os::DWORD>(q.size()), q.data(),
                                   static_cast<os::DWORD>(q.size()), &n));
    EXPECT_EQ(o.GetLastError(), os::ERROR_NOT_SUPPORTED);
  }
  // An identify that fails in the drive fails the request.
  NvmeCompletion bad;
  bad.statusCode = 0x0B;
  lab.Fakes().Nvme("Disk2")->scripted[0x06] = bad;
  q = ProtocolQuery(49, 1, 1, 0, 4096);
  EXPECT_FALSE(o.DeviceIoControl(h, os::IOCTL_STORAGE_QUERY_PROPERTY, q.data(),
                                 static_cast<os::DWORD>(q.size()), q.data(),
                                 static_cast<os::DWORD>(q.size()), &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_IO_DEVICE);
}

TEST(LabOsNvme, ProtocolCommandCarriesVendorCommandsOnly) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE2");
  auto build = [](uint8_t opcode, uint32_t length) {
    Bytes b(212 + length, 0);
    common::WriteLe32(b, 0, 1);   // Version
    common::WriteLe32(b, 4, 84);  // Length
    common::WriteLe32(b, 8, 3);   // NVMe
    common::WriteLe32(b, 12, 0x80000000u);
    common::WriteLe32(b, 24, 64);      // CommandLength
    common::WriteLe32(b, 28, 64);      // ErrorInfoLength
    common::WriteLe32(b, 36, length);  // DataFromDeviceTransferLength
    common::WriteLe32(b, 40, 5);
    common::WriteLe32(b, 44, 144);  // ErrorInfoOffset
    common::WriteLe32(b, 52, 208);  // DataFromDeviceBufferOffset
    common::WriteLe32(b, 56, 1);    // admin
    b[80] = opcode;
    common::WriteLe32(b, 80 + 40, length / 4);
    return b;
  };
  Bytes cmd = build(0xC2, 2048);
  os::DWORD n = 0;
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_STORAGE_PROTOCOL_COMMAND, cmd.data(),
                                static_cast<os::DWORD>(cmd.size()), cmd.data(),
                                static_cast<os::DWORD>(cmd.size()), &n));
  EXPECT_EQ(common::ReadLe32(cmd, 16), 1u);                 // ReturnStatus: success
  EXPECT_EQ(common::ReadLe32(cmd, 144 + 12), 0x00010000u);  // completion dword 3
  const NvmeSubmission& s = lab.Fakes().Nvme("Disk2")->commands.back();
  EXPECT_EQ(s.opcode, 0xC2);
  EXPECT_EQ(s.cdw[0], 512u);
  EXPECT_EQ(s.data.size(), 2048u);

  const size_t before = lab.Fakes().Nvme("Disk2")->commands.size();
  cmd = build(0x0C, 0);
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_STORAGE_PROTOCOL_COMMAND, cmd.data(),
                                static_cast<os::DWORD>(cmd.size()), cmd.data(),
                                static_cast<os::DWORD>(cmd.size()), &n));
  EXPECT_EQ(common::ReadLe32(cmd, 16), 0xFFu);  // not supported
  EXPECT_EQ(lab.Fakes().Nvme("Disk2")->commands.size(), before);

  cmd = build(0xC2, 16);
  common::WriteLe32(cmd, 24, 63);
  EXPECT_FALSE(o.DeviceIoControl(h, os::IOCTL_STORAGE_PROTOCOL_COMMAND, cmd.data(),
                                 static_cast<os::DWORD>(cmd.size()), cmd.data(),
                                 static_cast<os::DWORD>(cmd.size()), &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_PARAMETER);
}

TEST(LabOsNvme, FirmwareInfoDownloadAndActivate) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE h = OpenDevice(o, "\\\\.\\PHYSICALDRIVE2");
  labtest::FakeNvmeController& nvme = *lab.Fakes().Nvme("Disk2");
  os::STORAGE_HW_FIRMWARE_INFO_QUERY q{16, 16, 1, 0};
  Bytes info(248, 0);
  os::DWORD n = 0;
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_STORAGE_FIRMWARE_GET_INFO, &q, sizeof q, info.data(),
                                248, &n));
  EXPECT_EQ(n, 24u + 2 * 32u);
  EXPECT_EQ(info[8], 1);                      // SupportUpgrade
  EXPECT_EQ(info[9], 2);                      // SlotCount
  EXPECT_EQ(info[10], 1);                     // ActiveSlot
  EXPECT_EQ(info[11], 0xFF);                  // nothing pending
  EXPECT_EQ(common::ReadLe32(info, 16), 4u);  // payload alignment
  EXPECT_EQ(info[24 + 8], 1);                 // first slot's number
  EXPECT_EQ(std::string(info.begin() + 24 + 16, info.begin() + 24 + 20), "FW01");

  Bytes dl(40 + 4096, 0);
  common::WriteLe32(dl, 0, 40);
  common::WriteLe32(dl, 4, static_cast<uint32_t>(dl.size()));
  common::WriteLe32(dl, 8, 1);
  dl[12] = 1;
  common::WriteLe64(dl, 16, 0x400);
  common::WriteLe64(dl, 24, 4096);
  for (size_t i = 0; i < 4096; ++i) dl[32 + i] = static_cast<uint8_t>(i);
  ASSERT_TRUE(o.DeviceIoControl(h, os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD, dl.data(),
                                static_cast<os::DWORD>(dl.size()), nullptr, 0, &n));
  EXPECT_EQ(nvme.commands.back().opcode, 0x11);
  EXPECT_EQ(nvme.commands.back().cdw[0], 1023u);
  EXPECT_EQ(nvme.commands.back().cdw[1], 0x100u);
  EXPECT_EQ(nvme.dataOut.back(), Bytes(dl.begin() + 32, dl.begin() + 32 + 4096));
  common::WriteLe64(dl, 24, 4094);  // not a multiple of the alignment
  EXPECT_FALSE(o.DeviceIoControl(h, os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD, dl.data(),
                                 static_cast<os::DWORD>(dl.size()), nullptr, 0, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_PARAMETER);

  os::STORAGE_HW_FIRMWARE_ACTIVATE a{16, 16, 1, 1, {}};
  ASSERT_TRUE(
      o.DeviceIoControl(h, os::IOCTL_STORAGE_FIRMWARE_ACTIVATE, &a, sizeof a, &a, sizeof a, &n));
  EXPECT_EQ(nvme.commands.back().opcode, 0x10);
  EXPECT_EQ(nvme.commands.back().cdw[0], 0x09u);  // replace slot 1, activate at reset
  nvme.frmw |= 0x10;                              // the controller can switch without a reset
  ASSERT_TRUE(
      o.DeviceIoControl(h, os::IOCTL_STORAGE_FIRMWARE_ACTIVATE, &a, sizeof a, &a, sizeof a, &n));
  EXPECT_EQ(nvme.commands.back().cdw[0], 0x19u);
  NvmeCompletion reset;
  reset.statusCodeType = 1;
  reset.statusCode = 0x11;
  nvme.scripted[0x10] = reset;
  EXPECT_TRUE(
      o.DeviceIoControl(h, os::IOCTL_STORAGE_FIRMWARE_ACTIVATE, &a, sizeof a, &a, sizeof a, &n));
  NvmeCompletion invalid;
  invalid.statusCodeType = 1;
  invalid.statusCode = 0x07;  // invalid firmware image
  nvme.scripted[0x10] = invalid;
  EXPECT_FALSE(
      o.DeviceIoControl(h, os::IOCTL_STORAGE_FIRMWARE_ACTIVATE, &a, sizeof a, &a, sizeof a, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_IO_DEVICE);
}

TEST(LabOsMiniport, NvmeMiniIdentifyOnTheMakersPortOnly) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE port = OpenDevice(o, "\\\\.\\Scsi2:");
  Bytes rec = MiniportRecord("NvmeMini", 0xE0002000u, 0x06, 1, 2, 4096);
  os::DWORD n = 0;
  // Sent: the header only; received: header and data.
  ASSERT_TRUE(o.DeviceIoControl(port, os::IOCTL_SCSI_MINIPORT, rec.data(), 153, rec.data(),
                                static_cast<os::DWORD>(rec.size()), &n));
  EXPECT_EQ(std::string(rec.begin() + 152 + 4, rec.begin() + 152 + 10), "MP30SN");
  EXPECT_EQ(common::ReadLe32(rec, 116 + 12), 0x00010000u);
  EXPECT_EQ(common::ReadLe32(rec, 20), 0u);  // ReturnCode
  const NvmeSubmission& s = lab.Fakes().Nvme("Disk3")->commands.back();
  EXPECT_EQ(s.opcode, 0x06);
  EXPECT_TRUE(s.admin);
  EXPECT_EQ(s.data.size(), 4096u);

  // The disk handle hands the same request to its port.
  os::HANDLE disk = OpenDevice(o, "\\\\.\\PHYSICALDRIVE3");
  rec = MiniportRecord("NvmeMini", 0xE0002000u, 0x06, 1, 2, 4096);
  EXPECT_TRUE(o.DeviceIoControl(disk, os::IOCTL_SCSI_MINIPORT, rec.data(), 153, rec.data(),
                                static_cast<os::DWORD>(rec.size()), &n));

  for (const char* other : {"\\\\.\\Scsi0:", "\\\\.\\Scsi1:", "\\\\.\\Scsi3:"}) {
    os::HANDLE p = OpenDevice(o, other);
    rec = MiniportRecord("NvmeMini", 0xE0002000u, 0x06, 1, 2, 4096);
    EXPECT_FALSE(o.DeviceIoControl(p, os::IOCTL_SCSI_MINIPORT, rec.data(), 153, rec.data(),
                                   static_cast<os::DWORD>(rec.size()), &n))
        << other;
    EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_FUNCTION);
  }
  // A length that claims more than either buffer holds.
  rec = MiniportRecord("NvmeMini", 0xE0002000u, 0x06, 1, 2, 4096);
  common::WriteLe32(rec, 24, 100000);
  EXPECT_FALSE(o.DeviceIoControl(port, os::IOCTL_SCSI_MINIPORT, rec.data(), 153, rec.data(),
                                 static_cast<os::DWORD>(rec.size()), &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_PARAMETER);
}

TEST(LabOsMiniport, ControlRequestsAnswerIdsLocationAndTheController) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE port = OpenDevice(o, "\\\\.\\Scsi2:");
  os::DWORD n = 0;
  auto control = [&](uint32_t code, Bytes& rec) {
    rec = MiniportRecord("VkmCtrl ", code, 0, 0, 3, 8);
    return o.DeviceIoControl(port, os::IOCTL_SCSI_MINIPORT, rec.data(),
                             static_cast<os::DWORD>(rec.size()), rec.data(),
                             static_cast<os::DWORD>(rec.size()), &n);
  };
  Bytes rec;
  ASSERT_TRUE(control(0xE0001C28u, rec));
  EXPECT_EQ(Bytes(rec.begin() + 152, rec.begin() + 156), (Bytes{0x9F, 0x1F, 0x30, 0x46}));
  ASSERT_TRUE(control(0xE0001C00u, rec));
  EXPECT_EQ(Bytes(rec.begin() + 152, rec.begin() + 156), (Bytes{0x00, 0x00, 0x04, 0x00}));
  ASSERT_TRUE(control(0xE0001C30u, rec));  // handed on to the controller
  EXPECT_EQ(std::string(rec.begin() + 152, rec.begin() + 156), "CTRL");
  EXPECT_FALSE(control(0xE0001C99u, rec));
  EXPECT_EQ(o.GetLastError(), os::ERROR_NOT_SUPPORTED);
}

TEST(LabOsMiniport, ALockedMiniportAnswersOnlyAfterTheUnlockRequest) {
  std::string ini = labtest::kReferenceLab;
  ini.insert(ini.find("[Disk4]"), "MiniportLocked=1\n\n");
  labtest::TestLab lab(ini);
  os::Os& o = lab.Os();
  os::HANDLE port = OpenDevice(o, "\\\\.\\Scsi2:");
  os::DWORD n = 0;
  Bytes rec = MiniportRecord("NvmeMini", 0xE0002000u, 0x06, 1, 2, 4096);
  EXPECT_FALSE(o.DeviceIoControl(port, os::IOCTL_SCSI_MINIPORT, rec.data(), 153, rec.data(),
                                 static_cast<os::DWORD>(rec.size()), &n));
  Bytes unlock = MiniportRecord("VkmCtrl ", 0xE0001C14u, 0, 0, 3, 0);
  ASSERT_TRUE(
      o.DeviceIoControl(port, os::IOCTL_SCSI_MINIPORT, unlock.data(), 153, unlock.data(), 153, &n));
  EXPECT_TRUE(o.DeviceIoControl(port, os::IOCTL_SCSI_MINIPORT, rec.data(), 153, rec.data(),
                                static_cast<os::DWORD>(rec.size()), &n));
}

TEST(LabOsMiniport, ASilentPortOpensButTimesOut) {
  std::string ini = labtest::kReferenceLab;
  ini.insert(ini.find("[Disk4]"), "PortSilent=1\n\n");
  labtest::TestLab silent(ini);
  os::Os& s = silent.Os();
  os::HANDLE port = OpenDevice(s, "\\\\.\\Scsi2:");
  os::DWORD n = 0;
  Bytes rec = MiniportRecord("NvmeMini", 0xE0002000u, 0x06, 1, 2, 4096);
  ASSERT_NE(port, os::INVALID_HANDLE_VALUE);
  const uint64_t before = s.GetTickCount64();
  EXPECT_FALSE(s.DeviceIoControl(port, os::IOCTL_SCSI_MINIPORT, rec.data(), 153, rec.data(),
                                 static_cast<os::DWORD>(rec.size()), &n));
  EXPECT_EQ(s.GetLastError(), os::ERROR_SEM_TIMEOUT);
  EXPECT_EQ(s.GetTickCount64() - before, 5000u);
}

}  // namespace
}  // namespace lab
