#include "lab/config/lab_config.h"

#include <gtest/gtest.h>

#include <random>

#include "lab/config/value_parsers.h"
#include "lab/faults/fault_list.h"
#include "lab/support/test_lab.h"

namespace lab {
namespace {

bool HasProblem(const LabConfig& c, const std::string& text) {
  for (const std::string& p : c.problems)
    if (p.find(text) != std::string::npos) return true;
  return false;
}

TEST(LabIni, ReferenceMachineParsesWithoutProblems) {
  const LabConfig c = ParseLabConfig(labtest::kReferenceLab);
  ASSERT_TRUE(c.problems.empty()) << c.problems.front();
  ASSERT_EQ(c.disks.size(), 7u);
  EXPECT_EQ(c.SystemLetter(), 'C');
  EXPECT_EQ(c.disks[0].attachment, Attachment::kSata);
  EXPECT_EQ(c.disks[0].letters, std::vector<char>{'C'});
  EXPECT_EQ(c.disks[0].sectors, 131072u);      // 64 MiB of 512-byte sectors
  EXPECT_EQ(c.disks[2].controller, "VK4630");  // the default for NVMe
  EXPECT_EQ(c.disks[2].pciLocation, "PCI bus 3, device 0, function 0");
  EXPECT_EQ(c.disks[4].usb.hub, "Front");
  EXPECT_EQ(c.disks[4].usb.vid, 0x152D);  // a SAT bridge unless told otherwise
  EXPECT_EQ(c.disks[5].usb.uas, true);    // USB-NVMe bridges speak UAS
  EXPECT_EQ(c.disks[5].bridgeSlot, 5u);
  EXPECT_EQ(c.disks[6].inquiryFlavour, InquiryFlavour::kFlashDevice);
  ASSERT_EQ(c.hubs.size(), 1u);
  EXPECT_EQ(c.hubs[0].pid, 0x0610);
  for (size_t i = 0; i < c.disks.size(); ++i) EXPECT_EQ(c.disks[i].number, i);
}

TEST(LabIni, NumbersSkipTheOnesNamedExplicitly) {
  const LabConfig c = ParseLabConfig(
      "[DiskA]\nAttachment=sata\n[DiskB]\nAttachment=sata\nNumber=1\n[DiskC]\nAttachment=nvme\n");
  ASSERT_TRUE(c.problems.empty());
  EXPECT_EQ(c.disks[0].number, 0u);
  EXPECT_EQ(c.disks[1].number, 1u);
  EXPECT_EQ(c.disks[2].number, 2u);
}

TEST(LabIni, EveryBadValueIsReportedWithItsSectionAndKey) {
  const LabConfig c = ParseLabConfig(R"([Machine]
SystemDirectory=nowhere
[Disk0]
Attachment=scsi-magic
Capacity=12 parsecs
Letters=C,%
SectorSize=520
FailTransport=ata:0x92@0
UnreadableSectors=9-3
Serial=012345678901234567890123
BridgeSilent=1
MiniportLocked=1
[Disk1]
Attachment=usb-sat
[Gadget]
Color=blue
[HostController12]
)");
  EXPECT_TRUE(HasProblem(c, "[Machine] SystemDirectory"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] Attachment: 'scsi-magic'"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] Capacity"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] Letters: '%' is not a drive letter"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] SectorSize"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] FailTransport"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] UnreadableSectors"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] Serial: at most 20"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] BridgeSilent: only a USB disk"));
  EXPECT_TRUE(HasProblem(c, "[Disk0] MiniportLocked: only a disk behind"));
  EXPECT_TRUE(HasProblem(c, "[Disk1] UsbHub"));
  EXPECT_TRUE(HasProblem(c, "[Disk1] UsbPort"));
  EXPECT_TRUE(HasProblem(c, "[Gadget] is not a lab.ini section"));
  EXPECT_TRUE(HasProblem(c, "[HostController12]"));
  // Bad values fall back to sound ones rather than leaving garbage.
  EXPECT_EQ(c.machine.systemDirectory, "C:\\Windows\\system32");
  EXPECT_EQ(c.disks[0].sectorSize, 512u);
}

