// Firmware updates on lab drives as the update flow meets them: ATA DOWNLOAD
// MICROCODE through ATA pass-through (subcommands 3, 7, 0Eh, 0Fh) and NVMe
// Firmware Image Download and Commit through the maker's miniport, the revision
// each drive then reports, activation at the next start of the tool, and the
// fault switches leaving a drive the next run recovers.
#include <gtest/gtest.h>

#include "lab/support/drive_requests.h"

namespace labtest {
namespace {

constexpr uint8_t kDownload = 0x92;
constexpr uint8_t kStatusGood = 0x50, kStatusError = 0x51;
constexpr size_t kAtaImageBytes = 0x10000;  // 128 blocks

const char kMachine[] = "[Machine]\nSystemDirectory=C:\\Windows\\system32\n";

std::string SataIni(const std::string& extra = "") {
  return std::string(kMachine) +
         "[Disk Sata]\nAttachment=sata\nController=generic\nNumber=1\nCapacity=64MiB\n"
         "Firmware=OLD00001\nDownloadFormat=plain\n" +
         extra;
}

// A plain image: the version in the IDENTIFY template at 0x62E (pairs
// swapped) and the byte checksum at 0x87C over everything outside 0x600-0x87F.
std::vector<uint8_t> AtaImage(const char* version) {
  std::vector<uint8_t> img(kAtaImageBytes);
  for (size_t i = 0; i < img.size(); ++i) img[i] = static_cast<uint8_t>(i * 7 + 3);
  for (size_t i = 0x600; i < 0x880; ++i) img[i] = 0;
  for (size_t i = 0; i < 8; ++i) img[0x62E + (i ^ 1)] = static_cast<uint8_t>(version[i]);
  uint32_t sum = 0;
  for (size_t i = 0; i < img.size(); ++i) {
    if (i < 0x600 || i >= 0x880) sum += img[i];
  }
  common::WriteLe32(img, 0x87C, sum);
  return img;
}

class AtaFirmwareOnLab : public ::testing::Test {
 protected:
  void Open(const std::string& extra = "") { lab = std::make_unique<LabFolder>(SataIni(extra)); }
  void Restart(const std::string& extra = "") {
    lab->Rewrite(SataIni(extra));
    lab->Restart();
  }
  // One DOWNLOAD MICROCODE: offset and count in blocks, as the engine sends
  // them (count in the count and LBA low registers, offset in LBA mid/high).
  AtaOutcome Segment(uint8_t sub, std::vector<uint8_t>& image, uint16_t offset, uint16_t blocks) {
    const os::HANDLE h = OpenDevice(lab->Os(), "\\\\.\\PHYSICALDRIVE1");
    std::vector<uint8_t> data(image.begin() + offset * 512,
                              image.begin() + (offset + blocks) * 512);
    TaskFile tf;
    tf.features = sub;
    tf.count = static_cast<uint8_t>(blocks);
    tf.lbaLow = static_cast<uint8_t>(blocks >> 8);
    tf.lbaMid = static_cast<uint8_t>(offset);
    tf.lbaHigh = static_cast<uint8_t>(offset >> 8);
    tf.command = kDownload;
    const AtaOutcome r = SendAta(lab->Os(), h, tf, data);
    lab->Os().CloseHandle(h);
    return r;
  }
  // The whole image in segments of `chunk` blocks: each segment's count
  // register, or -1 for an error, -2 for a request that failed.
  std::vector<int> Send(uint8_t sub, std::vector<uint8_t>& image, uint16_t chunk) {
    std::vector<int> counts;
    const auto total = static_cast<uint16_t>(image.size() / 512);
    for (uint16_t off = 0; off < total; off = static_cast<uint16_t>(off + chunk)) {
      const AtaOutcome r =
          Segment(sub, image, off, std::min<uint16_t>(chunk, static_cast<uint16_t>(total - off)));
      counts.push_back(!r.ok ? -2 : r.Good() ? r.regs.count : -1);
      if (!r.Good()) break;
    }
    return counts;
  }
  AtaOutcome Activate() {
    std::vector<uint8_t> none;
    const os::HANDLE h = OpenDevice(lab->Os(), "\\\\.\\PHYSICALDRIVE1");
    TaskFile tf;
    tf.features = 0x0F;
    tf.command = kDownload;
    const AtaOutcome r = SendAta(lab->Os(), h, tf, none);
    lab->Os().CloseHandle(h);
    return r;
  }
  std::string Revision() {
    const os::HANDLE h = OpenDevice(lab->Os(), "\\\\.\\PHYSICALDRIVE1");
    const std::string r = AtaString(AtaIdentify(lab->Os(), h), 23, 4);
    lab->Os().CloseHandle(h);
    return r;
  }

