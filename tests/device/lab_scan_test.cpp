// The whole scan on lab machines: what AspiLib lists, how each drive is
// classified, and what the scan leaves behind.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "device/ata/ata_commands.h"
#include "device/discovery/aspi_lib.h"
#include "device/nvme/nvme_commands.h"
#include "device/scsi/scsi_commands.h"
#include "lab/config/lab_config.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab/edge/lab_os.h"
#include "support/temp_dir.h"

namespace device {
namespace {

const char kMachine[] = R"([Machine]
SystemDirectory=C:\Windows\system32

[HostController0]
Pci=0:20.0
Ports=4

[Hub Front]
Parent=HostController0
Port=3
Vid=05E3
Pid=0618
Ports=4

[Disk0]
Attachment=sata
Controller=generic
Model=Other Maker SSD
Serial=OM0001
Firmware=1.0
Capacity=64MiB
Letters=C

[Disk1]
Attachment=sata
Controller=VK4610XT
Model=VKM VK4610XT SSD
Serial=VK10SN
Firmware=S0610A0
Capacity=64MiB
Letters=D

[Disk2]
Attachment=nvme
Controller=VK4630
Model=VKM VK4630 NVMe
Serial=NV30SN
Firmware=N0630A0
Capacity=64MiB
Pci=3:0.0

[Disk3]
Attachment=nvme-miniport
Controller=VK4630
Model=VKM VK4630 Mini
Serial=MP30SN
Firmware=N0630A0
Capacity=64MiB
Pci=4:0.0

[Disk4]
Attachment=usb-sat
Controller=VK4620XT2
Model=VKM VK4620XT2 SSD
Serial=VK20SN
Firmware=S0620B0
Capacity=64MiB
UsbHub=Front
UsbPort=2
UsbSerial=0123456789

[Disk5]
Attachment=usb-nvme
Controller=VK4630
Model=VKM VK4630 USB
Serial=UN30SN
Firmware=N0630A0
Capacity=64MiB
UsbHub=HostController0
UsbPort=1
UsbSerial=NV0001

[Disk6]
Attachment=usb-storage
Controller=VK4620XT
Inquiry=flash
Capacity=64MiB
UsbHub=Front
UsbPort=4
UsbSerial=UFD42
)";

class LabScan : public ::testing::Test {
 protected:
  void Build(const std::string& ini = kMachine) {
    std::string error;
    os_ = lab::LabOs::Create(lab::ParseLabConfig(ini), dir_.Str() + "/state",
                             lab::drives::LabDriveFactory(), error);
    ASSERT_TRUE(os_) << error;
    os_->Trace().SetCapture(true);
    lib_ = std::make_unique<AspiLib>(*os_);
  }
  // What ScanTarget asks for, with the settings' extra bits.
  static uint32_t Flags(bool ataPi, bool inbox, bool ufd) {
    uint32_t f = SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE;
    if (ataPi) f |= SCAN_ATAPI;
    if (inbox) f |= SCAN_NVME;
    if (ufd) f |= SCAN_VKM_UFD;
    return f;
  }
  // Listed devices by name, with their access bits.
  std::map<std::string, uint32_t> Listed() {
    std::map<std::string, uint32_t> m;
    for (int i = 0; i < lib_->Count(); ++i) m[lib_->Device(i).Name()] = lib_->Device(i).Attribute();
    return m;
  }

