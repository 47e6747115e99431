// Sense data of ATA PASS-THROUGH as kernel 6.1's libata, QEMU's USB disks
// and SAT bridges return it, worked out byte by byte from the layouts
// libata writes (descriptor: ATA Status Return descriptor at byte 8;
// fixed before 6.11: error, status, device, count at bytes 8-11).
#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/ata_reply.h"
#include "platform/linux/descriptor_sense.h"
#include "platform/linux/sense_data.h"
#include "platform/linux/sg_translation.h"

namespace os::linuxos {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes TaskFile(const ATA_PASS_THROUGH_DIRECT& b) {
  return Bytes(b.CurrentTaskFile, b.CurrentTaskFile + 7);
}

// A DOWNLOAD MICROCODE of 0x40 blocks at offset 0 as sent: subcommand 03,
// count 40, count high 00, offset 00 00, device E0, command 92.
ATA_PASS_THROUGH_DIRECT Download() {
  ATA_PASS_THROUGH_DIRECT b{};
  const uint8_t regs[7] = {0x03, 0x40, 0x00, 0x00, 0x00, 0xE0, 0x92};
  std::copy(regs, regs + 7, b.CurrentTaskFile);
  return b;
}

TEST(AtaSense, AbortedCommandsAreFailuresInEveryFormat) {
  // Kernel 6.1, D_SENSE off: fixed sense, ABORTED COMMAND 00/00, then
  // error 04 (ABRT), status 41 (DRDY ERR), device E0, count 40 at 8-11 and
  // the flags byte and LBA low at 16-17; 18 bytes (additional length 0A).
  const Bytes fixed61 = {0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x04,
                         0x41, 0xE0, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  SenseInfo s = ParseSense(fixed61);
  EXPECT_EQ(s.layout, SenseLayout::kFixedOldLibata);
  EXPECT_EQ(s.key, kSenseKeyAbortedCommand);
  ATA_PASS_THROUGH_DIRECT b = Download();
  DWORD error = 0;
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusCheckCondition, fixed61, b, &error));
  EXPECT_EQ(TaskFile(b), Bytes({0x04, 0x40, 0x00, 0x00, 0x00, 0xE0, 0x41}));

  // The same abort after MODE SELECT D_SENSE=1: 72h, key 0B, additional
  // length 0E, descriptor 09 0C: extend 0, error 04, count 00 40, LBA
  // pairs 00 00 / 00 00 / 00 00, device E0, status 41.
  const Bytes desc = {0x72, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                      0x04, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x41};
  b = Download();
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusCheckCondition, desc, b, &error));
  EXPECT_EQ(TaskFile(b), Bytes({0x04, 0x40, 0x00, 0x00, 0x00, 0xE0, 0x41}));

  // READ LOG EXT (48-bit, no CK_COND) aborted: extend bit set, device 40.
  const Bytes readLog = {0x72, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x01,
                         0x04, 0x00, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x40, 0x41};
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusCheckCondition, readLog, b, &error));
  EXPECT_EQ(TaskFile(b), Bytes({0x04, 0x01, 0x04, 0x00, 0x00, 0x40, 0x41}));

  // A SAT bridge, fixed format: error 04, status 51, device E0, count 00
  // in bytes 3-6, LBA in 9-11.
  const Bytes sat = {0xF0, 0x00, 0x0B, 0x04, 0x51, 0xE0, 0x00, 0x0A, 0x00,
                     0x11, 0x22, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(ParseSense(sat).layout, SenseLayout::kFixedSat);
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusCheckCondition, sat, b, &error));
  EXPECT_EQ(TaskFile(b), Bytes({0x04, 0x00, 0x11, 0x22, 0x33, 0xE0, 0x51}));

  // ABORTED COMMAND with registers that show no error (a host that reports
  // DRQ after a data-in command, 0B/47/00, status 58): still a failure, and
  // the status carries ERR so that callers judging it see one.
  const Bytes drq = {0x72, 0x0B, 0x47, 0x00, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                     0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA0, 0x58};
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusCheckCondition, drq, b, &error));
  EXPECT_EQ(b.CurrentTaskFile[kTaskFileCommand], 0x59);
  EXPECT_EQ(b.CurrentTaskFile[kTaskFileFeatures], kAtaErrorAbrt);
  // A device fault without ERR is a failure too.
  Bytes fault = desc;
  fault[1] = 0x04;
  fault[11] = 0x00;
  fault[21] = 0x60;
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusCheckCondition, fault, b, &error));
  EXPECT_EQ(b.CurrentTaskFile[kTaskFileCommand], 0x61);
}

