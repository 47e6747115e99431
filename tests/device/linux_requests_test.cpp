// The device layer's commands on the Linux backend, with a fake kernel
// answering as kernel 6.1 answers (libata's sense layouts, NVMe statuses
// as ioctl returns): what a user's flow sees when a drive refuses a
// command, a controller needs a reset, or a transfer is too large.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "device/ata/ata_commands.h"
#include "device/nvme/nvme_dispatch.h"
#include "device/scsi/scsi_commands.h"
#include "support/fake_kernel.h"
#include "support/fake_sysfs.h"

namespace device {
namespace {

using Bytes = std::vector<uint8_t>;
using testsupport::FakeKernel;

struct Machine {
  testsupport::FakeSysfs sys;
  std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
  testsupport::FakeLinuxOs os{sys.SysRoot(), sys.DevRoot(), kernel, sys.ProcRoot()};
  Machine() { os.Trace().SetCapture(true); }

  // Drive n as the scan would leave it: closed, path and access bits set.
  StorageDevice Drive(int n, uint32_t attribute) {
    StorageDevice dev(os);
    EXPECT_TRUE(dev.OpenPhysicalDrive(n));
    dev.Close();
    dev.devAttribute = attribute;
    return dev;
  }
};

// libata's MODE SENSE(10) answer for the Control page, D_SENSE clear.
const Bytes kControlPage = {0x00, 0x12, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x0A,
                            0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x1E};

TEST(LinuxRequests, RefusedAtaCommandsFailAndRegistersComeBack) {
  Machine m;
  FakeKernel& k = *m.kernel;
  k.sgAnswers = {
      FakeKernel::Good(kControlPage),
      FakeKernel::Good(),
      // DOWNLOAD MICROCODE aborted, descriptor sense (after D_SENSE=1).
      FakeKernel::Check({0x72, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                         0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x41}),
      // SMART RETURN STATUS, CK_COND: 4F/C2.
      FakeKernel::Check({0x72, 0x01, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0xA0, 0x50}),
      // IDENTIFY aborted in 6.1's fixed format (no descriptor sense).
      FakeKernel::Check({0x70, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x04, 0x41, 0xA0, 0x01,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
  };
  StorageDevice dev = m.Drive(0, STORAGE_PHYSICAL | STORAGE_ATA);
  const Bytes image(512, 0x5A);
  AtaRegisters result;
  EXPECT_FALSE(AtaDownloadMicrocode(dev, 0x03, 0, 1, image, false, &result));
  EXPECT_EQ(result.command, 0x41u);
  EXPECT_EQ(result.features, 0x04u);

  AtaRegisters smart{0xDA, 0, 0, 0x4F, 0xC2, 0xA0, 0xB0};
  ASSERT_TRUE(AtaGenericDataIn(dev, smart, {}, 0, {}, false, false));
  EXPECT_EQ(smart.lbaMid, 0x4Fu);
  EXPECT_EQ(smart.lbaHigh, 0xC2u);
  EXPECT_EQ(smart.command, 0x50u);

  Bytes identify(512, 0);
  EXPECT_FALSE(AtaIdentifyDevice(dev, identify));

  ASSERT_EQ(k.sgSent.size(), 5u);
  // Descriptor sense asked for once, before the first pass-through.
  EXPECT_EQ(k.sgSent[0].cdb, Bytes({0x5A, 0x08, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFC, 0x00}));
  EXPECT_EQ(k.sgSent[1].cdb, Bytes({0x55, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x00}));
  EXPECT_EQ(k.sgSent[1].data, Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x0A,
                                     0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x1E}));
  // PIO data-out with CK_COND; subcommand 03, one block, device E0, 92h;
  // a long request: 300 s although the drive is at its default time-out.
  EXPECT_EQ(k.sgSent[2].cdb, Bytes({0x85, 0x0A, 0x26, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0xE0, 0x92, 0x00}));
  EXPECT_EQ(k.sgSent[2].timeoutMs, 300000u);
  EXPECT_EQ(k.sgSent[2].data, image);
  // Non-data with CK_COND; an ordinary request: 60 s.
  EXPECT_EQ(k.sgSent[3].cdb, Bytes({0x85, 0x06, 0x20, 0x00, 0xDA, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0x4F, 0x00, 0xC2, 0xA0, 0xB0, 0x00}));
  EXPECT_EQ(k.sgSent[3].timeoutMs, 60000u);
  // PIO data-in without CK_COND.
  EXPECT_EQ(k.sgSent[4].cdb, Bytes({0x85, 0x08, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00}));

  // A time-out the caller set is kept when short, raised for a long one.
  dev.SetTimeout(20);
  k.sgAnswers = {
      FakeKernel::Good(Bytes(512, 0)),
      FakeKernel::Check({0x72, 0x01, 0x00, 0x1D, 0x00, 0x00, 0x00, 0x0E, 0x09, 0x0C, 0x00,
                         0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x50})};
  EXPECT_TRUE(AtaIdentifyDevice(dev, identify));
  EXPECT_TRUE(AtaDownloadMicrocode(dev, 0x03, 0, 1, image, false, &result));
  EXPECT_EQ(result.count, 0x01u);  // the drive's download state, from the registers
  EXPECT_EQ(k.sgSent[5].timeoutMs, 20000u);
  EXPECT_EQ(k.sgSent[6].timeoutMs, 300000u);
  k.sgAnswers = {FakeKernel::Good()};  // the Control page put back at the end
}

TEST(LinuxRequests, SatCdbsThroughScsiPassThroughGetDescriptorSenseToo) {
  Machine m;
  FakeKernel& k = *m.kernel;
  k.sgAnswers = {FakeKernel::Good(kControlPage), FakeKernel::Good(),
                 FakeKernel::Good(Bytes(512, 0x40)), FakeKernel::Good(Bytes(512, 0x40))};
  StorageDevice dev =
      m.Drive(0, STORAGE_PHYSICAL | STORAGE_SCSI | STORAGE_ATA | STORAGE_SCSI_ATAPI);
  Bytes identify(512, 0);
  ASSERT_TRUE(IdentifyDeviceATAPI(dev, identify));
  ASSERT_TRUE(IdentifyDeviceATAPI(dev, identify));
  EXPECT_EQ(identify[0], 0x40);
  ASSERT_EQ(k.sgSent.size(), 4u);
  EXPECT_EQ(k.sgSent[0].cdb[0], 0x5A);
  EXPECT_EQ(k.sgSent[1].cdb[0], 0x55);
  EXPECT_EQ(k.sgSent[2].cdb, Bytes({0x85, 0x08, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00}));
  EXPECT_EQ(k.sgSent[3].cdb, k.sgSent[2].cdb);
  k.sgAnswers = {FakeKernel::Good()};  // the Control page put back at the end
}

// D_SENSE is the kernel's setting for the disk, read by every program: the
// tool leaves each disk's Control page as it found it.
TEST(LinuxRequests, TheControlPageIsLeftAsItWasFound) {
  const Bytes identifyCdb = {0x85, 0x08, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0xEC, 0x00};
  {
    auto m = std::make_unique<Machine>();
    std::shared_ptr<FakeKernel> k = m->kernel;
    k->sgAnswers = {FakeKernel::Good(kControlPage), FakeKernel::Good(),
                    FakeKernel::Good(Bytes(512, 0x40)), FakeKernel::Good(Bytes(512, 0x40)),
                    FakeKernel::Good()};
    {
      StorageDevice dev = m->Drive(0, STORAGE_PHYSICAL | STORAGE_ATA);
      Bytes identify(512, 0);
      ASSERT_TRUE(AtaIdentifyDevice(dev, identify));
      ASSERT_TRUE(AtaIdentifyDevice(dev, identify));
    }
    ASSERT_EQ(k->sgSent.size(), 4u);
    EXPECT_EQ(k->sgSent[1].data[10], 0x06);  // D_SENSE on while the tool works
    m.reset();
    ASSERT_EQ(k->sgSent.size(), 5u);
    EXPECT_EQ(k->sgSent[4].cdb,
              Bytes({0x55, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x14, 0x00}));
    // The page as MODE SENSE reported it, in a MODE SELECT header.
    EXPECT_EQ(k->sgSent[4].data,
              Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x0A,
                     0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x1E}));
    EXPECT_TRUE(k->sgAnswers.empty());
  }
  // Descriptor sense on before the tool came, or a disk that refused the
  // change: nothing to put back, and the page is never written.
  for (const bool alreadyOn : {true, false}) {
    SCOPED_TRACE(alreadyOn);
    Bytes page = kControlPage;
    if (alreadyOn) page[10] |= 0x04;
    auto m = std::make_unique<Machine>();
    std::shared_ptr<FakeKernel> k = m->kernel;
    k->sgAnswers = {FakeKernel::Good(page)};
    if (!alreadyOn)
      k->sgAnswers.push_back(
          FakeKernel::Check({0x70, 0x00, 0x05, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x24, 0x00}));
    k->sgAnswers.push_back(FakeKernel::Good(Bytes(512, 0x40)));
    {
      StorageDevice dev = m->Drive(0, STORAGE_PHYSICAL | STORAGE_ATA);
      Bytes identify(512, 0);
      ASSERT_TRUE(AtaIdentifyDevice(dev, identify));
    }
    m.reset();
    ASSERT_EQ(k->sgSent.size(), alreadyOn ? 2u : 3u);
    EXPECT_EQ(k->sgSent.back().cdb, identifyCdb);
  }
}