  testsupport::TempDir dir_;
  std::unique_ptr<lab::LabOs> os_;
  std::unique_ptr<AspiLib> lib_;
};

TEST_F(LabScan, ClassifiesEveryAttachment) {
  Build();
  ScanSettings settings;  // ShowPhysicalOnly 1, IncludeSystemDrive 1
  ASSERT_TRUE(lib_->Scan(Flags(true, true, true), 5, settings));
  const auto listed = Listed();
  EXPECT_EQ(listed.at("PHYSICALDRIVE0"), STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(listed.at("PHYSICALDRIVE1"), STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(listed.at("PHYSICALDRIVE2"), STORAGE_NVME | STORAGE_PHYSICAL);
  EXPECT_EQ(listed.at("PHYSICALDRIVE3"), STORAGE_NVME_MINIPORT | STORAGE_PHYSICAL);
  EXPECT_EQ(listed.at("PHYSICALDRIVE4"), STORAGE_ATA | STORAGE_SCSI_ATAPI | STORAGE_PHYSICAL);
  EXPECT_EQ(listed.at("PHYSICALDRIVE5"), STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL);
  EXPECT_EQ(listed.at("PHYSICALDRIVE6"), STORAGE_VKM_UFD | STORAGE_SCSI | STORAGE_PHYSICAL);
  EXPECT_EQ(listed.size(), 7u);  // letters only found the system disk
  EXPECT_EQ(lib_->SystemDisk(), 0);
  EXPECT_EQ(lib_->DevQty(), 7);
  EXPECT_EQ(os_->OpenHandleCount(), 0u);
  for (int i = 0; i < lib_->Count(); ++i) {
    const StorageDevice& d = lib_->Device(i);
    EXPECT_FALSE(d.IsOpen()) << d.Name();
    EXPECT_EQ(d.devTimeout, 65536u) << d.Name();
  }
}

TEST_F(LabScan, IdentityStringsCapacityAndLocations) {
  Build();
  ASSERT_TRUE(lib_->Scan(Flags(true, true, true), 5, ScanSettings{}));
  std::map<std::string, const StorageDevice*> by;
  for (int i = 0; i < lib_->Count(); ++i) by[lib_->Device(i).Name()] = &lib_->Device(i);
  const StorageDevice& sata = *by.at("PHYSICALDRIVE1");
  EXPECT_EQ(sata.Serial().substr(0, 6), "VK10SN");
  EXPECT_EQ(sata.Model().substr(0, 16), "VKM VK4610XT SSD");
  EXPECT_EQ(sata.Capacity(), 64u * 1024 * 1024 / 512);
  EXPECT_EQ(sata.devListIndex, 2u);
  const StorageDevice& nvme = *by.at("PHYSICALDRIVE2");
  EXPECT_EQ(nvme.Serial().substr(0, 6), "NV30SN");
  EXPECT_EQ(nvme.Location(), 0x030000u);  // PCI bus 3, device 0, function 0
  const StorageDevice& sat = *by.at("PHYSICALDRIVE4");
  EXPECT_EQ(sat.Serial().substr(0, 6), "VK20SN");
  EXPECT_EQ(sat.HaId(), 255u);  // USB: no SCSI address
  const UsbLocationRecord usb = sat.UsbInfo();
  EXPECT_EQ(SerialTokenOf(usb), "0123456789");
  EXPECT_EQ(usb.recognisedHub, 1);  // the Genesys hub 05E3:0618
  EXPECT_EQ(usb.hubPortCount, 4u);
  EXPECT_EQ(usb.port, 2u);
  const StorageDevice& ufd = *by.at("PHYSICALDRIVE6");
  EXPECT_EQ(ufd.Serial(), "");
  // The bridge's serial token, when the instance id gave none, comes from
  // the bridge's string query.
  EXPECT_FALSE(SerialTokenOf(by.at("PHYSICALDRIVE5")->UsbInfo()).empty());
}

TEST_F(LabScan, WithoutTheSettingsBitsOnlyTheirDrivesDisappear) {
  Build();
  ASSERT_TRUE(lib_->Scan(Flags(false, false, false), 5, ScanSettings{}));
  const auto listed = Listed();
  EXPECT_EQ(listed.count("PHYSICALDRIVE2"), 0u);  // inbox NVMe needs SupportInboxDriver
  EXPECT_EQ(listed.count("PHYSICALDRIVE4"), 0u);  // SAT needs ATA-PIFlag
  EXPECT_EQ(listed.count("PHYSICALDRIVE6"), 0u);  // flash device needs EnableUFD
  EXPECT_EQ(listed.at("PHYSICALDRIVE3"), STORAGE_NVME_MINIPORT | STORAGE_PHYSICAL);
  EXPECT_EQ(listed.at("PHYSICALDRIVE5"), STORAGE_NVME_BRIDGE | STORAGE_SCSI | STORAGE_PHYSICAL);
}

TEST_F(LabScan, SystemDiskAndLetters) {
  Build();
  ScanSettings settings;
  settings.IncludeSystemDrive = false;
  ASSERT_TRUE(lib_->Scan(Flags(true, true, true), 5, settings));
  auto listed = Listed();
  EXPECT_EQ(listed.count("PHYSICALDRIVE0"), 0u);  // the system disk
  EXPECT_EQ(listed.size(), 6u);

  // Letters listed: D: as a logical drive, and its disk not again.
  settings.ShowPhysicalOnly = false;
  ASSERT_TRUE(lib_->Scan(Flags(true, true, true), 5, settings));
  listed = Listed();
  EXPECT_EQ(listed.count("c:"), 0u);
  EXPECT_EQ(listed.at("d:"), STORAGE_ATA | STORAGE_LOGICAL);
  EXPECT_EQ(listed.count("PHYSICALDRIVE0"), 0u);
  EXPECT_EQ(listed.count("PHYSICALDRIVE1"), 1u);  // the physical walk lists it as well
  EXPECT_EQ(os_->OpenHandleCount(), 0u);

  settings.IncludeSystemDrive = true;
  ASSERT_TRUE(lib_->Scan(Flags(true, true, true), 5, settings));
  listed = Listed();
  EXPECT_EQ(listed.at("c:"), STORAGE_ATA | STORAGE_LOGICAL);
}

TEST_F(LabScan, TheScanTraceNamesEveryStep) {
  Build();
  ASSERT_TRUE(lib_->Scan(Flags(true, true, true), 5, ScanSettings{}));
  const common::TraceSink& t = os_->Trace();
  EXPECT_TRUE(t.Contains("[VKM_SCAN] Initialize: devQty = 7"));
  EXPECT_TRUE(t.Contains("[VKM_SCAN] InitDevice: devSymbol = c, devAttribute = 0"));
  EXPECT_TRUE(t.Contains("[VKM_SCAN] Initialize: szSystemDir[0] = c"));
  EXPECT_TRUE(t.Contains("[VKM_SCAN] Initialize: devOrder = 0, devUseBusType = 11"));
  EXPECT_TRUE(t.Contains("[VKM_SCAN] Initialize: devOrder = 4, devUseBusType = 7"));
  EXPECT_TRUE(t.Contains("[VKM_SCAN] Initialize: devAttribute = 90000001"));
  EXPECT_TRUE(t.Contains("(STORAGE_NVME_BRIDGE)"));
  EXPECT_TRUE(t.Contains("[VKM] <\\\\.\\PHYSICALDRIVE2> DataCount:4096, OPCODE:0x06"));
}

TEST_F(LabScan, ListedDrivesTakeCommandsAfterTheScan) {
  Build();
  ASSERT_TRUE(lib_->Scan(Flags(true, true, true), 5, ScanSettings{}));
  for (int i = 0; i < lib_->Count(); ++i) {
    StorageDevice& d = lib_->Device(i);
    if (d.Attribute() & STORAGE_ATA) {
      std::vector<uint8_t> identify(512);
      EXPECT_TRUE(AtaIdentifyDevice(d, identify)) << d.Name();
      std::vector<uint8_t> sector(512, 0x5A);
      EXPECT_TRUE(AtaWriteSectors(d, 100, 1, sector, true)) << d.Name();
      std::vector<uint8_t> back(512);
      EXPECT_TRUE(AtaReadSectors(d, 100, 1, back, true)) << d.Name();
      EXPECT_EQ(back, sector) << d.Name();
    } else if (IsNvme(d.Attribute())) {
      std::vector<uint8_t> identify(4096);
      EXPECT_TRUE(NvmeIdentifyController(d, identify)) << d.Name();
    }
  }
  EXPECT_EQ(os_->OpenHandleCount(), 0u);
}

TEST_F(LabScan, ReleaseAllEmptiesTheListAndClosesNothingTwice) {
  Build();
  ASSERT_TRUE(lib_->Scan(Flags(true, true, true), 5, ScanSettings{}));
  ASSERT_GT(lib_->Count(), 0);
  StorageDevice& d = lib_->Device(0);
  ASSERT_TRUE(d.Reopen(true));
  lib_->ReleaseAll();
  EXPECT_EQ(lib_->Count(), 0);
  EXPECT_EQ(d.Attribute(), 0u);
  EXPECT_EQ(d.HaId(), 255u);
  EXPECT_EQ(os_->OpenHandleCount(), 0u);
}

// The system folder is on E:, and D: on the same disk comes first in the
// letter walk: the disk is still known as the system disk and nothing of it
// is listed when the system drive is excluded.
TEST_F(LabScan, ASecondVolumeOfTheSystemDiskIsNotListedWhenTheSystemDriveIsExcluded) {
  Build(R"([Machine]
SystemDirectory=E:\Windows\system32

[Disk0]
Attachment=sata
Controller=generic
Model=Other Maker SSD
Serial=OM0001
Capacity=64MiB
Letters=D,E

[Disk1]
Attachment=sata
Controller=VK4620XT
Model=VKM VK4620XT SSD
Serial=VK20SN
Capacity=64MiB
Letters=F
)");
  ScanSettings settings;
  settings.ShowPhysicalOnly = false;
  settings.IncludeSystemDrive = false;
  ASSERT_TRUE(lib_->Scan(Flags(false, false, false), 5, settings));
  EXPECT_EQ(lib_->SystemDisk(), 0);
  const auto listed = Listed();
  EXPECT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed.at("f:"), STORAGE_ATA | STORAGE_LOGICAL);
  EXPECT_EQ(listed.at("PHYSICALDRIVE1"), STORAGE_ATA | STORAGE_PHYSICAL);

  // Included: D: is listed once for the disk, E: (same disk) is released.
  settings.IncludeSystemDrive = true;
  ASSERT_TRUE(lib_->Scan(Flags(false, false, false), 5, settings));
  const auto all = Listed();
  EXPECT_EQ(all.count("d:"), 1u);
  EXPECT_EQ(all.count("e:"), 0u);
  EXPECT_EQ(all.size(), 4u);
}

// Thirty-four disks: the list holds 32 and the walks stop there.
TEST_F(LabScan, TheListHoldsThirtyTwoDevices) {
  std::string ini = "[Machine]\nSystemDirectory=C:\\Windows\\system32\n";
  for (int i = 0; i < 34; ++i)
    ini += "\n[Disk" + std::to_string(i) +
           "]\nAttachment=sata\nController=generic\nModel=Disk\nSerial=S" + std::to_string(i) +
           "\nCapacity=1MiB\n";
  Build(ini);
  ASSERT_TRUE(lib_->Scan(Flags(false, false, false), 5, ScanSettings{}));
  ASSERT_EQ(lib_->Count(), AspiLib::kMaxDevices);
  EXPECT_EQ(lib_->DevQty(), 34);
  EXPECT_EQ(lib_->Device(31).Name(), "PHYSICALDRIVE31");
  EXPECT_FALSE(os_->Trace().Contains("devOrder = 32, devUseBusType"));  // never probed
  EXPECT_EQ(os_->OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace device
