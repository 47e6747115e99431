// The drive models built for lab.ini disks: the right model per controller and
// attachment, identity and NAND facts from the parsed disk, and state saved
// and restored across a restart.
#include "lab/drives/lab_drive_factory.h"

#include <gtest/gtest.h>

#include "common/bytes.h"

#include "lab/config/lab_config.h"
#include "lab/drives/ata/ata_drive.h"
#include "lab/drives/drive_test_support.h"
#include "lab/drives/vk4630/vk4630_controller.h"
#include "lab/drives/vk46xx/vk46xx_drive.h"
#include "platform/virtual_clock.h"

namespace lab::drives {
namespace {

const char kLab[] =
    "[Disk0]\n"
    "Attachment=sata\nController=generic\nModel=OTHER MAKER SSD\nSerial=OM123\nFirmware=1.0\n"
    "Capacity=64MiB\n"
    "[Disk1]\n"
    "Attachment=sata\nController=VK4620XT\nModel=VKM SATA 256\nSerial=VK20A\nFirmware=S0220A0\n"
    "Capacity=64MiB\nFlashId=98 3C 99 B3 7A\nChannels=2\nPlanesPerDie=4\nBadBlocks=12\n"
    "FwTag=\" BiCS4\"\nRetryTag=02\n"
    "[Disk2]\n"
    "Attachment=nvme\nController=VK4630\nModel=VKM NVME\nSerial=VK30A\nFirmware=N0220A0\n"
    "Capacity=64MiB\nPciDevice=4632\n"
    "[Disk3]\n"
    "Attachment=nvme\nController=VK4620XT\nCapacity=64MiB\n";

class FactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config = ParseLabConfig(kLab);
    ASSERT_GE(config.disks.size(), 4u);
  }
  BuiltDrive Build(size_t disk) {
    media = std::make_shared<drivetest::MemoryMedia>(config.disks[disk].sectors);
    DriveContext ctx{config.disks[disk], media, saved,
                     [this](std::string_view s) {
                       saved = std::string(s);
                       ++saves;
                       return true;
                     },
                     clock};
    return BuildLabDrive(ctx);
  }

  LabConfig config;
  std::shared_ptr<drivetest::MemoryMedia> media;
  std::string saved;
  int saves = 0;
  os::VirtualClock clock;
};

TEST_F(FactoryTest, GenericDriveKnowsNothingOfTheVendorProtocol) {
  BuiltDrive b = Build(0);
  ASSERT_TRUE(b.error.empty()) << b.error;
  ASSERT_TRUE(b.ata);
  EXPECT_EQ(dynamic_cast<Vk46xxDrive*>(b.ata.get()), nullptr);
  auto* drive = dynamic_cast<AtaDrive*>(b.ata.get());
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(GetAtaString(drive->Identify(), 27, 20).substr(0, 15), "OTHER MAKER SSD");
  // The detect sequence reads plain user data; 0x55AA keeps what was written.
  media->Fill(0x55AA, 0x61);
  std::vector<uint8_t> s(512);
  for (uint32_t lba : {0xAAu, 0xAA00u, 0x55u, 0x5500u, 0x55AAu}) {
    AtaCommand c = drivetest::Read28(0xC8, lba, 1, s);
    ASSERT_EQ(b.ata->ExecuteAta(c).current.command, drivetest::kGood);
  }
  EXPECT_EQ(s[0], 0x61);
  std::vector<uint8_t> block(512, 0);
  block[0] = 0xF0;
  block[1] = 0x04;
  AtaCommand w = drivetest::Write28(0xCA, 0x55AA, 1, block);
  ASSERT_EQ(b.ata->ExecuteAta(w).current.command, drivetest::kGood);
  EXPECT_EQ(media->At(0x55AAull * 512), 0xF0);
  EXPECT_EQ(saves, 1);  // saved once at start
}

