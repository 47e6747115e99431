// The partitioning tool in the lab: a cleaned disk loses its partition
// sectors and its volumes, now and after a restart; the system disk is
// refused.
#include <gtest/gtest.h>

#include "lab/support/requests.h"
#include "lab/support/test_lab.h"

namespace lab {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(LabDiskpart, CleanWipesThePartitionSectorsAndTheVolumes) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  Media& m = lab.Machine().DiskByNumber(1)->GetMedia();
  const Bytes marks(512, 0x6B);
  const uint64_t last = m.SectorCount() - 1;
  ASSERT_TRUE(m.Write(0, 1, marks.data()));
  ASSERT_TRUE(m.Write(5000, 1, marks.data()));
  ASSERT_TRUE(m.Write(last, 1, marks.data()));
  os::HANDLE old = labtest::OpenDevice(o, "\\\\.\\D:");
  ASSERT_NE(old, os::INVALID_HANDLE_VALUE);

  lab.Dir().Write("diskpart.txt",
                  "RESCAN\nSELECT DISK 1\nATTRIBUTES DISK CLEAR READONLY\nCLEAN\nEXIT\n");
  EXPECT_GT(o.WinExec("DISKPART /s " + lab.Dir().Str() + "/diskpart.txt", os::SW_HIDE), 31u);
  EXPECT_EQ(lab.Os().DiskpartLog().back(), "CLEAN: done");

  Bytes back(512);
  ASSERT_TRUE(m.Read(0, 1, back.data()));
  EXPECT_EQ(back, Bytes(512, 0));
  ASSERT_TRUE(m.Read(last, 1, back.data()));
  EXPECT_EQ(back, Bytes(512, 0));
  ASSERT_TRUE(m.Read(5000, 1, back.data()));
  EXPECT_EQ(back, marks);  // only the partition sectors go

  EXPECT_EQ(o.GetLogicalDrives(), 0x04u);  // C: only
  EXPECT_EQ(labtest::OpenDevice(o, "\\\\.\\D:"), os::INVALID_HANDLE_VALUE);
  EXPECT_EQ(o.GetLastError(), os::ERROR_FILE_NOT_FOUND);
  os::STORAGE_DEVICE_NUMBER n{};
  os::DWORD got = 0;
  EXPECT_FALSE(
      o.DeviceIoControl(old, os::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &n, sizeof n, &got));
  EXPECT_EQ(o.GetLastError(), os::ERROR_DEV_NOT_EXIST);

  lab.Restart();
  EXPECT_EQ(lab.Os().GetLogicalDrives(), 0x04u);  // still gone
}

TEST(LabDiskpart, TheSystemDiskIsNotCleanedAndBadScriptsStop) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  lab.Dir().Write("a.txt", "SELECT DISK 0\nCLEAN\n");
  EXPECT_GT(o.WinExec("diskpart.exe /s " + lab.Dir().Str() + "/a.txt", os::SW_HIDE), 31u);
  EXPECT_EQ(lab.Os().DiskpartLog().back(),
            "CLEAN: not allowed on the disk holding the system volume");
  EXPECT_EQ(o.GetLogicalDrives(), 0x0Cu);

  lab.Dir().Write("b.txt", "SELECT DISK 9\nCLEAN\n");
  o.WinExec("DISKPART /s " + lab.Dir().Str() + "/b.txt", os::SW_HIDE);
  EXPECT_EQ(lab.Os().DiskpartLog().back(), "SELECT DISK 9: no such disk");
  o.WinExec("DISKPART /s " + lab.Dir().Str() + "/missing.txt", os::SW_HIDE);
  EXPECT_NE(lab.Os().DiskpartLog().back().find("cannot be read"), std::string::npos);
  EXPECT_EQ(o.GetLogicalDrives(), 0x0Cu);

  // Any other program is started only when it exists.
  EXPECT_EQ(o.WinExec("C:\\nowhere\\tool.exe /x", os::SW_HIDE), os::ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace lab
