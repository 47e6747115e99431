// Drive numbers on the Linux backend follow their disks: a number given out
// by the enumeration opens the disk it was given to, on whatever node the
// kernel shows that disk now, and nothing once the disk is gone.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/linux/linux_os.h"
#include "platform/setupapi.h"
#include "support/fake_sysfs.h"

namespace os {
namespace {

constexpr const char* kSataA = "devices/pci0000:00/0000:00:17.0/ata3/host2/target2:0:0/2:0:0:0";
constexpr const char* kSataB = "devices/pci0000:00/0000:00:17.0/ata4/host3/target3:0:0/3:0:0:0";

void SataDisk(const testsupport::FakeSysfs& sys, const std::string& at, const std::string& node,
              const std::string& wwid) {
  sys.Dir().Write("sys/" + at + "/vendor", "ATA     \n");
  sys.Dir().Write("sys/" + at + "/model", "VK4620XT SSD    \n");
  sys.Dir().Write("sys/" + at + "/wwid", wwid + "\n");
  sys.Disk(at, node);
}

// The kernel takes the disk's node away (unplugged, or moved).
void RemoveNode(const testsupport::FakeSysfs& sys, const std::string& at, const std::string& node) {
  namespace fs = std::filesystem;
  fs::remove(sys.Dir().Path() / "sys/block" / node);
  fs::remove_all(sys.Dir().Path() / "sys" / at / "block" / node);
  fs::remove(sys.Dir().Path() / "dev" / node);
}

// Numbers are given out by the disk walk, as the scan does.
void Enumerate(LinuxOs& los) {
  const HDEVINFO set = los.SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr, 0);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  los.SetupDiDestroyDeviceInfoList(set);
}

HANDLE OpenDrive(LinuxOs& los, int n) {
  return los.CreateFileA("\\\\.\\PHYSICALDRIVE" + std::to_string(n), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

void WriteFirstSector(LinuxOs& los, HANDLE h, char value) {
  std::string sector(512, value);
  DWORD moved = 0;
  ASSERT_TRUE(los.WriteFile(h, sector.data(), 512, &moved));
  EXPECT_TRUE(los.CloseHandle(h));
}

TEST(LinuxDiskNumbers, ANumberFollowsItsDiskToANewNodeAndNeverOpensTheDiskNowOnItsOldOne) {
  testsupport::FakeSysfs sys;
  SataDisk(sys, kSataA, "sdc", "t10.ATA     VK4620XT SSD VKA0001");
  LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  Enumerate(los);
  // sda, sdb, sdc, then the NVMe namespace.
  ASSERT_EQ(los.Disks().size(), 4u);
  ASSERT_EQ(los.Disks()[2].name, "sdc");

  // The disk is replugged and comes back as sdd; another disk now is sdc.
  RemoveNode(sys, kSataA, "sdc");
  SataDisk(sys, kSataB, "sdc", "t10.ATA     VK4620XT SSD VKB0002");
  const std::string moved = "devices/pci0000:00/0000:00:17.0/ata5/host4/target4:0:0/4:0:0:0";
  SataDisk(sys, moved, "sdd", "t10.ATA     VK4620XT SSD VKA0001");

  const HANDLE h = OpenDrive(los, 2);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  WriteFirstSector(los, h, '\x5A');
  EXPECT_EQ(sys.Dir().Read("dev/sdd").substr(0, 4), std::string(4, '\x5A'));
  EXPECT_EQ(sys.Dir().Read("dev/sdc").substr(0, 4), std::string(4, '\0'));
  EXPECT_EQ(los.Disks()[2].name, "sdd");
  // The other numbers still open their own disks.
  const HANDLE first = OpenDrive(los, 0);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  WriteFirstSector(los, first, '\x11');
  EXPECT_EQ(sys.Dir().Read("dev/sda").substr(0, 1), "\x11");

  // Unplugged for good: the number opens nothing, although sdc is there.
  RemoveNode(sys, moved, "sdd");
  EXPECT_EQ(OpenDrive(los, 2), INVALID_HANDLE_VALUE);
  EXPECT_EQ(los.GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(sys.Dir().Read("dev/sdc").substr(0, 4), std::string(4, '\0'));

  // A new disk walk gives the numbers out again: the disk at sdc is number 2 now.
  Enumerate(los);
  const HANDLE again = OpenDrive(los, 2);
  ASSERT_NE(again, INVALID_HANDLE_VALUE);
  WriteFirstSector(los, again, '\x33');
  EXPECT_EQ(sys.Dir().Read("dev/sdc").substr(0, 1), "\x33");
}

TEST(LinuxDiskNumbers, AnNvmeNamespaceIsFollowedByItsSerial) {
  testsupport::FakeSysfs sys;
  LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  Enumerate(los);
  ASSERT_EQ(los.Disks().size(), 3u);
  EXPECT_EQ(linuxos::StableIdentity(los.Disks()[2]), "serial:VK4630 NVMe SSD\nNV0001\n");
  // Another controller now answers with another serial under the same node.
  sys.Dir().Write("sys/devices/pci0000:00/0000:00:1d.0/0000:3d:00.1/nvme/nvme0/serial", "NV0099\n");
  EXPECT_EQ(OpenDrive(los, 2), INVALID_HANDLE_VALUE);
  EXPECT_EQ(los.GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace os
