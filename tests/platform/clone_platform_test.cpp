// What a disk clone needs of the platform: processes that can be waited for
// (bounded, on the virtual clock), the zero-range request on a disk handle,
// and the Linux backend's own run of the partitioning script on a fake machine.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/linux_diskpart.h"
#include "platform/linux/linux_os.h"
#include "platform/virtual_os.h"
#include "platform/zero_data.h"
#include "support/fake_sysfs.h"

namespace {

TEST(VirtualProcess, AWaitIsBoundedAndMovesTheClockOnlyAsFarAsNeeded) {
  os::VirtualOs vos;
  vos.SetProcessBehaviour("C:\\Tools\\Slow.exe", 5000, 7);
  vos.SetProcessBehaviour("HUNG", os::VirtualOs::kNeverEnds, 0);
  testsupport::TempDir dir;
  dir.Write("Slow", "");
  dir.Write("Hung", "");
  os::PROCESS_INFORMATION slow{}, hung{};
  ASSERT_TRUE(vos.CreateProcessA((dir.Path() / "Slow").string() + " /x", os::SW_HIDE, &slow));
  ASSERT_TRUE(vos.CreateProcessA((dir.Path() / "Hung").string(), os::SW_HIDE, &hung));
  os::DWORD code = 0;
  ASSERT_TRUE(vos.GetExitCodeProcess(slow.hProcess, &code));
  EXPECT_EQ(code, os::STILL_ACTIVE);
  EXPECT_EQ(vos.WaitForSingleObject(slow.hProcess, 2000), os::WAIT_TIMEOUT);
  EXPECT_EQ(vos.GetTickCount64(), 2000u);
  EXPECT_EQ(vos.WaitForSingleObject(slow.hProcess, os::INFINITE), os::WAIT_OBJECT_0);
  EXPECT_EQ(vos.GetTickCount64(), 5000u);
  ASSERT_TRUE(vos.GetExitCodeProcess(slow.hProcess, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(vos.WaitForSingleObject(hung.hProcess, 60000), os::WAIT_TIMEOUT);
  EXPECT_EQ(vos.GetTickCount64(), 65000u);
  EXPECT_EQ(vos.WaitForSingleObject(hung.hProcess, os::INFINITE), os::WAIT_FAILED);
  EXPECT_TRUE(vos.CloseHandle(slow.hProcess));
  EXPECT_TRUE(vos.CloseHandle(hung.hProcess));
  EXPECT_FALSE(vos.CloseHandle(hung.hProcess));
  EXPECT_EQ(vos.OpenProcessCount(), 0u);
  os::PROCESS_INFORMATION missing{};
  EXPECT_FALSE(vos.CreateProcessA((dir.Path() / "Nothing").string(), os::SW_HIDE, &missing));
}

TEST(LinuxDiskpart, PartitionsAreTellingApartFromOtherDisks) {
  EXPECT_TRUE(os::linuxos::IsPartitionOf("sda1", "sda"));
  EXPECT_TRUE(os::linuxos::IsPartitionOf("nvme0n1p2", "nvme0n1"));
  EXPECT_FALSE(os::linuxos::IsPartitionOf("sdab", "sda"));
  EXPECT_FALSE(os::linuxos::IsPartitionOf("nvme0n12", "nvme0n1"));
  EXPECT_FALSE(os::linuxos::IsPartitionOf("sda", "sda"));
}

class LinuxDiskpartOnFakeMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    // sda holds "/" (8:1 is its first partition); sdb is free.
    sys.Partition("sda", "sda1", "8:1", 8, 120);
    sys.Partition("sdb", "sdb1", "8:17", 8, 120);
    Mounts("");
    // Old bytes everywhere on sdb (drive number 1).
    std::ofstream(sys.DevRoot() + "/sdb", std::ios::binary) << std::string(65536, '\xEE');
  }
  std::string Dev(const std::string& name) { return sys.Dir().Read("dev/" + name); }
  void Mounts(const std::string& more) {
    sys.Dir().Write("proc/self/mountinfo",
                    "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                    "22 21 0:20 / /sys rw shared:2 - sysfs sysfs rw\n" +
                        more);
  }
  void Script(const std::string& text) { sys.Dir().Write("work/diskpart.txt", text); }
  std::string ScriptPath() { return (sys.Dir().Path() / "work/diskpart.txt").string(); }
  os::DWORD Run() {
    os::PROCESS_INFORMATION pi{};
    EXPECT_TRUE(los.CreateProcessA("DISKPART /s " + ScriptPath(), os::SW_HIDE, &pi));
    EXPECT_EQ(los.WaitForSingleObject(pi.hProcess, 1000), os::WAIT_OBJECT_0);
    os::DWORD code = 99;
    EXPECT_TRUE(los.GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_TRUE(los.CloseHandle(pi.hProcess));
    return code;
  }

  testsupport::FakeSysfs sys;
  os::LinuxOs los{sys.SysRoot(), sys.DevRoot(), sys.ProcRoot()};
};

TEST_F(LinuxDiskpartOnFakeMachine, CleanClearsTheTablesAtBothEndsOfTheSelectedDisk) {
  Script("RESCAN\r\nSELECT DISK 1\r\nATTRIBUTES DISK CLEAR READONLY\r\nCLEAN\r\nEXIT\r\n");
  EXPECT_EQ(Run(), 0u);
  EXPECT_EQ(los.DiskpartLog(), (std::vector<std::string>{"RESCAN: done", "SELECT DISK 1: selected",
                                                         "ATTRIBUTES DISK: done", "CLEAN: done"}));
  // A 64 KiB disk lies wholly within the first MiB.
  EXPECT_TRUE(Dev("sdb") == std::string(65536, '\0'));
}

TEST_F(LinuxDiskpartOnFakeMachine, CleanIsRefusedForTheRootDiskAndForMountedOnes) {
  Script("SELECT DISK 0\nCLEAN\nEXIT\n");
  EXPECT_EQ(Run(), 1u);
  EXPECT_EQ(los.DiskpartLog().back(), "CLEAN: refused, the disk holds the root file system");
  Mounts("40 21 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n");
  Script("SELECT DISK 1\nCLEAN\nEXIT\n");
  EXPECT_EQ(Run(), 1u);
  EXPECT_NE(los.DiskpartLog().back().find("mounted file system (sdb1 on /media/usb)"),
            std::string::npos);
  EXPECT_TRUE(Dev("sdb") == std::string(65536, '\xEE'));
  Script("SELECT DISK 9\nCLEAN\n");
  EXPECT_EQ(Run(), 1u);
  EXPECT_TRUE(Dev("sdb") == std::string(65536, '\xEE'));
}

TEST_F(LinuxDiskpartOnFakeMachine, TheZeroRangeRequestZeroesExactlyItsRangeOnAWritableHandle) {
  const os::HANDLE ro = los.CreateFileA("\\\\.\\PHYSICALDRIVE1", os::GENERIC_READ, 3, nullptr,
                                        os::OPEN_EXISTING, 0, nullptr);
  const os::HANDLE rw =
      los.CreateFileA("\\\\.\\PHYSICALDRIVE1", os::GENERIC_READ | os::GENERIC_WRITE, 3, nullptr,
                      os::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(ro, os::INVALID_HANDLE_VALUE);
  ASSERT_NE(rw, os::INVALID_HANDLE_VALUE);
  os::FILE_ZERO_DATA_INFORMATION z{1024, 4096};
  os::DWORD got = 0;
  EXPECT_FALSE(los.DeviceIoControl(ro, os::FSCTL_SET_ZERO_DATA, &z, sizeof z, nullptr, 0, &got));
  EXPECT_EQ(los.GetLastError(), os::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(los.DeviceIoControl(rw, os::FSCTL_SET_ZERO_DATA, &z, sizeof z, nullptr, 0, &got));
  const std::string bytes = Dev("sdb");
  EXPECT_TRUE(bytes.substr(0, 1024) == std::string(1024, '\xEE'));
  EXPECT_TRUE(bytes.substr(1024, 3072) == std::string(3072, '\0'));
  EXPECT_TRUE(bytes.substr(4096) == std::string(65536 - 4096, '\xEE'));
  os::FILE_ZERO_DATA_INFORMATION odd{100, 612};
  EXPECT_FALSE(
      los.DeviceIoControl(rw, os::FSCTL_SET_ZERO_DATA, &odd, sizeof odd, nullptr, 0, &got));
  EXPECT_EQ(los.GetLastError(), os::ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(los.CloseHandle(ro));
  EXPECT_TRUE(los.CloseHandle(rw));
}

}  // namespace