TEST(LinuxRequests, ABridgeWithoutAtaPassThroughRefusesAndScsiTimeOutsAreTimeOuts) {
  Machine m;
  FakeKernel& k = *m.kernel;
  // usb-storage without SAT: ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE.
  k.sgAnswers = {FakeKernel::Check({0x70, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00,
                                    0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00})};
  StorageDevice usb = m.Drive(1, STORAGE_PHYSICAL | STORAGE_ATA);
  Bytes identify(512, 0);
  EXPECT_FALSE(AtaIdentifyDevice(usb, identify));
  ASSERT_EQ(k.sgSent.size(), 1u);  // no MODE SELECT on a USB disk
  EXPECT_EQ(k.sgSent[0].cdb[0], 0x85);

  // A SCSI command the host timed out (DID_TIME_OUT).
  FakeKernel::SgAnswer timedOut;
  timedOut.reply.hostStatus = 3;
  k.sgAnswers = {timedOut};
  StorageDevice sata = m.Drive(0, STORAGE_PHYSICAL | STORAGE_ATA);
  Bytes inquiry(kInquiryLength, 0);
  EXPECT_FALSE(ScsiInquiry(sata, inquiry));
  EXPECT_TRUE(m.os.Trace().Contains("ExecuteSCSIIO: lst_err = 79"));  // ERROR_SEM_TIMEOUT
}

