// ScanTarget: the walk over the discovered drives, the 16-slot limit, the
// backup lists, time-outs, opening and the trace lines.
#include "scan/scan_target.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scan/scan_rules.h"
#include "common/text.h"
#include "device/core/dev_attribute.h"
#include "platform/virtual_os.h"
#include "scan_fakes.h"

namespace app::testing {
namespace {

using device::STORAGE_ATA;
using device::STORAGE_NVME;
using device::STORAGE_NVME_MINIPORT;
using device::STORAGE_PHYSICAL;

constexpr uint32_t kSata = STORAGE_ATA | STORAGE_PHYSICAL;
constexpr uint32_t kNvme = STORAGE_NVME | STORAGE_PHYSICAL;

FakeDrive Foreign() {
  FakeDrive d;
  d.identify = AtaIdentify("OTHER-MAKER-1", "1.0", "Other Maker Disk");
  d.attachFails = true;  // its firmware does not answer the vendor detect
  return d;
}

FakeDrive Nvme4630(const std::string& serial) {
  FakeDrive d;
  d.idCtrl = NvmeIdCtrl(serial, "VK NVMe 512GB", "N0100A0");
  d.acceptedNames = {"VKM4630"};
  return d;
}

class ScanTargetTest : public ::testing::Test {
 protected:
  ScanTargetTest() { os.Trace().SetCapture(true); }

  void Scan() {
    DeviceScan scan(os, options, profiles, discovery, table, controllers);
    scan.ScanTarget({source, destination});
  }
  std::string Name(int i) { return common::Format("PhysicalDrive%d", i); }
  bool Attached(const std::string& name) const {
    return std::any_of(controllers.calls.begin(), controllers.calls.end(),
                       [&](const std::string& c) { return c.ends_with(":attach " + name); });
  }

