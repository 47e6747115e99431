#include <gtest/gtest.h>

#include <vector>

#include "common/bytes.h"
#include "platform/linux/nvme_translation.h"
#include "platform/linux/sg_translation.h"
#include "platform/nvme_pass_through.h"

namespace os::linuxos {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(SgTranslation, ScsiPassThroughBecomesAnSgRequest) {
  uint8_t data[512];
  SCSI_PASS_THROUGH_DIRECT s{};
  s.CdbLength = 10;
  s.Cdb[0] = 0x28;
  s.Cdb[8] = 1;
  s.Cdb[12] = 0xEE;  // past the CDB length
  s.DataIn = SCSI_IOCTL_DATA_IN;
  s.DataBuffer = data;
  s.DataTransferLength = 512;
  s.TimeOutValue = 15;
  SgCommand c = SgFromScsiPassThrough(s);
  EXPECT_EQ(c.cdbLength, 10);
  EXPECT_EQ(c.cdb[0], 0x28);
  EXPECT_EQ(c.cdb[12], 0);
  EXPECT_EQ(c.direction, kSgDxferFromDev);
  EXPECT_EQ(c.data, data);
  EXPECT_EQ(c.length, 512u);
  EXPECT_EQ(c.timeoutMs, 15000u);

  s.DataIn = SCSI_IOCTL_DATA_OUT;
  EXPECT_EQ(SgFromScsiPassThrough(s).direction, kSgDxferToDev);
  s.DataTransferLength = 0;  // no data: no direction, whatever DataIn says
  EXPECT_EQ(SgFromScsiPassThrough(s).direction, kSgDxferNone);
  s.TimeOutValue = 65536;
  EXPECT_EQ(SgFromScsiPassThrough(s).timeoutMs, 65536000u);
  EXPECT_EQ(TimeoutMs(0xFFFFFFFFu), 4294967u * 1000u);  // capped, not wrapped
}

ATA_PASS_THROUGH_DIRECT Block(uint16_t flags, Bytes current, uint32_t length) {
  ATA_PASS_THROUGH_DIRECT b{};
  b.AtaFlags = flags;
  std::copy(current.begin(), current.end(), b.CurrentTaskFile);
  b.DataTransferLength = length;
  return b;
}

TEST(SgTranslation, AtaTaskFilesBecomeSatCdbsThatAskForTheRegisters) {
  // IDENTIFY DEVICE, PIO in: no CK_COND on data-in (T_DIR, BYT_BLOK, T_LENGTH 2).
  auto i = SatCdbFromTaskFile(Block(0x03, {0, 1, 0, 0, 0, 0xE0, 0xEC}, 512));
  EXPECT_EQ(Bytes(i.begin(), i.end()),
            Bytes({0x85, 0x08, 0x0E, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0xE0, 0xEC, 0}));
  // WRITE DMA: protocol 6, data out.
  auto w = SatCdbFromTaskFile(Block(0x15, {0, 2, 0x10, 0x20, 0x30, 0xE1, 0xCA}, 1024));
  EXPECT_EQ(Bytes(w.begin(), w.end()),
            Bytes({0x85, 0x0C, 0x26, 0, 0, 0, 0x02, 0, 0x10, 0, 0x20, 0, 0x30, 0xE1, 0xCA, 0}));
  // SMART ENABLE OPERATIONS: non-data.
  auto n = SatCdbFromTaskFile(Block(0x01, {0xD8, 0, 0, 0x4F, 0xC2, 0xA0, 0xB0}, 0));
  EXPECT_EQ(Bytes(n.begin(), n.end()),
            Bytes({0x85, 0x06, 0x20, 0, 0xD8, 0, 0, 0, 0, 0, 0x4F, 0, 0xC2, 0xA0, 0xB0, 0}));
  // READ DMA EXT: extend bit and the previous registers.
  ATA_PASS_THROUGH_DIRECT ext = Block(0x1B, {0, 8, 1, 2, 3, 0x40, 0x25}, 4096);
  ext.PreviousTaskFile[1] = 0x01;
  ext.PreviousTaskFile[2] = 0x04;
  ext.PreviousTaskFile[3] = 0x05;
  ext.PreviousTaskFile[4] = 0x06;
  auto e = SatCdbFromTaskFile(ext);
  EXPECT_EQ(Bytes(e.begin(), e.end()), Bytes({0x85, 0x0D, 0x0E, 0, 0, 0x01, 0x08, 0x04, 0x01, 0x05,
                                              0x02, 0x06, 0x03, 0x40, 0x25, 0}));
  uint8_t buffer[4096];
  ext.DataBuffer = buffer;
  const SgCommand c = SgFromAtaPassThrough(ext);
  EXPECT_EQ(c.direction, kSgDxferFromDev);
  EXPECT_EQ(c.length, 4096u);
}

Bytes ProtocolCommand(uint8_t opcode, uint32_t toLen, uint32_t fromLen, uint32_t admin) {
  Bytes b(208 + 512 + 4, 0);
  common::WriteLe32(b, 0, 1);
  common::WriteLe32(b, 4, 84);
  common::WriteLe32(b, 8, 3);
  common::WriteLe32(b, 24, 64);
  common::WriteLe32(b, 28, 64);
  common::WriteLe32(b, 32, toLen);
  common::WriteLe32(b, 36, fromLen);
  common::WriteLe32(b, 40, 7);
  common::WriteLe32(b, 44, 144);
  common::WriteLe32(b, 48, toLen ? 208 : 0);
  common::WriteLe32(b, 52, fromLen ? 208 : 0);
  common::WriteLe32(b, 56, admin);
  b[80] = opcode;
  common::WriteLe32(b, 84, 1);      // NSID
  common::WriteLe32(b, 120, 0xAB);  // CDW10
  common::WriteLe32(b, 140, 0xCD);  // CDW15
  return b;
}

TEST(NvmeTranslation, ProtocolCommandToPassthroughAndBack) {
  Bytes b = ProtocolCommand(0xC2, 0, 512, 1);
  NvmeJob job = JobFromProtocolCommand(b);
  ASSERT_TRUE(job.valid);
  EXPECT_TRUE(job.admin);
  EXPECT_EQ(job.cmd.opcode, 0xC2);
  EXPECT_EQ(job.cmd.nsid, 1u);
  EXPECT_EQ(job.cmd.cdw10, 0xABu);
  EXPECT_EQ(job.cmd.cdw15, 0xCDu);
  EXPECT_EQ(job.cmd.dataLen, 512u);
  EXPECT_EQ(job.cmd.addr, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(b.data() + 208)));
  EXPECT_EQ(job.cmd.timeoutMs, 7000u);