TEST(LinuxRequests, TransfersLargerThanTheAdapterTakesAreSplitOrRefused) {
  Machine m;
  m.sys.Dir().Write("sys/block/sdb/queue/max_hw_sectors_kb", "120\n");
  FakeKernel& k = *m.kernel;
  // 256 blocks at LBA 10h: 240 (120 KiB) and 16.
  k.sgAnswers = {FakeKernel::Good(Bytes(240 * 512, 0x11)), FakeKernel::Good(Bytes(16 * 512, 0x22))};
  StorageDevice usb = m.Drive(1, STORAGE_PHYSICAL | STORAGE_SCSI);
  Bytes data(256 * 512, 0);
  ASSERT_TRUE(ScsiRead10(usb, 0x10, 256, data));
  ASSERT_EQ(k.sgSent.size(), 2u);
  EXPECT_EQ(k.sgSent[0].cdb, Bytes({0x28, 0x04, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0xF0, 0x00}));
  EXPECT_EQ(k.sgSent[0].length, 122880u);
  EXPECT_EQ(k.sgSent[1].cdb, Bytes({0x28, 0x04, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00}));
  EXPECT_EQ(k.sgSent[1].length, 8192u);
  EXPECT_EQ(data[240 * 512 - 1], 0x11);
  EXPECT_EQ(data[240 * 512], 0x22);

  // A piece that fails ends the command.
  k.sgAnswers = {FakeKernel::Check({0x70, 0x00, 0x03, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x11, 0})};
  EXPECT_FALSE(ScsiRead10(usb, 0, 256, data));
  EXPECT_EQ(k.sgSent.size(), 3u);

  // Nothing else can be split: refused before it reaches the kernel.
  const Bytes big(256 * 512, 0);
  EXPECT_FALSE(ScsiWriteBuffer(usb, 0xFF, 0, 256, big));
  EXPECT_EQ(k.sgSent.size(), 3u);
  EXPECT_TRUE(m.os.Trace().Contains("takes at most 122880 bytes per command"));
}