  os::VirtualOs os;
  FakeMachine machine{os};
  ListDiscovery discovery{machine};
  AppOptions options;
  ProfileTable profiles = FamilyProfiles();
  DeviceTable table;
  ScriptedControllers controllers{machine};
  ui::ComboBox source{"CMBB_DeviceList_Source"};
  ui::ComboBox destination{"CMBB_DeviceList_Destination"};
};

TEST_F(ScanTargetTest, SeventeenMakerDrivesFillSixteenSlots) {
  for (int i = 0; i < 17; ++i) machine.Add(Name(i), kSata, Sata4620(common::Format("SER%02d", i)));
  Scan();

  EXPECT_EQ(table.DeviceCount(), 16);
  ASSERT_EQ(source.ItemCount(), 16);
  EXPECT_EQ(source.Items(), destination.Items());
  EXPECT_EQ(source.Items()[0], "PHYSICALDRIVE0");
  EXPECT_EQ(source.Items()[15], "PHYSICALDRIVE15");
  for (int s = 0; s < 16; ++s) EXPECT_EQ(table.Slot(s).data.profileIndex, 1) << s;
  // The seventeenth drive is not looked at: no attach, time-out untouched.
  EXPECT_FALSE(Attached("PhysicalDrive16"));
  EXPECT_EQ(machine.Devices()[16]->devTimeout, device::kDefaultTimeoutSeconds);
  EXPECT_EQ(machine.Devices()[15]->devTimeout, kAfterIdentifyTimeoutSeconds);
}

TEST_F(ScanTargetTest, DrivesOfOtherMakersAreOnlyInTheBackupLists) {
  machine.Add("PhysicalDrive0", kSata, Sata4620("SATA-A"));
  machine.Add("PhysicalDrive1", kSata, Foreign());
  machine.Add("Scsi2:", STORAGE_NVME_MINIPORT, Nvme4630("NVME-C"));
  FakeDrive noFamily = Sata4620("SATA-D");
  noFamily.parameterBlock = ParamBlock("NOT-A-PARA", "01", "  B27A");
  machine.Add("PhysicalDrive3", kSata, noFamily);
  Scan();

  EXPECT_EQ(table.DeviceCount(), 2);
  const std::vector<std::string> all{"PHYSICALDRIVE0", "PHYSICALDRIVE1",
                                     "SCSI2:", "PHYSICALDRIVE3"};
  EXPECT_EQ(source.Items(), all);
  EXPECT_EQ(destination.Items(), all);
  EXPECT_EQ(table.Slot(0).data.profileIndex, 1);
  EXPECT_EQ(table.Slot(1).data.profileIndex, 3);
  EXPECT_EQ(table.Slot(1).data.nvmeIdentifyController[4], 'N');
  // Slot 1 was tried for the foreign drive first, then reused for the NVMe one.
  EXPECT_TRUE(std::count(controllers.calls.begin(), controllers.calls.end(),
                         "1:attach PhysicalDrive1") > 0);
  EXPECT_TRUE(std::count(controllers.calls.begin(), controllers.calls.end(), "1:attach Scsi2:") >
              0);
}

TEST_F(ScanTargetTest, TheWalkEndsWithTheSixteenthIdentifiedDrive) {
  for (int i = 0; i < 18; ++i) {
    machine.Add(Name(i), kSata, i == 3 ? Foreign() : Sata4620(common::Format("SER%02d", i)));
  }
  Scan();
  EXPECT_EQ(table.DeviceCount(), 16);
  // Drives 0..16 were looked at (one of them foreign); drive 17 was not.
  ASSERT_EQ(source.ItemCount(), 17);
  EXPECT_EQ(source.Items()[3], "PHYSICALDRIVE3");
  EXPECT_EQ(source.Items()[16], "PHYSICALDRIVE16");
  EXPECT_FALSE(Attached("PhysicalDrive17"));
}

TEST_F(ScanTargetTest, OptionsTimeOutsOpeningAndTraceLines) {
  options.SupportInboxDriver = true;
  machine.Add("PhysicalDrive1", kSata, Sata4620("SATA-A"));
  machine.Add("PhysicalDrive2", kNvme, Nvme4630("NVME-B"));
  Scan();

  EXPECT_EQ(discovery.scans, 1);
  EXPECT_EQ(discovery.lastFlags, 0x710u);
  EXPECT_EQ(discovery.lastTimeout, 5u);
  // Identification runs with 15 s, afterwards every drive is at 20 s.
  EXPECT_EQ(controllers.Controller(0).timeoutAtAttach, 15u);
  EXPECT_EQ(controllers.Controller(1).timeoutAtAttach, 15u);
  EXPECT_EQ(machine.Devices()[0]->devTimeout, 20u);
  EXPECT_EQ(machine.Devices()[1]->devTimeout, 20u);
  // ATA drives are opened without locking their volume; NVMe drives as they are.
  EXPECT_EQ(machine.Devices()[0]->devOptions & device::kOptionNoVolumeLock, 1u);
  EXPECT_EQ(machine.Devices()[1]->devOptions & device::kOptionNoVolumeLock, 0u);
  EXPECT_FALSE(machine.Devices()[0]->IsOpen());

  const std::vector<std::string> trace{"[VKM_SCAN] ScanTarget: targetQty = 2\n",
                                       "[VKM_SCAN] ScanTarget: dev_name = PHYSICALDRIVE1\n",
                                       "[VKM_SCAN] ScanTarget: devAttribute = 80000001\n",
                                       "[VKM_SCAN] ScanTarget: dev_name = PHYSICALDRIVE2\n",
                                       "[VKM_SCAN] ScanTarget: devAttribute = 20000001\n"};
  EXPECT_EQ(os.Trace().Captured(), trace);
}

TEST_F(ScanTargetTest, WithoutProfilesNothingMatchesButEveryDriveIsListedForBackup) {
  profiles = ProfileTable{};
  machine.Add("PhysicalDrive0", kSata, Sata4620("SATA-A"));
  machine.Add("PhysicalDrive1", kNvme, Nvme4630("NVME-B"));
  Scan();
  EXPECT_EQ(table.DeviceCount(), 0);
  EXPECT_EQ(source.ItemCount(), 2);
  EXPECT_EQ(destination.ItemCount(), 2);
  EXPECT_TRUE(controllers.calls.empty());  // no profile, nothing to try
}

TEST_F(ScanTargetTest, ARescanStartsFromAnEmptyTableAndEmptyLists) {
  machine.Add("PhysicalDrive0", kSata, Sata4620("SATA-A"));
  machine.Add("PhysicalDrive1", kSata, Sata4620("SATA-B"));
  Scan();
  ASSERT_EQ(table.DeviceCount(), 2);
  machine.DriveOf(machine.Devices()[0].get()).attachFails = true;
  Scan();
  EXPECT_EQ(table.DeviceCount(), 1);
  EXPECT_EQ(source.ItemCount(), 2);
  EXPECT_EQ(discovery.scans, 2);
  // The drive that still answers moved up to slot 0.
  EXPECT_EQ(common::Trim(AtaIdentityTexts(table.Slot(0).data.ataIdentify).serial), "SATA-B");
}

TEST_F(ScanTargetTest, AFailedReadNeverShowsTheDataOfTheDriveTriedBefore) {
  // The first drive answers IDENTIFY but belongs to no profile; the second is
  // ours but its IDENTIFY fails, which the parameter-block match ignores.
  FakeDrive first = Sata4620("FIRST-SERIAL");
  first.parameterBlock = ParamBlock("NONE", "01", "  B27A");
  machine.Add("PhysicalDrive0", kSata, first);
  FakeDrive second = Sata4620("SECOND");
  second.identifyFails = true;
  machine.Add("PhysicalDrive1", kSata, second);
  Scan();
  ASSERT_EQ(table.DeviceCount(), 1);
  const auto& id = table.Slot(0).data.ataIdentify;
  EXPECT_TRUE(std::all_of(id.begin(), id.end(), [](uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace app::testing