  std::unique_ptr<LabFolder> lab;
};

TEST_F(AtaFirmwareOnLab, Subcommand3ActivatesAtTheEndAndTheRevisionSurvivesRestarts) {
  Open();
  std::vector<uint8_t> img = AtaImage("NEW00003");
  // 128 blocks in 48s: 48, 48, 32; 1 = more expected, 2 = applied.
  EXPECT_EQ(Send(0x03, img, 48), (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(Revision(), "NEW00003");
  lab->Restart();
  EXPECT_EQ(Revision(), "NEW00003");
}

TEST_F(AtaFirmwareOnLab, Subcommand7TakesTheWholeImageInOneCommand) {
  Open();
  std::vector<uint8_t> img = AtaImage("NEW00007");
  EXPECT_EQ(Send(0x07, img, 128), (std::vector<int>{2}));
  EXPECT_EQ(Revision(), "NEW00007");
  lab->Restart();
  EXPECT_EQ(Revision(), "NEW00007");
}

TEST_F(AtaFirmwareOnLab, DeferredDownloadRunsAfter0FhOrTheNextPowerOn) {
  Open();
  std::vector<uint8_t> img = AtaImage("DEFER0E1");
  EXPECT_EQ(Send(0x0E, img, 64), (std::vector<int>{1, 3}));  // 3: saved
  EXPECT_EQ(Revision(), "OLD00001");
  const AtaOutcome on = Activate();
  EXPECT_TRUE(on.Good());
  EXPECT_EQ(on.regs.count, 2);
  EXPECT_EQ(Revision(), "DEFER0E1");
  EXPECT_EQ(Activate().regs.command, kStatusError);  // nothing saved any more

  // Saved, not activated: the next start of the tool is the power-on.
  std::vector<uint8_t> next = AtaImage("DEFER0E2");
  EXPECT_EQ(Send(0x0E, next, 128), (std::vector<int>{3}));
  EXPECT_EQ(Revision(), "DEFER0E1");
  lab->Restart();
  EXPECT_EQ(Revision(), "DEFER0E2");
  EXPECT_EQ(Activate().regs.command, kStatusError);  // already running
}

TEST_F(AtaFirmwareOnLab, FaultsLeaveTheOldFirmwareAndANewDownloadStartsClean) {
  // Power lost during the second segment: no answer, the drive stays off.
  Open("PowerLossAtDownloadChunk=2\n");
  std::vector<uint8_t> img = AtaImage("NEWFAULT");
  EXPECT_EQ(Send(0x03, img, 32), (std::vector<int>{1, -2}));
  EXPECT_EQ(lab->Os().GetLastError(), os::ERROR_DEV_NOT_EXIST);
  Restart();
  EXPECT_EQ(Revision(), "OLD00001");
  EXPECT_EQ(Send(0x03, img, 32), (std::vector<int>{1, 1, 1, 2}));
  EXPECT_EQ(Revision(), "NEWFAULT");

  // A rejected segment: the error register the switch names; a download
  // from offset 0 in the same run goes through.
  Restart("RejectDownloadChunk=2\nRejectDownloadError=0x10\n");
  std::vector<uint8_t> again = AtaImage("NEWAGAIN");
  const AtaOutcome first = Segment(0x03, again, 0, 64);
  ASSERT_TRUE(first.Good());
  const AtaOutcome rejected = Segment(0x03, again, 64, 64);
  EXPECT_EQ(rejected.regs.command, kStatusError);
  EXPECT_EQ(rejected.regs.features, 0x10);
  EXPECT_EQ(Segment(0x03, again, 64, 64).regs.command, kStatusError);  // nothing to continue
  EXPECT_EQ(Revision(), "NEWFAULT");
  EXPECT_EQ(Send(0x03, again, 64), (std::vector<int>{1, 2}));
  EXPECT_EQ(Revision(), "NEWAGAIN");

  // The transport fails the second DOWNLOAD MICROCODE before the drive sees it.
  Restart("FailTransport=ata:0x92@2\n");
  std::vector<uint8_t> third = AtaImage("NEWTHIRD");
  EXPECT_EQ(Send(0x03, third, 64), (std::vector<int>{1, -1}));
  EXPECT_EQ(Revision(), "NEWAGAIN");
  EXPECT_EQ(Send(0x03, third, 64), (std::vector<int>{1, 2}));
  EXPECT_EQ(Revision(), "NEWTHIRD");
}

// --- VK4630 -------------------------------------------------------------------

constexpr size_t kNvmeImageBytes = 0x10000;
constexpr uint16_t kSuccess = 0x000, kInvalidField = 0x002, kInvalidSlot = 0x106,
                   kInvalidImage = 0x107, kConventionalReset = 0x10B, kSubsystemReset = 0x110,
                   kControllerReset = 0x111, kOverlapping = 0x114;

std::string NvmeIni(const std::string& extra = "") {
  return std::string(kMachine) +
         "[Disk Nvme]\nAttachment=nvme-miniport\nController=VK4630\nNumber=2\nPort=2\n"
         "Capacity=64MiB\nFirmware=N0100A0\n" +
         extra;
}

// An image without a CSS header: its revision is the 8 characters at 0xEFF0.
std::vector<uint8_t> NvmeImage(const char* revision) {
  std::vector<uint8_t> img(kNvmeImageBytes, 0);
  for (size_t i = 0x1000; i < img.size(); ++i) img[i] = static_cast<uint8_t>(i * 5 + 1);
  std::copy(revision, revision + 8, img.begin() + 0xEFF0);
  return img;
}

class NvmeFirmwareOnLab : public ::testing::Test {
 protected:
  void Open(const std::string& extra = "") { lab = std::make_unique<LabFolder>(NvmeIni(extra)); }
  void Restart(const std::string& extra = "") {
    lab->Rewrite(NvmeIni(extra));
    lab->Restart();
  }
  NvmeOutcome Admin(uint8_t opcode, uint32_t nsid, std::array<uint32_t, 6> cdw,
                    std::vector<uint8_t>& data, os::ULONG direction) {
    const os::HANDLE port = OpenDevice(lab->Os(), "\\\\.\\Scsi2:");
    const NvmeOutcome r = SendNvme(lab->Os(), port, opcode, nsid, cdw, data, direction);
    lab->Os().CloseHandle(port);
    return r;
  }
  uint16_t Piece(const std::vector<uint8_t>& image, size_t offset, size_t bytes) {
    std::vector<uint8_t> data(image.begin() + static_cast<ptrdiff_t>(offset),
                              image.begin() + static_cast<ptrdiff_t>(offset + bytes));
    const NvmeOutcome r =
        Admin(0x11, 0,
              {static_cast<uint32_t>(bytes / 4 - 1), static_cast<uint32_t>(offset / 4), 0, 0, 0, 0},
              data, os::NVME_FROM_HOST_TO_DEV);
    return r.ok ? r.status : 0xFFFF;
  }
  uint16_t DownloadAll(const std::vector<uint8_t>& image, size_t piece = 0x4000) {
    for (size_t off = 0; off < image.size(); off += piece) {
      const uint16_t s = Piece(image, off, piece);
      if (s != kSuccess) return s;
    }
    return kSuccess;
  }
  uint16_t Commit(uint8_t action, uint8_t slot) {
    std::vector<uint8_t> none;
    const NvmeOutcome r =
        Admin(0x10, 0, {uint32_t{action} << 3 | slot, 0, 0, 0, 0, 0}, none, os::NVME_NO_DATA_TX);
    return r.ok ? r.status : 0xFFFF;
  }
  std::vector<uint8_t> IdentifyController() {
    std::vector<uint8_t> id(4096, 0);
    EXPECT_EQ(Admin(0x06, 0, {1, 0, 0, 0, 0, 0}, id, os::NVME_FROM_DEV_TO_HOST).status, kSuccess);
    return id;
  }
  std::string Revision() {
    const std::vector<uint8_t> id = IdentifyController();
    return std::string(id.begin() + 64, id.begin() + 72);
  }
  // Firmware Slot Information: AFI, then slot 1 and slot 2 revisions.
  std::vector<uint8_t> SlotLog() {
    std::vector<uint8_t> log(512, 0);
    EXPECT_EQ(
        Admin(0x02, 0xFFFFFFFF, {0x007F0003, 0, 0, 0, 0, 0}, log, os::NVME_FROM_DEV_TO_HOST).status,
        kSuccess);
    return log;
  }
  std::string SlotRevision(int slot) {
    const std::vector<uint8_t> log = SlotLog();
    return std::string(log.begin() + 8 * slot, log.begin() + 8 * slot + 8);
  }

  std::unique_ptr<LabFolder> lab;
};

TEST_F(NvmeFirmwareOnLab, SlotsAndAction3ActivatesWithoutAReset) {
  Open();
  // FRMW: two slots (bits 3:1), activation without reset (bit 4).
  EXPECT_EQ(IdentifyController()[260], 0x14);
  EXPECT_EQ(SlotLog()[0], 0x01);
  EXPECT_EQ(SlotRevision(1), std::string("N0100A0 "));
  ASSERT_EQ(DownloadAll(NvmeImage("N0300A03")), kSuccess);
  EXPECT_EQ(Commit(3, 2), kSuccess);
  EXPECT_EQ(Revision(), "N0300A03");
  EXPECT_EQ(SlotLog()[0], 0x02);  // slot 2 running, nothing pending
  EXPECT_EQ(SlotRevision(2), "N0300A03");
  lab->Restart();
  EXPECT_EQ(Revision(), "N0300A03");
  EXPECT_EQ(SlotRevision(1), std::string("N0100A0 "));
}

TEST_F(NvmeFirmwareOnLab, Actions1And2RunFromTheNextStartOfTheTool) {
  Open();
  ASSERT_EQ(DownloadAll(NvmeImage("N0301A01")), kSuccess);
  EXPECT_EQ(Commit(1, 2), kControllerReset);  // the default: controller level reset
  EXPECT_EQ(Revision(), std::string("N0100A0 "));
  EXPECT_EQ(SlotLog()[0], 0x21);  // running 1, next 2
  lab->Restart();
  EXPECT_EQ(Revision(), "N0301A01");
  EXPECT_EQ(SlotLog()[0], 0x02);

  // Action 0 only stores; action 2 switches to a stored image at the next start.
  ASSERT_EQ(DownloadAll(NvmeImage("N0302A00")), kSuccess);
  EXPECT_EQ(Commit(0, 1), kSuccess);
  EXPECT_EQ(SlotRevision(1), "N0302A00");
  EXPECT_EQ(Revision(), "N0301A01");
  lab->Restart();
  EXPECT_EQ(Revision(), "N0301A01");
  EXPECT_EQ(Commit(2, 1), kControllerReset);
  EXPECT_EQ(SlotLog()[0], 0x12);
  lab->Restart();
  EXPECT_EQ(Revision(), "N0302A00");
  EXPECT_EQ(SlotLog()[0], 0x01);
}

TEST_F(NvmeFirmwareOnLab, ActivationResetChoosesTheStatus) {
  Open("ActivationReset=conventional\n");
  ASSERT_EQ(DownloadAll(NvmeImage("N0303A0C")), kSuccess);
  EXPECT_EQ(Commit(1, 2), kConventionalReset);
  lab->Restart();
  EXPECT_EQ(Revision(), "N0303A0C");
  Restart("ActivationReset=subsystem\n");
  EXPECT_EQ(Commit(2, 1), kSubsystemReset);
  lab->Restart();
  EXPECT_EQ(Revision(), std::string("N0100A0 "));
  Restart("ActivationReset=none\n");
  EXPECT_EQ(Commit(2, 2), kSuccess);
  EXPECT_EQ(Revision(), std::string("N0100A0 "));  // still at the next reset
  lab->Restart();
  EXPECT_EQ(Revision(), "N0303A0C");
}

TEST_F(NvmeFirmwareOnLab, BadSlotsImagesAndRanges) {
  Open("Slot1ReadOnly=1\n");
  EXPECT_EQ(Commit(3, 2), kInvalidImage);  // nothing downloaded
  const std::vector<uint8_t> img = NvmeImage("N0304A0R");
  ASSERT_EQ(Piece(img, 0, 0x4000), kSuccess);
  EXPECT_EQ(Piece(img, 0x2000, 0x4000), kOverlapping);
  EXPECT_EQ(Piece(img, 0x8000, 0x4000), kInvalidField);  // out of order
  // Both refused pieces left the first one: the rest completes the image.
  for (size_t off = 0x4000; off < img.size(); off += 0x4000) {
    ASSERT_EQ(Piece(img, off, 0x4000), kSuccess);
  }
  EXPECT_EQ(Commit(3, 3), kInvalidSlot);  // two slots
  EXPECT_EQ(Commit(3, 1), kInvalidSlot);  // read-only
  EXPECT_EQ(Commit(3, 2), kSuccess);
  EXPECT_EQ(Revision(), "N0304A0R");
  // An image without a revision is refused, and the running one stays.
  ASSERT_EQ(DownloadAll(std::vector<uint8_t>(0x8000, 0)), kSuccess);
  EXPECT_EQ(Commit(1, 2), kInvalidImage);
  EXPECT_EQ(Revision(), "N0304A0R");
}

TEST_F(NvmeFirmwareOnLab, FaultsLeaveTheOldFirmwareAndANewDownloadStartsClean) {
  Open("PowerLossAtDownloadChunk=2\n");
  const std::vector<uint8_t> img = NvmeImage("N0305A0P");
  EXPECT_EQ(DownloadAll(img), 0xFFFF);  // no answer: the power went
  EXPECT_EQ(lab->Os().GetLastError(), os::ERROR_DEV_NOT_EXIST);
  Restart();
  EXPECT_EQ(Revision(), std::string("N0100A0 "));
  EXPECT_EQ(Commit(3, 2), kInvalidImage);  // the pieces did not survive
  ASSERT_EQ(DownloadAll(img), kSuccess);
  EXPECT_EQ(Commit(3, 2), kSuccess);
  EXPECT_EQ(Revision(), "N0305A0P");

  // A piece rejected mid-way; the download is started again from offset 0.
  Restart("RejectDownloadChunk=3\n");
  const std::vector<uint8_t> next = NvmeImage("N0306A0J");
  EXPECT_EQ(DownloadAll(next), kInvalidField);
  EXPECT_EQ(Commit(3, 1), kInvalidImage);  // a gap is left
  ASSERT_EQ(DownloadAll(next), kSuccess);
  EXPECT_EQ(Commit(3, 1), kSuccess);
  EXPECT_EQ(Revision(), "N0306A0J");
  lab->Restart();
  EXPECT_EQ(Revision(), "N0306A0J");
}

}  // namespace
}  // namespace labtest