TEST(LabIni, ConflictsBetweenSectionsAreFound) {
  const LabConfig c = ParseLabConfig(R"([Hub A]
Parent=Hub B
Port=1
[Hub B]
Parent=Hub A
Port=1
[Hub C]
Parent=HostController0
Port=11
[Disk0]
Attachment=sata
Number=4
Port=2
Target=0
[Disk1]
Attachment=sata
Number=4
Port=2
Target=0
[Disk2]
Attachment=usb-storage
UsbHub=Nowhere
UsbPort=1
[Disk3]
Attachment=usb-sat
UsbHub=HostController0
UsbPort=1
[Disk4]
Attachment=usb-sat
UsbHub=HostController0
UsbPort=1
[disk0]
Attachment=nvme
)");
  EXPECT_TRUE(HasProblem(c, "form a loop"));
  EXPECT_TRUE(HasProblem(c, "HostController0 has no port 11 (it has 10)"));
  EXPECT_TRUE(HasProblem(c, "physical drive number 4 is used twice"));
  EXPECT_TRUE(HasProblem(c, "SCSI address 2:0:0:0 is used twice"));
  EXPECT_TRUE(HasProblem(c, "no host controller or hub is called Nowhere"));
  EXPECT_TRUE(HasProblem(c, "port 1 of HostController0 is taken twice"));
  EXPECT_TRUE(HasProblem(c, "[disk0] appears twice"));
}

TEST(LabIni, HostileBytesNeverCrashTheParser) {
  std::mt19937 rng(1234);
  static const char kAlphabet[] = "[]=;\n\r\t ,:@*-0x19AFaDiskHubHostController\\\"'\0\xff";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const size_t n = rng() % 600;
    for (size_t i = 0; i < n; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
    const LabConfig c = ParseLabConfig(text);
    EXPECT_LE(c.disks.size(), text.size());
  }
  // Sections with every key empty, and an empty file, give a usable result.
  EXPECT_TRUE(ParseLabConfig("").problems.empty());
  const LabConfig empty = ParseLabConfig("[Disk0]\n[Hub]\n[HostController]\n");
  EXPECT_FALSE(empty.problems.empty());
  EXPECT_EQ(empty.hostControllers.size(), 1u);  // the default one
}

TEST(LabValues, CapacityAcceptsSectorsAndUnits) {
  EXPECT_EQ(ParseCapacity("2048", 512), 2048u);
  EXPECT_EQ(ParseCapacity("1MiB", 512), 2048u);
  EXPECT_EQ(ParseCapacity("256GB", 512), 500000000u);
  EXPECT_EQ(ParseCapacity("1 TiB", 4096), 268435456u);
  EXPECT_EQ(ParseCapacity("1tb", 512), 1953125000u);
  EXPECT_FALSE(ParseCapacity("GB", 512));
  EXPECT_FALSE(ParseCapacity("5 furlongs", 512));
  EXPECT_FALSE(ParseCapacity("99999999999999999999", 512));
  EXPECT_FALSE(ParseCapacity("9999999TiB", 512));  // beyond what a drive could be
}

TEST(LabValues, PciLocationsAndFaultLists) {
  std::string why;
  EXPECT_EQ(ParsePciLocation("12:28.4", why), "PCI bus 12, device 28, function 4");
  EXPECT_EQ(ParsePciLocation("PCI bus 1, device 2, function 3", why),
            "PCI bus 1, device 2, function 3");
  EXPECT_FALSE(ParsePciLocation("3:32.0", why));
  EXPECT_FALSE(ParsePciLocation("3-0-0", why));

  const auto f = ParseFaultList("ata:0x92@3*2, nvme:0x11, scsi:40@2, nvme-io:0x02",
                                FaultListKind::kTransport, why);
  ASSERT_TRUE(f) << why;
  ASSERT_EQ(f->size(), 4u);
  EXPECT_EQ((*f)[0], (FaultRule{CommandProtocol::kAta, 0x92, 3, 2}));
  EXPECT_EQ((*f)[1], (FaultRule{CommandProtocol::kNvme, 0x11, 1, 1}));  // the first use, once
  EXPECT_EQ((*f)[2].code, 40);                                          // decimal without "0x"
  EXPECT_EQ((*f)[3].protocol, CommandProtocol::kNvmeIo);
  for (const char* bad : {"usb:0x12", "ata:0x100", "ata:0x92*2@3", "ata:0x92@0", "0x92@3"}) {
    EXPECT_FALSE(ParseFaultList(bad, FaultListKind::kTransport, why)) << bad;
    EXPECT_NE(why.find(bad), std::string::npos) << why;
  }

  const auto r = ParseLbaRanges("100-107, 5000", why);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->size(), 2u);
  EXPECT_TRUE((*r)[0].Overlaps(90, 11));
  EXPECT_FALSE((*r)[0].Overlaps(90, 10));
  EXPECT_TRUE((*r)[1].Contains(5000));
  EXPECT_EQ(ParseHexBytes("9B C3 48"), (std::vector<uint8_t>{0x9B, 0xC3, 0x48}));
  EXPECT_FALSE(ParseHexBytes("9B C"));
}

}  // namespace
}  // namespace lab
