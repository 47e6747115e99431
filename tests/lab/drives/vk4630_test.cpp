// The VK4630 NVMe controller: Identify and log pages against hand-worked
// bytes, firmware download and commit with its slots and activation, Format
// NVM, vendor commands and control requests, I/O, faults and settings.
#include <gtest/gtest.h>

#include <memory>

#include "lab/config/lab_config.h"
#include "lab/drives/drive_test_support.h"
#include "lab/drives/vk4630/vk4630_controller.h"
#include "support/lab_builder.h"

namespace lab::drives {
namespace {

using drivetest::MemoryMedia;

std::string Text(const std::vector<uint8_t>& b, size_t at, size_t n) {
  return std::string(b.begin() + static_cast<ptrdiff_t>(at),
                     b.begin() + static_cast<ptrdiff_t>(at + n));
}

NvmeSubmission Admin(uint8_t opcode, uint32_t nsid, std::array<uint32_t, 6> cdw,
                     std::span<uint8_t> data = {}) {
  NvmeSubmission s;
  s.opcode = opcode;
  s.nsid = nsid;
  s.cdw = cdw;
  s.data = data;
  s.admin = true;
  s.direction = (opcode & 1) ? DataDirection::kOut
                             : ((opcode & 2) ? DataDirection::kIn : DataDirection::kNone);
  return s;
}

// An image with a CSS header: a light-switch entry, an empty one and the ISP
// record at 0x1000, whose version sits at 0x1000 + 0x7FFC8.
std::vector<uint8_t> CssImage(const char* version) {
  std::vector<uint8_t> img(0x81000);
  for (size_t i = 0; i < img.size(); ++i) img[i] = static_cast<uint8_t>(i * 13 + 1);
  auto entry = [&img](size_t n, uint32_t type, uint32_t offset) {
    const size_t at = 656 + 48 * n;
    for (size_t b = 0; b < 48; ++b) img[at + b] = 0;
    for (size_t b = 0; b < 4; ++b) {
      img[at + b] = static_cast<uint8_t>(type >> (8 * b));
      img[at + 4 + b] = static_cast<uint8_t>(offset >> (8 * b));
    }
  };
  entry(0, 4, 0x800);
  entry(1, 0, 0);
  entry(2, 5, 0x1000);
  for (size_t n = 3; n < 7; ++n) entry(n, 0xFFFFFFFF, 0);
  for (size_t i = 0; i < 8; ++i) img[0x80FC8 + i] = static_cast<uint8_t>(version[i]);
  return img;
}

class Vk4630Test : public ::testing::Test {
 protected:
  void Build(Vk4630Settings s = {}, DriveState st = {}) {
    s.firmware = "N0220A0 ";
    settings = s;
    media = std::make_shared<MemoryMedia>(0x100000);
    ctrl = std::make_unique<Vk4630Controller>(s, media, std::move(st), &clock);
    ctrl->SetStateListener([this](const DriveState& st) { saved = st.Serialise(); });
  }
  void SetUp() override { Build(); }

  NvmeCompletion Run(NvmeSubmission s) { return ctrl->ExecuteNvme(s); }
  std::vector<uint8_t> IdentifyController() {
    std::vector<uint8_t> buf(4096);
    EXPECT_TRUE(Run(Admin(0x06, 0, {1, 0, 0, 0, 0, 0}, buf)).Ok());
    return buf;
  }
  std::vector<uint8_t> Log(uint8_t lid, uint32_t nsid = 0xFFFFFFFF) {
    std::vector<uint8_t> buf(512);
    // 512 bytes: CDW10 = (127 << 16) | LID, CDW11 = 0.
    const NvmeCompletion c = Run(Admin(0x02, nsid, {0x007F0000u | lid, 0, 0, 0, 0, 0}, buf));
    EXPECT_TRUE(c.Ok());
    return buf;
  }
  // Firmware Image Download of `image` in pieces of `piece` bytes.
  NvmeCompletion DownloadAll(std::vector<uint8_t>& image, size_t piece) {
    NvmeCompletion last;
    for (size_t off = 0; off < image.size(); off += piece) {
      const size_t n = std::min(piece, image.size() - off);
      last = Run(Admin(
          0x11, 0, {static_cast<uint32_t>(n / 4 - 1), static_cast<uint32_t>(off / 4), 0, 0, 0, 0},
          std::span<uint8_t>(image.data() + off, n)));
      if (!last.Ok()) break;
    }
    return last;
  }
  NvmeCompletion Commit(uint8_t action, uint8_t slot) {
    return Run(Admin(0x10, 0, {static_cast<uint32_t>(action << 3 | slot), 0, 0, 0, 0, 0}));
  }
  std::string Revision() { return Text(IdentifyController(), 64, 8); }