TEST(LinuxRequests, NvmeNamespacesAnswerCapacityAndSectorsFromTheBlockDevice) {
  Machine m;
  FakeKernel& k = *m.kernel;
  StorageDevice nvme = m.Drive(2, STORAGE_PHYSICAL | STORAGE_NVME);
  // 4 TiB of 512-byte blocks: the 10-byte answer overflows.
  k.bytes = uint64_t{1} << 42;
  EXPECT_EQ(ReadCapacityBlocks(nvme), uint64_t{1} << 33);
  uint64_t last = 0;
  uint32_t block = 0;
  ASSERT_TRUE(ScsiReadCapacity16(nvme, &last, &block));
  EXPECT_EQ(last, 0x1FFFFFFFFull);
  EXPECT_EQ(block, 512u);
  k.bytes = uint64_t{3} << 30;  // 3 GiB of 4 KiB blocks
  k.blockSize = 4096;
  EXPECT_EQ(ReadCapacityBlocks(nvme), 786432u);
  EXPECT_EQ(nvme.devBlockFactor, 8u);

  // The node itself: 4096 bytes, 8 blocks of 512.
  k.bytes = 0;
  nvme.devBlockFactor = 1;
  Bytes sector(512, 0xC3);
  ASSERT_TRUE(ScsiWrite10(nvme, 2, 1, sector));
  EXPECT_EQ(m.sys.Dir().Read("dev/nvme0n1").substr(1024, 512), std::string(512, '\xC3'));
  Bytes back(512, 0);
  ASSERT_TRUE(ScsiRead10(nvme, 2, 1, back));
  EXPECT_EQ(back, sector);
  EXPECT_FALSE(ScsiRead10(nvme, 8, 1, back));  // past the end
  EXPECT_TRUE(k.sgSent.empty());               // the namespace never saw SG_IO
  Bytes inquiry(kInquiryLength, 0);
  EXPECT_FALSE(ScsiInquiry(nvme, inquiry));
}

NvmeCommandRecord Commit(uint8_t action, uint8_t slot) {
  NvmeCommandRecord r;
  r.SetOpcode(0x10);
  r.SetDword(os::kNvmeCdw10, uint32_t{action} << 3 | slot);
  return r;
}

// A second controller beside nvme0 in one NVM subsystem, as
// /sys/class/nvme-subsystem lists it (with the shared namespace's head).
void TwoControllerSubsystem(const testsupport::FakeSysfs& sys) {
  for (const char* entry : {"nvme0", "nvme1", "nvme0n1"})
    sys.Dir().Write(std::string("sys/class/nvme-subsystem/nvme-subsys0/") + entry + "/dev", "");
  sys.Dir().Write("sys/class/nvme-subsystem/nvme-subsys1/nvme2/dev", "");
}

