// The drive models' keys go through the same [Disk] parser as the lab's own:
// bad values and malformed fault entries, in either spelling, stop the lab
// with the section and key named, and what was given is what the drive plays.
#include <gtest/gtest.h>

#include "lab/config/lab_config.h"
#include "lab/faults/fault_list.h"
#include "support/lab_builder.h"

namespace lab {
namespace {

TEST(DriveKeysTest, BadDriveValuesAreReportedWithSectionAndKey) {
  const LabConfig c = ParseLabConfig(
      testsupport::LabBuilder()
          .Sata("Disk A", "VK4610XT",
                {"FailCommands=EC:2, junk", "FailVendorCommands=ata:0x2A", "Mode=fast",
                 "DownloadFormat=zip", "Security=maybe", "SmartRaw=05=3,zz=1",
                 "SmartValue=05:3:10,C5:300:0", "FwTag=TOOLONG", "ParamBytes=19"})
          .Nvme("Disk B",
                {"FailCommands=06:0", "Eui64=xyz", "PciSubVendor=12345", "CriticalWarning=256"})
          .Text());
  EXPECT_EQ(c.problems,
            (std::vector<std::string>{
                "[Disk A] FailCommands: 'junk': expected [protocol:]opcode[@use][+ or *times], the "
                "opcode up to 0xFF, uses and times from 1",
                "[Disk A] Security: 'maybe' is not 0 or 1",
                "[Disk A] DownloadFormat: expected auto, plain or update",
                "[Disk A] SmartRaw: 'zz=1': expected id=value, the id hexadecimal 01-FF",
                "[Disk A] SmartValue: 'C5:300:0': expected id:current:threshold, the id "
                "hexadecimal 01-FF, the values 0-255",
                "[Disk A] Mode: expected Normal, ISP, MPISP or ROMDE",
                "[Disk A] FwTag: at most 6 characters",
                "[Disk A] ParamBytes: '19': expected offset=hexbytes, for example 0x58=A2",
                "[Disk A] FailVendorCommands: 'ata:0x2A': the drive's own list takes opcodes only, "
                "for example EC:2",
                "[Disk B] FailCommands: '06:0': expected [protocol:]opcode[@use][+ or *times], the "
                "opcode up to 0xFF, uses and times from 1",
                "[Disk B] PciSubVendor: '12345' is not a 16-bit hexadecimal id",
                "[Disk B] Eui64: 'xyz' is not a number from 0 to 18446744073709551615",
                "[Disk B] CriticalWarning: '256' is not a number from 0 to 255",
            }));
}

TEST(DriveKeysTest, SecurityFrozenAndActivationReset) {
  const LabConfig bad = ParseLabConfig(testsupport::LabBuilder()
                                           .Sata("Disk A", "generic", {"SecurityFrozen=2"})
                                           .Nvme("Disk B", {"ActivationReset=warm"})
                                           .Text());
  EXPECT_EQ(bad.problems,
            (std::vector<std::string>{
                "[Disk A] SecurityFrozen: '2' is not 0 or 1",
                "[Disk B] ActivationReset: expected none, conventional, subsystem or controller",
            }));
  const LabConfig good = ParseLabConfig(testsupport::LabBuilder()
                                            .Sata("Disk A", "generic", {"SecurityFrozen=1"})
                                            .Nvme("Disk B", {"ActivationReset= Conventional"})
                                            .Nvme("Disk C", {})
                                            .Text());
  ASSERT_TRUE(good.problems.empty()) << good.problems.front();
  EXPECT_EQ(good.disks[1].drive.ata.securityFrozen, true);
  EXPECT_EQ(good.disks[2].drive.vk4630.activationReset, ActivationReset::kConventional);
  EXPECT_FALSE(good.disks[3].drive.vk4630.activationReset);
  EXPECT_FALSE(good.disks[3].drive.ata.securityFrozen);
}

TEST(DriveKeysTest, FirmwareSlotsAsTheToolFirstFindsTheDrive) {
  const LabConfig bad = ParseLabConfig(
      testsupport::LabBuilder()
          .Nvme("Disk B", {"Slot1=N0100A0", "Slot3=N0300A0", "NextSlot=2"})
          .Nvme("Disk C", {"ActiveSlot=3", "ActivationSilenceMs=-1", "Slot2=TOOLONGREV"})
          .Text());
  EXPECT_EQ(bad.problems,
            (std::vector<std::string>{
                "[Disk B] Slot1: the running slot holds Firmware",
                "[Disk B] Slot3: the drive has 2 firmware slots",
                "[Disk B] NextSlot: that slot holds no image (give its SlotN)",
                "[Disk C] ActiveSlot: '3' is not a number from 1 to 2",
                "[Disk C] Slot2: at most 8 characters",
                "[Disk C] ActivationSilenceMs: '-1' is not a number from 0 to 3600000",
            }));
  const LabConfig good = ParseLabConfig(
      testsupport::LabBuilder()
          .Nvme("Disk B", {"FirmwareSlots=3", "ActiveSlot=2", "Slot1=N0100A0", "Slot3=N0312A0",
                           "NextSlot=3", "ActivationSilenceMs=8000"})
          .Text());
  ASSERT_TRUE(good.problems.empty()) << good.problems.front();
  const Vk4630Keys& k = good.disks[1].drive.vk4630;
  EXPECT_EQ(k.activeSlot, 2);
  EXPECT_EQ(k.nextSlot, 3);
  EXPECT_EQ(k.slotRevisions[0], "N0100A0");
  EXPECT_FALSE(k.slotRevisions[1]);
  EXPECT_EQ(k.slotRevisions[2], "N0312A0");
  EXPECT_EQ(k.activationSilenceMs, 8000u);
}

TEST(DriveKeysTest, GivenOrNotIsParsedState) {
  const LabConfig c = ParseLabConfig(testsupport::LabBuilder()
                                         .Sata("Disk A", "VK4620XT",
                                               {"PlaneCount=0", "SmartRaw=A3=7", "Temperature=41",
                                                "FailCommands=EC:2,C8:5+,25, 0x92*2"})
                                         .Sata("Disk B", "VK4620XT")
                                         .Text());
  ASSERT_TRUE(c.problems.empty()) << c.problems.front();
  const DriveKeys& a = c.disks[1].drive;
  EXPECT_EQ(a.vk46xx.planeCount, 0);  // given as 0 is not "not given"
  ASSERT_TRUE(a.ata.smartRaw);
  EXPECT_EQ(*a.ata.smartRaw, (std::vector<std::pair<uint8_t, uint64_t>>{{0xA3, 7}}));
  EXPECT_EQ(a.temperature, 41);
  EXPECT_EQ(a.failCommands, (std::vector<FaultRule>{{std::nullopt, 0xEC, 2, 1},
                                                    {std::nullopt, 0xC8, 5, 0},
                                                    {std::nullopt, 0x25, 0, 1},
                                                    {std::nullopt, 0x92, 1, 2}}));
  const DriveKeys& b = c.disks[2].drive;
  EXPECT_FALSE(b.vk46xx.planeCount);
  EXPECT_FALSE(b.ata.smartRaw);
  EXPECT_FALSE(b.temperature);
  EXPECT_FALSE(b.failCommands);
}

TEST(FaultCounterTest, BothSpellingsCountUsesPerCode) {
  std::string why;
  const auto drive = ParseFaultList("EC:2, c8:3+, 25, 0x30*2", FaultListKind::kDrive, why);
  ASSERT_TRUE(drive) << why;
  FaultCounter plan(*drive, std::nullopt);
  std::vector<bool> ec, c8, x25, x30;
  for (int i = 0; i < 4; ++i) {
    ec.push_back(plan.Hit(0xEC));
    c8.push_back(plan.Hit(0xC8));
    x25.push_back(plan.Hit(0x25));
    x30.push_back(plan.Hit(0x30));
  }
  EXPECT_EQ(ec, (std::vector<bool>{false, true, false, false}));
  EXPECT_EQ(c8, (std::vector<bool>{false, false, true, true}));
  EXPECT_EQ(x25, (std::vector<bool>{true, true, true, true}));
  EXPECT_EQ(x30, (std::vector<bool>{true, true, false, false}));

  // The transport spelling: only its protocol's entries count.
  const auto transport =
      ParseFaultList("ata:0x92@3*2, scsi:0x92, ata:0xEC@2+", FaultListKind::kTransport, why);
  ASSERT_TRUE(transport) << why;
  FaultCounter ata(*transport, CommandProtocol::kAta);
  std::vector<bool> x92, xec;
  for (int i = 0; i < 5; ++i) {
    x92.push_back(ata.Hit(0x92));
    xec.push_back(ata.Hit(0xEC));
  }
  EXPECT_EQ(x92, (std::vector<bool>{false, false, true, true, false}));
  EXPECT_EQ(xec, (std::vector<bool>{false, true, true, true, true}));
  EXPECT_TRUE(FaultCounter(*transport, CommandProtocol::kNvme).Empty());
  EXPECT_TRUE(FaultCounter({}, std::nullopt).Empty());
}

}  // namespace
}  // namespace lab