  os::VirtualClock clock;
  Vk4630Settings settings;
  std::shared_ptr<MemoryMedia> media;
  std::unique_ptr<Vk4630Controller> ctrl;
  std::string saved;
};

TEST_F(Vk4630Test, IdentifyControllerAndNamespace) {
  const std::vector<uint8_t> id = IdentifyController();
  EXPECT_EQ(id[0], 0x9F);
  EXPECT_EQ(id[1], 0x1F);
  EXPECT_EQ(Text(id, 4, 20), "VK30000000000001    ");
  EXPECT_EQ(Text(id, 24, 20), "VKM NVMe SSD 512GB  ");
  EXPECT_EQ(Text(id, 64, 8), "N0220A0 ");
  EXPECT_EQ((std::vector<uint8_t>(id.begin() + 80, id.begin() + 84)),
            (std::vector<uint8_t>{0x00, 0x04, 0x01, 0x00}));
  EXPECT_EQ(id[256], 0x06);  // Format NVM, firmware download and commit
  EXPECT_EQ(id[260], 0x14);  // two slots, activation without reset
  EXPECT_EQ(id[516], 1);

  std::vector<uint8_t> ns(4096);
  ASSERT_TRUE(Run(Admin(0x06, 1, {0, 0, 0, 0, 0, 0}, ns)).Ok());
  EXPECT_EQ((std::vector<uint8_t>(ns.begin(), ns.begin() + 8)),
            (std::vector<uint8_t>{0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(ns[8 + 2], 0x10);
  EXPECT_EQ((std::vector<uint8_t>(ns.begin() + 128, ns.begin() + 132)),
            (std::vector<uint8_t>{0x00, 0x00, 0x09, 0x00}));
  EXPECT_EQ(ns[120], 0x00);  // EUI-64 00 1F 9F 46 30 00 00 01
  EXPECT_EQ(ns[121], 0x1F);
  EXPECT_EQ(ns[127], 0x01);
  const NvmeCompletion bad = Run(Admin(0x06, 2, {0, 0, 0, 0, 0, 0}, ns));
  EXPECT_EQ(bad.statusCode, 0x0B);
  EXPECT_EQ(bad.statusCodeType, 0);
  EXPECT_EQ(Run(Admin(0x06, 0, {0x55, 0, 0, 0, 0, 0}, ns)).statusCode, 0x02);
}

TEST_F(Vk4630Test, HealthSlotAndErrorLogs) {
  const std::vector<uint8_t> health = Log(0x02);
  EXPECT_EQ(health[0], 0x00);
  EXPECT_EQ(health[1], 0x37);  // 311 K = 38 C
  EXPECT_EQ(health[2], 0x01);
  EXPECT_EQ(health[3], 100);
  EXPECT_EQ(health[4], 10);
  EXPECT_EQ(health[5], 1);
  EXPECT_EQ(health[112], 1);  // power cycles: the build was one

  const std::vector<uint8_t> slots = Log(0x03, 0);
  EXPECT_EQ(slots[0], 0x01);
  EXPECT_EQ(Text(slots, 8, 8), "N0220A0 ");
  EXPECT_EQ(Text(slots, 16, 8), std::string(8, '\0'));

  std::vector<uint8_t> buf(512);
  const NvmeCompletion c = Run(Admin(0x02, 0, {0x007F000C, 0, 0, 0, 0, 0}, buf));
  EXPECT_EQ(c.statusCode, 0x09);
  EXPECT_EQ(c.statusCodeType, 1);
  std::vector<uint8_t> err(4096);
  ASSERT_TRUE(Run(Admin(0x02, 0, {0x03FF0001, 0, 0, 0, 0, 0}, err)).Ok());
  EXPECT_EQ(err[0], 1);                                                 // one error so far
  EXPECT_EQ(err[12], 0x09 << 1);                                        // status field: SC 09h ...
  EXPECT_EQ(err[13], 1 << 1);                                           // ... SCT 1
  EXPECT_EQ(Run(Admin(0x03, 0, {0, 0, 0, 0, 0, 0})).statusCode, 0x01);  // no such opcode
}

TEST_F(Vk4630Test, CommitAction3ActivatesAtOnce) {
  std::vector<uint8_t> img = CssImage("N0312A0 ");
  ASSERT_TRUE(DownloadAll(img, 0x2B000).Ok());
  const NvmeCompletion c = Commit(3, 2);
  EXPECT_TRUE(c.Ok());
  EXPECT_EQ(Revision(), "N0312A0 ");
  const std::vector<uint8_t> slots = Log(0x03, 0);
  EXPECT_EQ(slots[0], 0x02);
  EXPECT_EQ(Text(slots, 8, 8), "N0220A0 ");
  EXPECT_EQ(Text(slots, 16, 8), "N0312A0 ");
  EXPECT_NE(saved.find("ActiveSlot=2"), std::string::npos);
}

TEST_F(Vk4630Test, CommitAction1WaitsForAReset) {
  std::vector<uint8_t> img = CssImage("N0400A0 ");
  ASSERT_TRUE(DownloadAll(img, 0x20000).Ok());
  const NvmeCompletion c = Commit(1, 2);
  EXPECT_EQ(c.statusCode, 0x11);
  EXPECT_EQ(c.statusCodeType, 1);
  EXPECT_EQ(Revision(), "N0220A0 ");
  EXPECT_EQ(Log(0x03, 0)[0], 0x21);  // running 1, next 2
  // The lab starts again from the saved state: the new firmware runs.
  const auto st = DriveState::Parse(saved);
  ASSERT_TRUE(st.has_value());
  Build(settings, *st);
  EXPECT_EQ(Revision(), "N0400A0 ");
  EXPECT_EQ(Log(0x03, 0)[0], 0x02);
  EXPECT_EQ(ctrl->State().powerCycles, 2u);
}

TEST_F(Vk4630Test, SlotsFromLabIniWaitThroughTheFirstPowerOnOnly) {
  Vk4630Settings s;
  s.factorySlots[1] = "N0312A0 ";
  s.factoryNextSlot = 2;
  Build(s);
  EXPECT_EQ(Revision(), "N0220A0 ");
  std::vector<uint8_t> slots = Log(0x03, 0);
  EXPECT_EQ(slots[0], 0x21);  // running 1, next 2
  EXPECT_EQ(Text(slots, 16, 8), "N0312A0 ");
  // The next power-on starts from what the drive keeps and runs slot 2.
  const auto st = DriveState::Parse(ctrl->State().Serialise());
  ASSERT_TRUE(st.has_value());
  Build(s, *st);
  EXPECT_EQ(Revision(), "N0312A0 ");
  EXPECT_EQ(Log(0x03, 0)[0], 0x02);
}

TEST_F(Vk4630Test, SilentAfterAnImmediateActivationAndDownloadsCounted) {
  Vk4630Settings s;
  s.activationSilenceMs = 5000;
  Build(s);
  std::vector<uint8_t> img = CssImage("N0312A0 ");
  ASSERT_TRUE(DownloadAll(img, 0x20000).Ok());
  EXPECT_EQ(ctrl->State().firmwareDownloads, 5u);  // 0x81000 bytes in 0x20000-byte pieces
  // Activation at the next reset: the controller keeps answering.
  ASSERT_EQ(Commit(1, 2).statusCode, 0x11);
  EXPECT_EQ(Revision(), "N0220A0 ");
  ASSERT_TRUE(DownloadAll(img, 0x81000).Ok());
  ASSERT_TRUE(Commit(3, 2).Ok());
  std::vector<uint8_t> id(4096);
  EXPECT_FALSE(Run(Admin(0x06, 0, {1, 0, 0, 0, 0, 0}, id)).delivered);
  std::vector<uint8_t> pci(8);
  EXPECT_FALSE(ctrl->HandleControlRequest(0xE0001C28, pci));
  clock.Advance(4999);
  EXPECT_FALSE(Run(Admin(0x06, 0, {1, 0, 0, 0, 0, 0}, id)).delivered);
  clock.Advance(1);
  EXPECT_EQ(Revision(), "N0312A0 ");
  EXPECT_EQ(ctrl->State().firmwareDownloads, 6u);
  EXPECT_NE(saved.find("FirmwareDownloads=6"), std::string::npos);
}

TEST_F(Vk4630Test, CommitActions0And2) {
  std::vector<uint8_t> img = CssImage("N0500A0 ");
  ASSERT_TRUE(DownloadAll(img, 0x81000).Ok());
  EXPECT_TRUE(Commit(0, 2).Ok());  // stored in slot 2, nothing to activate
  EXPECT_EQ(Revision(), "N0220A0 ");
  ctrl->ControllerReset();
  EXPECT_EQ(Revision(), "N0220A0 ");
  const NvmeCompletion two = Commit(2, 2);  // activate slot 2 at the next reset
  EXPECT_EQ(two.statusCode, 0x11);
  ctrl->ControllerReset();
  EXPECT_EQ(Revision(), "N0500A0 ");
  // Replacing the running slot's image also waits for a reset.
  std::vector<uint8_t> next = CssImage("N0501A0 ");
  ASSERT_TRUE(DownloadAll(next, 0x40000).Ok());
  EXPECT_EQ(Commit(0, 2).statusCode, 0x11);
  EXPECT_EQ(Revision(), "N0500A0 ");
  ctrl->ControllerReset();
  EXPECT_EQ(Revision(), "N0501A0 ");
}

TEST_F(Vk4630Test, DownloadAndCommitChecks) {
  EXPECT_EQ(Commit(3, 2).statusCode, 0x07);  // nothing downloaded
  std::vector<uint8_t> img = CssImage("N0600A0 ");
  std::span<uint8_t> a(img.data(), 0x1000);
  ASSERT_TRUE(Run(Admin(0x11, 0, {0x3FF, 0, 0, 0, 0, 0}, a)).Ok());
  // Overlapping the first piece.
  const NvmeCompletion ov = Run(
      Admin(0x11, 0, {0x3FF, 0x200, 0, 0, 0, 0}, std::span<uint8_t>(img.data() + 0x800, 0x1000)));
  EXPECT_EQ(ov.statusCode, 0x14);
  EXPECT_EQ(ov.statusCodeType, 1);
  // Out of order: 0x1000..0x2000 would be missing.
  const NvmeCompletion gap = Run(
      Admin(0x11, 0, {0x3FF, 0x800, 0, 0, 0, 0}, std::span<uint8_t>(img.data() + 0x2000, 0x1000)));
  EXPECT_EQ(gap.statusCode, 0x02);
  EXPECT_EQ(gap.statusCodeType, 0);
  EXPECT_EQ(Commit(3, 2).statusCode, 0x07);  // 4 KiB without a revision
  const NvmeCompletion slot = Commit(3, 5);
  EXPECT_EQ(slot.statusCode, 0x06);
  EXPECT_EQ(slot.statusCodeType, 1);
  EXPECT_EQ(Run(Admin(0x10, 0, {4u << 3 | 1, 0, 0, 0, 0, 0})).statusCode, 0x02);
  // A buffer shorter than CDW10 says.
  EXPECT_EQ(Run(Admin(0x11, 0, {0x3FF, 0x1000, 0, 0, 0, 0}, std::span<uint8_t>(img.data(), 16)))
                .statusCode,
            0x02);
  // An image without a revision is refused at commit.
  std::vector<uint8_t> junk(0x2000, 0);
  ctrl->ControllerReset();  // drops the pieces above
  ASSERT_TRUE(DownloadAll(junk, 0x1000).Ok());
  EXPECT_EQ(Commit(3, 2).statusCode, 0x07);
  EXPECT_EQ(Revision(), "N0220A0 ");
}

TEST_F(Vk4630Test, PowerLossAndRejectedPiece) {
  Vk4630Settings s;
  s.powerLossAtDownloadChunk = 2;
  Build(s);
  std::vector<uint8_t> img = CssImage("N0700A0 ");
  const NvmeCompletion lost = DownloadAll(img, 0x20000);
  EXPECT_FALSE(lost.delivered);
  EXPECT_FALSE(ctrl->Powered());
  EXPECT_FALSE(Run(Admin(0x06, 0, {1, 0, 0, 0, 0, 0})).delivered);
  ctrl->PowerOn();
  EXPECT_EQ(Revision(), "N0220A0 ");
  EXPECT_EQ(Commit(3, 2).statusCode, 0x07);  // the pieces did not survive
  EXPECT_EQ(ctrl->State().unsafeShutdowns, 1u);
  ASSERT_TRUE(DownloadAll(img, 0x20000).Ok());
  EXPECT_TRUE(Commit(3, 2).Ok());
  EXPECT_EQ(Revision(), "N0700A0 ");

  s = {};
  s.rejectDownloadChunk = 1;
  Build(s);
  EXPECT_EQ(DownloadAll(img, 0x20000).statusCode, 0x02);
}

TEST_F(Vk4630Test, FormatZeroesTheMedia) {
  media->Fill(0, 0xAB);
  media->Fill(0xFFFFF, 0xAB);
  std::vector<uint8_t> buf(512);
  ASSERT_TRUE(Run(Admin(0x80, 1, {0, 0, 0, 0, 0, 0}, buf)).Ok());
  EXPECT_TRUE(media->AllZero());
  const NvmeCompletion lbaf = Run(Admin(0x80, 1, {1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(lbaf.statusCode, 0x0A);
  EXPECT_EQ(lbaf.statusCodeType, 1);
  EXPECT_EQ(Run(Admin(0x80, 5, {0, 0, 0, 0, 0, 0})).statusCode, 0x0B);
  EXPECT_TRUE(Run(Admin(0x80, 0xFFFFFFFF, {1u << 9, 0, 0, 0, 0, 0})).Ok());  // user data erase
}

TEST_F(Vk4630Test, VendorReadAndNoDataCommands) {
  std::vector<uint8_t> page(2048);
  // 2048 bytes: CDW10 = 512 dwords, CDW12 = 40h, CDW13 = page 0.
  ASSERT_TRUE(Run(Admin(0xC2, 0, {512, 0, 0x40, 0, 0, 0}, page)).Ok());
  EXPECT_EQ(Text(page, 496, 8), "VK4630AA");
  EXPECT_EQ(page[4], 0);
  EXPECT_EQ(Text(page, 8, 8), "N0220A0 ");
  EXPECT_EQ(Run(Admin(0xC2, 0, {512, 0, 0x41, 0, 0, 0}, page)).statusCode, 0x02);
  EXPECT_EQ(Run(Admin(0xC2, 0, {512, 0, 0x40, 1, 0, 0}, page)).statusCode, 0x02);

  Vk4630Settings s;
  s.vendorPages = 2;
  s.vendorTag = "VKMTAG30";
  s.vendorTagOffset = 600;
  Build(s);
  ASSERT_TRUE(Run(Admin(0xC2, 0, {512, 0, 0x40, 0, 0, 0}, page)).Ok());
  EXPECT_EQ(page[4], 1);
  EXPECT_EQ(page[600], 0);
  ASSERT_TRUE(Run(Admin(0xC2, 0, {512, 0, 0x40, 1, 0, 0}, page)).Ok());
  EXPECT_EQ(page[4], 0);
  EXPECT_EQ(page[5], 1);
  EXPECT_EQ(Text(page, 496, 6), "VK4630");
  EXPECT_EQ(Text(page, 600, 8), "VKMTAG30");

  EXPECT_TRUE(Run(Admin(0xC0, 0, {0, 0, 1, 0, 0, 0})).Ok());
  const NvmeCompletion bg = Run(Admin(0xC0, 0, {0, 0, 1, 1, 0, 0}));
  EXPECT_EQ(bg.statusCode, 0xC0);
  EXPECT_EQ(bg.statusCodeType, 7);
  EXPECT_EQ(Run(Admin(0xC0, 0, {0, 0, 2, 0, 0, 0})).statusCode, 0x02);
}

TEST_F(Vk4630Test, ControlRequests) {
  std::vector<uint8_t> id(8, 0);
  ASSERT_TRUE(ctrl->HandleControlRequest(0xE0001C28, id));
  EXPECT_EQ(id, (std::vector<uint8_t>{0x9F, 0x1F, 0x30, 0x46, 0x9F, 0x1F, 0x30, 0x46}));
  EXPECT_TRUE(ctrl->HandleControlRequest(0xE0001C14, {}));
  EXPECT_FALSE(ctrl->HandleControlRequest(0xE0001C99, id));
  std::vector<uint8_t> two(2);
  EXPECT_FALSE(ctrl->HandleControlRequest(0xE0001C28, two));
  Vk4630Settings s;
  s.miniportLocation = 0x00030000;
  Build(s);
  std::vector<uint8_t> loc(4);
  ASSERT_TRUE(ctrl->HandleControlRequest(0xE0001C00, loc));
  EXPECT_EQ(loc, (std::vector<uint8_t>{0x00, 0x00, 0x03, 0x00}));
  ctrl->PowerOff(false);
  EXPECT_FALSE(ctrl->HandleControlRequest(0xE0001C14, {}));
}

TEST_F(Vk4630Test, IoReadsAndWrites) {
  std::vector<uint8_t> out(1024, 0x3C);
  NvmeSubmission w = Admin(0x01, 1, {5, 0, 1, 0, 0, 0}, out);  // LBA 5, 2 blocks
  w.admin = false;
  ASSERT_TRUE(Run(w).Ok());
  EXPECT_EQ(media->At(5 * 512 + 700), 0x3C);
  std::vector<uint8_t> in(1024);
  NvmeSubmission r = Admin(0x02, 1, {5, 0, 1, 0, 0, 0}, in);
  r.admin = false;
  ASSERT_TRUE(Run(r).Ok());
  EXPECT_EQ(in, out);
  NvmeSubmission past = Admin(0x02, 1, {0xFFFFF, 0, 1, 0, 0, 0}, in);
  past.admin = false;
  EXPECT_EQ(Run(past).statusCode, 0x80);
  media->bad.insert(7);
  NvmeSubmission bad = Admin(0x02, 1, {6, 0, 1, 0, 0, 0}, in);
  bad.admin = false;
  const NvmeCompletion c = Run(bad);
  EXPECT_EQ(c.statusCode, 0x81);
  EXPECT_EQ(c.statusCodeType, 2);
}

TEST_F(Vk4630Test, FailCommandsAndSettings) {
  Vk4630Settings s;
  s.failCommands = {FaultRule{std::nullopt, 0x06, 2, 1}};  // "06:2"
  Build(s);
  std::vector<uint8_t> buf(4096);
  EXPECT_TRUE(Run(Admin(0x06, 0, {1, 0, 0, 0, 0, 0}, buf)).Ok());
  EXPECT_EQ(Run(Admin(0x06, 0, {1, 0, 0, 0, 0, 0}, buf)).statusCode, 0x06);
  EXPECT_TRUE(Run(Admin(0x06, 0, {1, 0, 0, 0, 0, 0}, buf)).Ok());

  const LabConfig config = ParseLabConfig(
      testsupport::LabBuilder()
          .Nvme("Disk4", {"Model=LAB NVME", "PciVendor=1a2b", "PciDevice=0x4631", "VendorPages=3",
                          "FirmwareSlots=4", "MaxImageKB=2048", "Eui64=0011223344556677",
                          "Temperature=200", "ImageVersionOffset=0x200", "FailCommands=10:1+"})
          .Text());
  EXPECT_EQ(config.problems,
            (std::vector<std::string>{"[Disk4] Temperature: '200' is not a number from 0 to 150",
                                      "[Disk4] VendorPages: '3' is not a number from 1 to 2"}));
  ASSERT_EQ(config.disks.size(), 2u);
  const Vk4630Settings r = Vk4630SettingsFor(config.disks[1]);
  EXPECT_EQ(r.model, "LAB NVME");
  EXPECT_EQ(r.pciVendor, 0x1A2B);
  EXPECT_EQ(r.pciDevice, 0x4631);
  EXPECT_EQ(r.vendorPages, 1);
  EXPECT_EQ(r.firmwareSlots, 4);
  EXPECT_EQ(r.maxImageBytes, 2048u * 1024);
  EXPECT_EQ(r.eui64, 0x0011223344556677ull);
  EXPECT_EQ(r.temperature, Vk4630Settings{}.temperature);
  EXPECT_EQ(r.imageVersionOffset, 0x200u);
  EXPECT_EQ(r.failCommands, (std::vector<FaultRule>{{std::nullopt, 0x10, 1, 0}}));
}

TEST_F(Vk4630Test, ImageRevisionWithoutCssHeader) {
  std::vector<uint8_t> img(0x10000, 0xEE);
  const char* v = "N0800A0 ";
  for (size_t i = 0; i < 8; ++i) img[0xEFF0 + i] = static_cast<uint8_t>(v[i]);
  EXPECT_EQ(NvmeImageRevision(img, 0xEFF0), "N0800A0 ");
  EXPECT_FALSE(NvmeImageRevision(img, 0x20000).has_value());
  // A CSS ISP entry pointing past the end is no revision at all.
  std::vector<uint8_t> css = CssImage("N0801A0 ");
  css.resize(0x80000);
  EXPECT_FALSE(NvmeImageRevision(css, 0xEFF0).has_value());
}

}  // namespace
}  // namespace lab::drives