TEST(LinuxRequests, FirmwareCommitStatusesRunTheResetTheyAskForOrWaitForAReboot) {
  Machine m;
  m.sys.Dir().Write("dev/nvme0", "");
  TwoControllerSubsystem(m.sys);
  FakeKernel& k = *m.kernel;
  StorageDevice nvme = m.Drive(2, STORAGE_PHYSICAL | STORAGE_NVME);
  // Immediate activation asked (the inbox request without "switch upon
  // reset") of a controller that serves no disk in use.
  NvmeCommandRecord commit = Commit(3, 1);

  // Controller reset needed: the backend resets the controller and waits
  // until it is live; the request is done.
  k.nvmeAnswers = {{0x0111, 0, {}}};
  k.states = {"resetting", "connecting", "live"};
  EXPECT_TRUE(ExecuteNvmeCommand(nvme, commit, 0, 0, true, true));
  EXPECT_EQ(k.resets, 1);
  EXPECT_EQ(k.subsystemResets, 0);
  EXPECT_EQ(m.os.sleptMs, 200u);
  ASSERT_EQ(k.nvmeSent.size(), 1u);
  EXPECT_EQ(k.nvmeSent[0].cmd.opcode, 0x10);
  EXPECT_EQ(k.nvmeSent[0].cmd.cdw10, 0x09u);
  EXPECT_EQ(k.nvmeSent[0].cmd.timeoutMs, 300000u);
  EXPECT_TRUE(m.os.Trace().Contains("controller reset after the firmware commit"));

  // The controller does not come back: a time-out, bounded.
  k.nvmeAnswers = {{0x0111, 0, {}}};
  k.states = {"resetting"};
  m.os.sleptMs = 0;
  EXPECT_FALSE(ExecuteNvmeCommand(nvme, commit, 0, 0, true, true));
  EXPECT_EQ(m.os.GetLastError(), os::ERROR_SEM_TIMEOUT);
  EXPECT_EQ(m.os.sleptMs, 30000u);
  EXPECT_EQ(k.resets, 2);

  // NVM subsystem reset needed: a controller reset would not run the image,
  // so the subsystem is reset and both of its controllers are waited for
  // (the controller of another subsystem is not).
  k.nvmeAnswers = {{0x0110, 0, {}}};
  k.states.clear();
  k.statesOf = {{"nvme0", {"resetting", "connecting", "live"}},
                {"nvme1", {"resetting", "resetting", "resetting", "live"}},
                {"nvme2", {"dead"}}};
  k.stateReads.clear();
  m.os.sleptMs = 0;
  EXPECT_TRUE(ExecuteNvmeCommand(nvme, commit, 0, 0, true, true));
  EXPECT_EQ(k.subsystemResets, 1);
  EXPECT_EQ(k.resets, 2);
  EXPECT_EQ(m.os.sleptMs, 300u);
  EXPECT_EQ(k.stateReads, (std::vector<std::string>{"nvme0", "nvme1", "nvme0", "nvme1", "nvme0",
                                                    "nvme1", "nvme0", "nvme1"}));
  EXPECT_TRUE(m.os.Trace().Contains("NVM subsystem reset after the firmware commit"));

  // A controller of the subsystem dies in the reset: the request fails.
  k.nvmeAnswers = {{0x0110, 0, {}}};
  k.statesOf = {{"nvme0", {"live"}}, {"nvme1", {"resetting", "dead"}}};
  EXPECT_FALSE(ExecuteNvmeCommand(nvme, commit, 0, 0, true, true));
  EXPECT_EQ(m.os.GetLastError(), os::ERROR_FILE_NOT_FOUND);

  // A kernel or controller without NVM subsystem reset: nothing is reset and
  // nothing waited for; the image is stored and runs after a reboot, so the
  // request is done and the firmware read back afterwards is still the old.
  for (int refusal : {ENOTTY, EINVAL}) {
    k.nvmeAnswers = {{0x0110, 0, {}}};
    k.subsystemResetError = refusal;
    k.stateReads.clear();
    m.os.sleptMs = 0;
    EXPECT_TRUE(ExecuteNvmeCommand(nvme, commit, 0, 0, true, true)) << refusal;
    EXPECT_TRUE(k.stateReads.empty());
    EXPECT_EQ(m.os.sleptMs, 0u);
  }
  EXPECT_EQ(k.resets, 2);
  EXPECT_TRUE(
      m.os.Trace().Contains("which is not available here: the new firmware runs after a "
                            "reboot"));
  // Any other refusal of the reset fails the request.
  k.nvmeAnswers = {{0x0110, 0, {}}};
  k.subsystemResetError = EBUSY;
  EXPECT_FALSE(ExecuteNvmeCommand(nvme, commit, 0, 0, true, true));
  EXPECT_EQ(m.os.GetLastError(), os::ERROR_NOT_READY);
  k.subsystemResetError = 0;

  // Conventional reset needed: only a reboot runs the image. Nothing is
  // reset, the request is done.
  const int subsystemResets = k.subsystemResets;
  k.nvmeAnswers = {{0x010B, 0, {}}};
  k.stateReads.clear();
  EXPECT_TRUE(ExecuteNvmeCommand(nvme, commit, 0, 0, true, true));
  EXPECT_EQ(k.resets, 2);
  EXPECT_EQ(k.subsystemResets, subsystemResets);
  EXPECT_TRUE(k.stateReads.empty());
  EXPECT_TRUE(
      m.os.Trace().Contains("asks for a conventional reset: the new firmware runs after a "
                            "reboot"));

  // An invalid image: no reset, its own error.
  k.nvmeAnswers = {{0x0107, 0, {}}};
  EXPECT_FALSE(ExecuteNvmeCommand(nvme, commit, 0, 0, true, true));
  EXPECT_EQ(m.os.GetLastError(), os::ERROR_INVALID_DATA);
  EXPECT_EQ(k.resets, 2);
  EXPECT_EQ(k.subsystemResets, subsystemResets);
}