TEST(AtaSense, RegistersOfSuccessfulCommandsAndRefusalsWithoutThem) {
  // SMART RETURN STATUS with CK_COND: RECOVERED ERROR 00/1D "ATA
  // pass-through information available", LBA mid 4F and high C2 (not
  // exceeded), device A0, status 50.
  const Bytes smart = {0x72, 0x01, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0xA0, 0x50};
  ATA_PASS_THROUGH_DIRECT b{};
  DWORD error = 0;
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusCheckCondition, smart, b, &error));
  EXPECT_EQ(TaskFile(b), Bytes({0x00, 0x00, 0x00, 0x4F, 0xC2, 0xA0, 0x50}));
  // Another descriptor first (information, 00 0A): the 09h one is found.
  Bytes twoDescriptors = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 0x1A, 0x00, 0x0A,
                          0x80, 0,    0,    0,    0, 0, 0, 0,    0,    0};
  twoDescriptors.insert(twoDescriptors.end(), smart.begin() + 8, smart.end());
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusCheckCondition, twoDescriptors, b, &error));
  EXPECT_EQ(TaskFile(b), Bytes({0x00, 0x00, 0x00, 0x4F, 0xC2, 0xA0, 0x50}));

  // A data-in command without CK_COND that succeeded: GOOD, no sense.
  b.CurrentTaskFile[kTaskFileCommand] = 0xEC;
  ASSERT_TRUE(JudgeAtaReply(kScsiStatusGood, {}, b, &error));
  EXPECT_EQ(b.CurrentTaskFile[kTaskFileCommand], 0x50);

  // QEMU's usb-storage disk has no ATA pass-through: ILLEGAL REQUEST,
  // INVALID COMMAND OPERATION CODE, fixed format, no registers.
  const Bytes noSat = {0x70, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00,
                       0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_FALSE(JudgeAtaReply(kScsiStatusCheckCondition, noSat, b, &error));
  EXPECT_EQ(error, ERROR_NOT_SUPPORTED);
  // libata refusing a protocol: 05/24/00, descriptor format.
  const Bytes badProtocol = {0x72, 0x05, 0x24, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_FALSE(JudgeAtaReply(kScsiStatusCheckCondition, badProtocol, b, &error));
  EXPECT_EQ(error, ERROR_NOT_SUPPORTED);
  // RECOVERED ERROR whose descriptor was cut off: no registers to judge.
  Bytes cut = smart;
  cut.resize(15);
  EXPECT_FALSE(JudgeAtaReply(kScsiStatusCheckCondition, cut, b, &error));
  EXPECT_EQ(error, ERROR_IO_DEVICE);
  // Fixed sense whose register bytes are all zero (the old misreading).
  const Bytes zeros = {0x70, 0x00, 0x0B, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(JudgeAtaReply(kScsiStatusCheckCondition, zeros, b, &error));
  EXPECT_FALSE(JudgeAtaReply(kScsiStatusCheckCondition, {}, b, &error));
  EXPECT_FALSE(JudgeAtaReply(kScsiStatusBusy, {}, b, &error));
  EXPECT_EQ(error, ERROR_NOT_READY);
  EXPECT_EQ(ParseSense(Bytes{0x72}).layout, SenseLayout::kDescriptor);
  EXPECT_FALSE(ParseSense(Bytes{0x72}).hasRegisters);
}

TEST(SgStatus, HostAndDriverStatusDecoded) {
  EXPECT_EQ(ErrorFromSgStatus(0, 0), ERROR_SUCCESS);
  EXPECT_EQ(ErrorFromSgStatus(0, kSgDriverSense), ERROR_SUCCESS);
  EXPECT_EQ(ErrorFromSgStatus(0, 0x18), ERROR_SUCCESS);      // sense, suggest retry
  EXPECT_EQ(ErrorFromSgStatus(3, 0), ERROR_SEM_TIMEOUT);     // DID_TIME_OUT
  EXPECT_EQ(ErrorFromSgStatus(0, 0x06), ERROR_SEM_TIMEOUT);  // DRIVER_TIMEOUT
  EXPECT_EQ(ErrorFromSgStatus(0, 0x02), ERROR_IO_DEVICE);    // DRIVER_SOFT is no time-out
  EXPECT_EQ(ErrorFromSgStatus(0, 0x04), ERROR_IO_DEVICE);    // DRIVER_ERROR
  EXPECT_EQ(ErrorFromSgStatus(1, 0), ERROR_DEV_NOT_EXIST);   // DID_NO_CONNECT
  EXPECT_EQ(ErrorFromSgStatus(7, 0x08), ERROR_IO_DEVICE);    // DID_ERROR
}

TEST(DescriptorSense, ModePageBytes) {
  const auto sense = ModeSenseControlCdb();
  EXPECT_EQ(Bytes(sense.begin(), sense.end()),
            Bytes({0x5A, 0x08, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFC, 0x00}));
  const auto select = ModeSelectCdb(20);
  EXPECT_EQ(Bytes(select.begin(), select.end()),
            Bytes({0x55, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x00}));
  // libata's answer: mode data length 0012h, DPOFUA, no block descriptor,
  // Control page 0A 0A with GLTSD (02), busy time-out FFFF, self-test 1E.
  const Bytes reply = {0x00, 0x12, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x0A,
                       0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x1E};
  EXPECT_EQ(DescriptorSenseParameters(reply),
            Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x0A,
                   0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x1E}));
  // A block descriptor before the page, and the PS bit cleared.
  Bytes withBlock = {0x00, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0,    0,
                     0,    0,    0,    0,    2,    0,    0x8A, 0x0A, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x1E};
  EXPECT_EQ(DescriptorSenseParameters(withBlock),
            Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x0A,
                   0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x1E}));
  // Set already, another page, or short: nothing to send.
  Bytes set = reply;
  set[10] = 0x06;
  EXPECT_TRUE(DescriptorSenseParameters(set).empty());
  Bytes other = reply;
  other[8] = 0x08;
  EXPECT_TRUE(DescriptorSenseParameters(other).empty());
  EXPECT_TRUE(DescriptorSenseParameters(Bytes(reply.begin(), reply.begin() + 15)).empty());
}

}  // namespace
}  // namespace os::linuxos