  // Status 0x4002 (SCT 0, SC 2 with DNR): the completion entry at 144.
  CompleteProtocolCommand(b, 0x4002, 0x55);
  EXPECT_EQ(common::ReadLe32(b, 16), 2u);  // error
  EXPECT_EQ(common::ReadLe32(b, 144), 0x55u);
  EXPECT_EQ(common::ReadLe32(b, 156), 0x4002u << 17);
  CompleteProtocolCommand(b, 0, 0x66);
  EXPECT_EQ(common::ReadLe32(b, 16), 1u);
  EXPECT_EQ(common::ReadLe32(b, 156), 0u);

  // Offsets past the buffer are refused.
  Bytes bad = ProtocolCommand(0xC2, 0, 4096, 0);
  EXPECT_FALSE(JobFromProtocolCommand(bad).valid);
  Bytes nvm = ProtocolCommand(0x81, 512, 0, 2);
  EXPECT_FALSE(JobFromProtocolCommand(nvm).admin);
}

TEST(NvmeTranslation, PropertyQueriesBecomeIdentifyAndGetLogPage) {
  Bytes b(48 + 512 + 4, 0);
  common::WriteLe32(b, 0, 49);
  common::WriteLe32(b, 8, 3);
  common::WriteLe32(b, 12, 2);      // log page
  common::WriteLe32(b, 16, 0x102);  // log id 2 (only the low byte)
  common::WriteLe32(b, 20, 0x200);  // offset
  common::WriteLe32(b, 24, 40);
  common::WriteLe32(b, 28, 512);
  NvmeJob job = JobFromPropertyQuery(b);
  ASSERT_TRUE(job.valid);
  EXPECT_EQ(job.cmd.opcode, 0x02);
  EXPECT_EQ(job.cmd.cdw10, 0x007F0002u);  // NUMDL 127, LID 2
  EXPECT_EQ(job.cmd.cdw12, 0x200u);
  EXPECT_EQ(job.cmd.addr, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(b.data() + 48)));

  common::WriteLe32(b, 0, 50);
  common::WriteLe32(b, 12, 1);  // identify
  common::WriteLe32(b, 16, 0);  // CNS 0
  common::WriteLe32(b, 20, 1);  // NSID
  job = JobFromPropertyQuery(b);
  ASSERT_TRUE(job.valid);
  EXPECT_EQ(job.cmd.opcode, 0x06);
  EXPECT_EQ(job.cmd.nsid, 1u);
  EXPECT_EQ(job.cmd.cdw10, 0u);

  common::WriteLe32(b, 28, 4096);  // more than the buffer holds
  EXPECT_FALSE(JobFromPropertyQuery(b).valid);
  common::WriteLe32(b, 0, 0);  // not protocol-specific
  EXPECT_FALSE(JobFromPropertyQuery(b).valid);
}