TEST(LinuxRequests, TheMiniportCompletionCarriesTheCommitStatusAsItCame) {
  Machine m;
  m.sys.Dir().Write("dev/nvme0", "");
  FakeKernel& k = *m.kernel;
  StorageDevice port(m.os);
  port.devAttribute = STORAGE_NVME_MINIPORT;
  port.devHaId = 128;

  // The subsystem reset ran: the completion still says what the controller
  // said, with its DW0.
  k.nvmeAnswers = {{0x0110, 0xABCD, {}}};
  k.states = {"live"};
  NvmeCommandRecord viaPort = Commit(3, 3);
  viaPort.Command()[1] = 0x40;  // PSDT: the kernel takes no flags
  ASSERT_TRUE(ExecuteNvmeCommand(port, viaPort, 0, 0, true, true));
  EXPECT_EQ(viaPort.Completion(0), 0xABCDu);
  EXPECT_EQ(viaPort.Completion(3), 0x0110u << 17);
  EXPECT_EQ(NvmeStatusCode(viaPort.Completion(3)), 0x10);
  EXPECT_EQ(NvmeStatusCodeType(viaPort.Completion(3)), 1);
  EXPECT_EQ(k.subsystemResets, 1);
  EXPECT_EQ(k.resets, 0);
  EXPECT_EQ(k.nvmeSent.back().cmd.flags, 0);
  EXPECT_EQ(k.nvmeSent.back().cmd.cdw10, 0x1Bu);
  EXPECT_EQ(k.nvmeSent.back().cmd.timeoutMs, 300000u);

  // Conventional reset: no reset, the status comes back for the flow.
  k.nvmeAnswers = {{0x010B, 0, {}}};
  NvmeCommandRecord again = Commit(1, 2);
  ASSERT_TRUE(ExecuteNvmeCommand(port, again, 0, 0, true, true));
  EXPECT_EQ(NvmeStatusField(again.Completion(3)), 0x010B);
  EXPECT_EQ(k.subsystemResets + k.resets, 1);
}

TEST(LinuxRequests, AVendorCommandTheControllerRefusesComesBackWithItsStatus) {
  Machine m;
  FakeKernel& k = *m.kernel;
  StorageDevice nvme = m.Drive(2, STORAGE_PHYSICAL | STORAGE_NVME);

  // Kernel 6.1 on QEMU's controller: an unknown admin opcode gives 0x4001
  // (Invalid Command Opcode, Do Not Retry). The command completed: the
  // request went through and the completion carries the whole status.
  NvmeCommandRecord vendor(0);
  vendor.SetOpcode(0xC0);
  k.nvmeAnswers = {{0x4001, 0x1234, {}}};
  EXPECT_TRUE(ExecuteNvmeCommand(nvme, vendor, 0, 0, true, true));
  EXPECT_EQ(vendor.Completion(0), 0x1234u);
  EXPECT_EQ(vendor.Completion(3), 0x80020000u);
  EXPECT_EQ(NvmeStatusCode(vendor.Completion(3)), 0x01);
  EXPECT_EQ(NvmeStatusCodeType(vendor.Completion(3)), 0);
  EXPECT_TRUE(NvmeDoNotRetry(vendor.Completion(3)));
  EXPECT_FALSE(NvmeMore(vendor.Completion(3)));
  EXPECT_EQ(k.nvmeSent.back().cmd.opcode, 0xC0);
  EXPECT_EQ(k.nvmeSent.back().cmd.timeoutMs, 60000u);

  // Vendor specific type with More set, and data in.
  NvmeCommandRecord read(512);
  read.SetOpcode(0xC2);
  k.nvmeAnswers = {{0x2702, 0x55, {}}};
  EXPECT_TRUE(ExecuteNvmeCommand(nvme, read, 512, 0, true, true));
  EXPECT_EQ(read.Completion(0), 0x55u);
  EXPECT_EQ(NvmeStatusCode(read.Completion(3)), 0x02);
  EXPECT_EQ(NvmeStatusCodeType(read.Completion(3)), 7);
  EXPECT_TRUE(NvmeMore(read.Completion(3)));
  EXPECT_FALSE(NvmeDoNotRetry(read.Completion(3)));

  // Success: status 0 and DW0.
  k.nvmeAnswers = {{0, 0x77, Bytes(512, 0x5A)}};
  EXPECT_TRUE(ExecuteNvmeCommand(nvme, read, 512, 0, true, true));
  EXPECT_EQ(read.Completion(0), 0x77u);
  EXPECT_EQ(read.Completion(3), 0u);
  EXPECT_EQ(read.Data()[511], 0x5A);

  // A command the kernel gave up on (EINTR after its time-out) never
  // completed: the request fails.
  k.nvmeAnswers = {{-EINTR, 0, {}}};
  EXPECT_FALSE(ExecuteNvmeCommand(nvme, read, 512, 0, true, true));
  EXPECT_EQ(m.os.GetLastError(), os::ERROR_SEM_TIMEOUT);
}

}  // namespace
}  // namespace device
