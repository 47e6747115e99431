// The system disk and the volumes in use on the Linux backend, on a fake
// machine: sda holds the root file system through the device mapper (LVM on
// sda2) and the EFI partition sda1; sdb is a USB disk whose partitions are
// mounted or swapped on as each test says.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/discovery/aspi_lib.h"
#include "device/usage/disk_use.h"
#include "platform/linux/disk_usage.h"
#include "platform/linux/linux_os.h"
#include "platform/volume.h"
#include "platform/zero_data.h"
#include "support/fake_sysfs.h"

namespace os {
namespace {

constexpr char kRootMounts[] =
    "21 1 253:0 / / rw,relatime shared:1 - ext4 /dev/mapper/vg-root rw\n"
    "22 21 8:1 / /boot/efi rw shared:2 - vfat /dev/sda1 rw\n"
    "23 21 0:5 / /proc rw shared:3 - proc proc rw\n"
    "24 21 0:25 / /run rw shared:4 - tmpfs tmpfs rw\n";

class LinuxVolumes : public ::testing::Test {
 protected:
  void SetUp() override {
    // Sectors of 512 bytes: sda1 8..47, sda2 48..127, sdb1 16..79, sdb2 80..127.
    sys.Partition("sda", "sda1", "8:1", 8, 40);
    sys.Partition("sda", "sda2", "8:2", 48, 80);
    sys.Partition("sdb", "sdb1", "8:17", 16, 64);
    sys.Partition("sdb", "sdb2", "8:18", 80, 48);
    sys.Dir().Write("sys/block/dm-0/dev", "253:0\n");
    sys.Dir().Write("sys/block/dm-0/size", "80\n");
    sys.Dir().Write("sys/block/dm-0/slaves/sda2/dev", "8:2\n");
    sys.Dir().Write("dev/dm-0", std::string(80 * 512, '\0'));
    Mounts("");
  }
  void Mounts(const std::string& more) {
    sys.Dir().Write("proc/self/mountinfo", std::string(kRootMounts) + more);
  }
  HANDLE Open(const std::string& path) {
    return los.CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  }
  // Writes one sector of 0x5A at `sector` through `h`.
  bool WriteSector(HANDLE h, uint32_t sector) {
    LONG high = 0;
    if (los.SetFilePointer(h, static_cast<LONG>(sector * 512), &high, FILE_BEGIN) != sector * 512)
      return false;
    const std::string data(512, '\x5A');
    DWORD written = 0;
    return los.WriteFile(h, data.data(), 512, &written) && written == 512;
  }
  bool Ioctl(HANDLE h, DWORD code, void* out = nullptr, DWORD outSize = 0) {
    DWORD returned = 0;
    return los.DeviceIoControl(h, code, nullptr, 0, out, outSize, &returned);
  }