TEST(NvmeTranslation, MiniportRecordAndFirmwareRequests) {
  Bytes r(152 + 4096 + 1, 0);
  std::copy_n("NvmeMini", 8, r.begin() + 4);
  common::WriteLe32(r, 12, 30);
  r[52] = 0x06;
  common::WriteLe32(r, 92, 1);
  common::WriteLe32(r, 132, 2);
  common::WriteLe32(r, 140, 4096);
  NvmeJob job = JobFromMiniportRecord(r, 153);
  ASSERT_TRUE(job.valid);
  EXPECT_TRUE(job.admin);
  EXPECT_EQ(job.cmd.opcode, 0x06);
  EXPECT_EQ(job.cmd.cdw10, 1u);
  EXPECT_EQ(job.cmd.dataLen, 4096u);
  EXPECT_EQ(job.cmd.timeoutMs, 30000u);
  CompleteMiniportRecord(r, 0x0002, 0x77);
  EXPECT_EQ(common::ReadLe32(r, 116), 0x77u);
  EXPECT_EQ(common::ReadLe32(r, 128), 0x2u << 17);
  std::copy_n("VkmCtrl ", 8, r.begin() + 4);
  EXPECT_FALSE(JobFromMiniportRecord(r, 153).valid);

  Bytes d(40 + 1024, 0);
  common::WriteLe64(d, 16, 0x400);
  common::WriteLe64(d, 24, 1024);
  job = JobFromFirmwareDownload(d);
  ASSERT_TRUE(job.valid);
  EXPECT_EQ(job.cmd.opcode, 0x11);
  EXPECT_EQ(job.cmd.cdw10, 255u);    // NUMD - 1
  EXPECT_EQ(job.cmd.cdw11, 0x100u);  // offset in dwords
  common::WriteLe64(d, 24, 4096);
  EXPECT_FALSE(JobFromFirmwareDownload(d).valid);

  const Bytes activate = {16, 0, 0, 0, 16, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  job = JobForFirmwareActivate(activate);
  EXPECT_EQ(job.cmd.opcode, 0x10);
  EXPECT_EQ(job.cmd.cdw10, 0x09u);  // commit action 1, slot 1
}

}  // namespace
}  // namespace os::linuxos