TEST_F(FactoryTest, Vk46xxTakesIdentityAndNandFactsAndKeepsItsState) {
  BuiltDrive b = Build(1);
  ASSERT_TRUE(b.error.empty()) << b.error;
  auto* drive = dynamic_cast<Vk46xxDrive*>(b.ata.get());
  ASSERT_NE(drive, nullptr);
  const Sector id = drive->Identify();
  EXPECT_EQ(GetAtaString(id, 10, 10).substr(0, 5), "VK20A");
  EXPECT_EQ(GetAtaString(id, 23, 4), "S0220A0 ");
  const std::vector<uint8_t> f = drive->FlashInfoBlock();
  EXPECT_EQ((std::vector<uint8_t>(f.begin() + 0x2000, f.begin() + 0x2005)),
            (std::vector<uint8_t>{0x98, 0x3C, 0x99, 0xB3, 0x7A}));
  EXPECT_EQ(f[0x2638], 4);
  const std::vector<uint8_t> p = drive->ParameterBlock();
  EXPECT_EQ(p[22], 2);
  EXPECT_EQ(std::string(p.begin() + 520, p.begin() + 528), "02 BiCS4");
  const Sector smart = drive->SmartData();
  EXPECT_EQ(std::string(smart.begin() + 400, smart.begin() + 409), "VKM4620XT");

  // SMART switched off is a lasting change: saved at once, back after a restart.
  AtaCommand off = drivetest::Ata28(0xD9, 0, 0, 0x4F, 0xC2, 0xA0, 0xB0);
  ASSERT_EQ(b.ata->ExecuteAta(off).current.command, drivetest::kGood);
  EXPECT_NE(saved.find("SmartEnabled=0"), std::string::npos);
  b = Build(1);
  EXPECT_FALSE(dynamic_cast<Vk46xxDrive*>(b.ata.get())->State().smartEnabled);
  EXPECT_EQ(dynamic_cast<Vk46xxDrive*>(b.ata.get())->State().powerCycles, 2u);
}

TEST_F(FactoryTest, Vk4630AndMismatchedAttachments) {
  BuiltDrive b = Build(2);
  ASSERT_TRUE(b.error.empty()) << b.error;
  ASSERT_TRUE(b.nvme);
  std::vector<uint8_t> id(8);
  ASSERT_TRUE(b.nvme->HandleControlRequest(0xE0001C28, id));
  EXPECT_EQ(id[2], 0x32);  // PciDevice 4632
  EXPECT_EQ(id[3], 0x46);
  auto* ctrl = dynamic_cast<Vk4630Controller*>(b.nvme.get());
  ASSERT_NE(ctrl, nullptr);
  const std::vector<uint8_t> ic = ctrl->IdentifyController();
  EXPECT_EQ(std::string(ic.begin() + 24, ic.begin() + 32), "VKM NVME");
  EXPECT_EQ(std::string(ic.begin() + 64, ic.begin() + 71), "N0220A0");

  // 4096-byte blocks: the VK4630 formats its namespace with them (LBA format
  // 0, LBADS 12); the ATA models refuse them clearly.
  struct BigSectors : drivetest::MemoryMedia {
    BigSectors() : MemoryMedia(1024) {}
    uint32_t SectorSize() const override { return 4096; }
  };
  DriveContext nvme4k{config.disks[2], std::make_shared<BigSectors>(), "", {}, clock};
  const BuiltDrive big = BuildLabDrive(nvme4k);
  ASSERT_TRUE(big.error.empty()) << big.error;
  ASSERT_TRUE(big.nvme);
  NvmeSubmission identify;
  std::vector<uint8_t> ns(4096, 0);
  identify.admin = true;
  identify.opcode = 0x06;
  identify.nsid = 1;
  identify.cdw[0] = 0;  // CNS 0: Identify Namespace
  identify.direction = DataDirection::kIn;
  identify.data = ns;
  ASSERT_EQ(big.nvme->ExecuteNvme(identify).statusCode, 0);
  EXPECT_EQ(common::ReadLe64(ns, 0), 1024u);  // NSZE in 4096-byte blocks
  EXPECT_EQ(ns[128 + 2], 12) << "LBADS of LBA format 0";
  DriveContext ata4k{config.disks[1], std::make_shared<BigSectors>(), "", {}, clock};
  EXPECT_NE(BuildLabDrive(ata4k).error.find("512-byte"), std::string::npos);

  const BuiltDrive bad = Build(3);
  EXPECT_FALSE(bad.ata);
  EXPECT_FALSE(bad.nvme);
  EXPECT_NE(bad.error.find("cannot sit behind"), std::string::npos);
}

}  // namespace
}  // namespace lab::drives