  testsupport::FakeSysfs sys;
  LinuxOs los{sys.SysRoot(), sys.DevRoot(), sys.ProcRoot()};
};

TEST_F(LinuxVolumes, TheDiskUnderTheRootFileSystemIsTheSystemDriveWithLetterC) {
  char dir[60] = {};
  EXPECT_EQ(los.GetSystemDirectoryA(dir, sizeof dir), 3u);
  EXPECT_STREQ(dir, "C:\\");
  // C: the root (dm-0 on sda2), D: the EFI partition; proc and tmpfs are no volumes.
  EXPECT_EQ(los.GetLogicalDrives(), 0x0Cu);
  const HANDLE c = Open("\\\\.\\c:");
  ASSERT_NE(c, INVALID_HANDLE_VALUE);
  // C: stands for the whole system: its root (sda2 under dm-0) and the EFI
  // partition. One extent's room gets the count and ERROR_MORE_DATA.
  VOLUME_DISK_EXTENTS extents{};
  EXPECT_FALSE(Ioctl(c, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, &extents, sizeof extents));
  EXPECT_EQ(los.GetLastError(), ERROR_MORE_DATA);
  EXPECT_EQ(extents.NumberOfDiskExtents, 2u);
  struct {
    VOLUME_DISK_EXTENTS head;
    DISK_EXTENT more;
  } two{};
  ASSERT_TRUE(Ioctl(c, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, &two, sizeof two));
  EXPECT_EQ(two.head.NumberOfDiskExtents, 2u);
  EXPECT_EQ(two.head.Extents[0].DiskNumber, 0u);
  EXPECT_EQ(two.head.Extents[0].StartingOffset, 48 * 512);
  EXPECT_EQ(two.head.Extents[0].ExtentLength, 80 * 512);
  EXPECT_EQ(two.more.DiskNumber, 0u);
  EXPECT_EQ(two.more.StartingOffset, 8 * 512);
  // Mounted: no lock, no dismount, nothing to unlock; never unmounted.
  EXPECT_FALSE(Ioctl(c, FSCTL_LOCK_VOLUME));
  EXPECT_EQ(los.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(Ioctl(c, FSCTL_DISMOUNT_VOLUME));
  EXPECT_FALSE(Ioctl(c, FSCTL_UNLOCK_VOLUME));
  EXPECT_EQ(los.GetLastError(), ERROR_NOT_LOCKED);
  EXPECT_TRUE(Ioctl(c, FSCTL_IS_VOLUME_MOUNTED));
  EXPECT_TRUE(los.CloseHandle(c));
  EXPECT_EQ(Open("\\\\.\\E:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(los.GetLastError(), ERROR_FILE_NOT_FOUND);

  // Without a listed disk under any system mount there is no system letter.
  sys.Dir().Write("proc/self/mountinfo", "23 21 0:5 / /proc rw shared:3 - proc proc rw\n");
  EXPECT_EQ(los.GetSystemDirectoryA(dir, sizeof dir), 0u);
  EXPECT_EQ(los.GetLogicalDrives(), 0u);
}

TEST_F(LinuxVolumes, RawWritesIntoAMountedFileSystemAreRefusedAndAllowedAfterItsUnmount) {
  Mounts("40 21 8:17 / /media/usb\\040stick rw - vfat /dev/sdb1 rw\n");
  EXPECT_EQ(los.GetLogicalDrives(), 0x1Cu);
  const HANDLE h = Open("\\\\.\\PHYSICALDRIVE1");
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(WriteSector(h, 15));   // just before sdb1
  EXPECT_FALSE(WriteSector(h, 16));  // its first sector
  EXPECT_EQ(los.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(WriteSector(h, 79));  // its last
  EXPECT_TRUE(WriteSector(h, 80));   // sdb2, not in use
  // A write across the boundary touches the file system.
  LONG high = 0;
  los.SetFilePointer(h, 15 * 512, &high, FILE_BEGIN);
  const std::string two(1024, '\x11');
  DWORD written = 0;
  EXPECT_FALSE(los.WriteFile(h, two.data(), 1024, &written));
  const std::string media = sys.Dir().Read("dev/sdb");
  EXPECT_EQ(media.substr(15 * 512, 512), std::string(512, '\x5A'));
  EXPECT_EQ(media.substr(16 * 512, 64 * 512), std::string(64 * 512, '\0'));
  EXPECT_EQ(media.substr(80 * 512, 512), std::string(512, '\x5A'));
  // Zeroing a range is a write too.
  FILE_ZERO_DATA_INFORMATION z{0, 32 * 512};
  DWORD returned = 0;
  EXPECT_FALSE(los.DeviceIoControl(h, FSCTL_SET_ZERO_DATA, &z, sizeof z, nullptr, 0, &returned));
  EXPECT_EQ(los.GetLastError(), ERROR_ACCESS_DENIED);

  // The volume by its letter: in use, so it takes no lock and no write.
  const HANDLE e = Open("\\\\.\\E:");
  ASSERT_NE(e, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Ioctl(e, FSCTL_LOCK_VOLUME));

  // Unmounted by the administrator: the same writes go through, and the
  // volume can be locked (and is gone from the letters).
  Mounts("");
  EXPECT_TRUE(WriteSector(h, 16));
  EXPECT_EQ(sys.Dir().Read("dev/sdb").substr(16 * 512, 512), std::string(512, '\x5A'));
  EXPECT_TRUE(Ioctl(e, FSCTL_LOCK_VOLUME));
  EXPECT_TRUE(Ioctl(e, FSCTL_DISMOUNT_VOLUME));
  EXPECT_TRUE(Ioctl(e, FSCTL_UNLOCK_VOLUME));
  EXPECT_EQ(los.GetLogicalDrives(), 0x0Cu);
  EXPECT_TRUE(los.CloseHandle(e));
  EXPECT_TRUE(los.CloseHandle(h));
}

TEST_F(LinuxVolumes, SwapAndBtrfsSourcesAndTheEfiPartitionCountAsInUse) {
  // btrfs reports an anonymous device number; its source names the device.
  Mounts("41 21 0:47 /@home /home rw - btrfs /dev/sdb1 rw,subvol=/@home\n");
  sys.Dir().Write("proc/swaps",
                  "Filename\tType\tSize\tUsed\tPriority\n"
                  "/dev/sdb2                               partition\t24\t0\t-2\n"
                  "/swapfile                               file\t1024\t0\t-3\n");
  const linuxos::DiskUsage& usage = los.Usage();
  ASSERT_EQ(usage.volumes.size(), 4u);
  EXPECT_EQ(usage.systemDrive, 0);
  EXPECT_EQ(usage.systemMount, "/");
  EXPECT_EQ(usage.volumes[2].Describe(), "sdb1 on /home");
  EXPECT_EQ(usage.volumes[3].Describe(), "swap on sdb2");
  EXPECT_EQ(usage.volumes[3].letter, 'F');
  EXPECT_EQ(usage.DriveRefusal(0), "the disk holds the root file system");
  // Active swap is part of the running system: sdb is a system disk too.
  EXPECT_EQ(usage.systemDrives, (std::vector<int>{0, 1}));
  EXPECT_EQ(usage.DriveRefusal(1), "the disk holds the system's swap");
  EXPECT_EQ(usage.DriveRefusal(2), "");
  const HANDLE a = Open("\\\\.\\PHYSICALDRIVE0");
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteSector(a, 8));  // the EFI partition
  EXPECT_TRUE(WriteSector(a, 0));   // the partition table is no file system
  EXPECT_TRUE(los.CloseHandle(a));
  const HANDLE b = Open("\\\\.\\PHYSICALDRIVE1");
  EXPECT_FALSE(WriteSector(b, 100));  // active swap
  EXPECT_TRUE(los.CloseHandle(b));

  // Only swap on a listed disk: the swap's disk is the system drive.
  sys.Dir().Write("proc/self/mountinfo", "");
  EXPECT_EQ(los.Usage().systemDrive, 1);
  EXPECT_EQ(los.Usage().DriveRefusal(1), "the disk holds the system's swap");
}

TEST_F(LinuxVolumes, TheScanHidesTheSystemDiskWhenTheSettingsSaySo) {
  // The SATA disk sda is listed by its bus type alone; it holds the root.
  device::AspiLib aspi(los);
  device::ScanSettings settings;
  ASSERT_TRUE(aspi.Scan(device::SCAN_ATA_BUS, 5, settings));
  EXPECT_EQ(aspi.SystemDisk(), 0);
  ASSERT_GE(aspi.Count(), 1);
  EXPECT_EQ(aspi.Device(0).devOrder, 0u);
  settings.IncludeSystemDrive = false;
  ASSERT_TRUE(aspi.Scan(device::SCAN_ATA_BUS, 5, settings));
  EXPECT_EQ(aspi.SystemDisk(), 0);
  for (int i = 0; i < aspi.Count(); ++i) EXPECT_NE(aspi.Device(i).devOrder, 0u);
  aspi.ReleaseAll();
}

// The root file system on software RAID over sda2 and sdb1: both disks hold
// the running system, and the scan learns both from C:'s extents.
TEST_F(LinuxVolumes, EveryDiskUnderTheRootThroughRaidIsASystemDisk) {
  sys.Dir().Write("sys/block/md0/dev", "9:0\n");
  sys.Dir().Write("sys/block/md0/size", "64\n");
  sys.Dir().Write("sys/block/md0/slaves/sda2/dev", "8:2\n");
  sys.Dir().Write("sys/block/md0/slaves/sdb1/dev", "8:17\n");
  sys.Dir().Write("dev/md0", std::string(64 * 512, '\0'));
  sys.Dir().Write("proc/self/mountinfo", "21 1 9:0 / / rw - ext4 /dev/md0 rw\n");
  const linuxos::DiskUsage& usage = los.Usage();
  EXPECT_EQ(usage.systemDrives, (std::vector<int>{0, 1}));
  EXPECT_EQ(usage.DriveRefusal(1), "the disk holds the root file system");

  device::AspiLib aspi(los);
  device::ScanSettings settings;
  ASSERT_TRUE(aspi.Scan(device::SCAN_ATA_BUS, 5, settings));
  EXPECT_EQ(aspi.SystemDisks(), (std::vector<int>{0, 1}));
  EXPECT_TRUE(device::QueryDiskUse(los, 1).systemDisk);
  settings.IncludeSystemDrive = false;
  ASSERT_TRUE(aspi.Scan(device::SCAN_ATA_BUS, 5, settings));
  for (int i = 0; i < aspi.Count(); ++i) {
    EXPECT_NE(aspi.Device(i).devOrder, 0u);
    EXPECT_NE(aspi.Device(i).devOrder, 1u);
  }
  aspi.ReleaseAll();
}

// /boot on a second disk and /usr through the device mapper on a third
// would each be a system disk; here /boot is on sdb1.
TEST_F(LinuxVolumes, ADiskHoldingBootIsASystemDiskToo) {
  Mounts("30 21 8:17 / /boot rw - ext4 /dev/sdb1 rw\n");
  const linuxos::DiskUsage& usage = los.Usage();
  EXPECT_EQ(usage.systemDrives, (std::vector<int>{0, 1}));
  EXPECT_EQ(usage.DriveRefusal(0), "the disk holds the root file system");
  EXPECT_EQ(usage.DriveRefusal(1), "the disk holds the system's /boot");
  EXPECT_TRUE(device::QueryDiskUse(los, 1).systemDisk);
}

// A disk in use names what uses it: a partition mounted, active swap, or a
// member of a mapped device that is mounted.
TEST_F(LinuxVolumes, ADiskInUseNamesWhatUsesIt) {
  sys.Dir().Write("sys/block/dm-1/dev", "253:1\n");
  sys.Dir().Write("sys/block/dm-1/size", "48\n");
  sys.Dir().Write("sys/block/dm-1/slaves/sdb2/dev", "8:18\n");
  sys.Dir().Write("dev/dm-1", std::string(48 * 512, '\0'));
  Mounts("40 21 8:17 / /home rw - ext4 /dev/sdb1 rw\n"
         "41 21 253:1 / /srv rw - xfs /dev/mapper/vg-srv rw\n");
  device::DiskUse use = device::QueryDiskUse(los, 1);
  EXPECT_FALSE(use.systemDisk);
  EXPECT_EQ(use.users, (std::vector<std::string>{
                           "/dev/sdb1 is mounted on /home",
                           "/dev/sdb2 is a member of /dev/dm-1, which is mounted on /srv"}));
  EXPECT_EQ(device::DiskUseRefusal("PHYSICALDRIVE1", use),
            "PHYSICALDRIVE1 is in use: /dev/sdb1 is mounted on /home, /dev/sdb2 is a member of "
            "/dev/dm-1, which is mounted on /srv");

  // Unmounted since: free, and the tool unmounted nothing itself.
  sys.Dir().Write("proc/self/mountinfo", kRootMounts);
  sys.Dir().Write("proc/swaps",
                  "Filename\tType\tSize\tUsed\tPriority\n/dev/sdb2 partition\t24\t0\t-2\n");
  use = device::QueryDiskUse(los, 1);
  // Swap is the running system's.
  EXPECT_TRUE(use.systemDisk);
  sys.Dir().Write("proc/swaps", "Filename\tType\tSize\tUsed\tPriority\n");
  EXPECT_FALSE(device::QueryDiskUse(los, 1).systemDisk);
  EXPECT_FALSE(device::QueryDiskUse(los, 1).InUse());
  EXPECT_EQ(los.VolumeUseText('Q', 1), "volume Q: cannot be locked");
}

TEST(ProcMounts, MountInfoAndSwapsParseWithEscapesAndBadLinesSkipped) {
  const auto mounts = linuxos::ParseMountInfo(
      "36 35 98:0 /mnt1 /mnt/a\\040b rw,noatime master:1 shared:7 - ext3 /dev/root rw\n"
      "garbage line\n"
      "37 35 x:1 / /bad rw - ext4 /dev/sdz rw\n"
      "38 35 8:3 / /c rw - xfs\n"
      "39 35 0:47 / /d rw - btrfs /dev/sdc1 rw\n");
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[0].major, 98u);
  EXPECT_EQ(mounts[0].mountPoint, "/mnt/a b");
  EXPECT_EQ(mounts[0].fsType, "ext3");
  EXPECT_EQ(mounts[0].source, "/dev/root");
  EXPECT_EQ(mounts[1].minor, 47u);
  EXPECT_EQ(mounts[1].source, "/dev/sdc1");
  EXPECT_EQ(linuxos::ParseSwapPartitions("Filename Type Size Used Priority\n"
                                         "/dev/dm-1 partition 1 0 -2\n/swap.img file 1 0 -3\n"),
            std::vector<std::string>{"/dev/dm-1"});
  EXPECT_EQ(linuxos::DriveLetterOf("\\\\.\\d:"), 'D');
  EXPECT_EQ(linuxos::DriveLetterOf("\\\\.\\PHYSICALDRIVE0"), 0);
  EXPECT_EQ(linuxos::DriveLetterOf("\\\\.\\1:"), 0);
}

}  // namespace
}  // namespace os
