// Which disks the scan takes for the running system's, and what uses a disk
// now, on lab machines: a system volume spanning two disks, the system disk
// behind the maker's miniport left out by IncludeSystemDrive=0 or listed by
// its port after a failed Identify, and volumes that cannot be locked.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "device/core/dev_attribute.h"
#include "device/discovery/aspi_lib.h"
#include "device/usage/disk_use.h"
#include "device/usage/volume_extents.h"
#include "lab/config/lab_config.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab/edge/lab_os.h"
#include "platform/volume.h"
#include "platform/win_file.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"

namespace device {
namespace {

constexpr uint32_t kFlags = SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE | SCAN_ATAPI;

class SystemDiskScan : public ::testing::Test {
 protected:
  void Build(const std::string& ini) {
    std::string error;
    os_ = lab::LabOs::Create(lab::ParseLabConfig(ini), dir_.Str() + "/state",
                             lab::drives::LabDriveFactory(), error);
    ASSERT_TRUE(os_) << error;
    lib_ = std::make_unique<AspiLib>(*os_);
  }
  void Scan(bool includeSystem, bool physicalOnly = true) {
    ScanSettings s;
    s.IncludeSystemDrive = includeSystem;
    s.ShowPhysicalOnly = physicalOnly;
    ASSERT_TRUE(lib_->Scan(kFlags, 5, s));
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < lib_->Count(); ++i) names.push_back(lib_->Device(i).Name());
    return names;
  }
  bool Listed(const std::string& name) const {
    const auto names = Names();
    return std::find(names.begin(), names.end(), name) != names.end();
  }
  os::HANDLE OpenVolume(char letter) {
    return os_->CreateFileA(std::string("\\\\.\\") + letter + ":",
                            os::GENERIC_READ | os::GENERIC_WRITE,
                            os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, nullptr,
                            os::OPEN_EXISTING, 0, nullptr);
  }

  testsupport::TempDir dir_;
  std::unique_ptr<lab::LabOs> os_;
  std::unique_ptr<AspiLib> lib_;
};

// C: on disks 0 and 2, D: on disk 1 alone.
std::string SpanningSystem() {
  testsupport::LabBuilder b(false);
  b.Sata("Disk Sys A", "VK4620XT", {"Number=0", "Capacity=64MiB", "Letters=C"});
  b.Sata("Disk Data", "VK4620XT", {"Number=1", "Capacity=64MiB", "Letters=D"});
  b.Sata("Disk Sys B", "VK4620XT", {"Number=2", "Capacity=64MiB", "Letters=C"});
  return b.Text();
}

TEST_F(SystemDiskScan, ASpannedSystemVolumeNamesEveryDiskItLiesOn) {
  Build(SpanningSystem());
  // The extents are read whole, whatever the first buffer held.
  const os::HANDLE c = OpenVolume('C');
  ASSERT_NE(c, os::INVALID_HANDLE_VALUE);
  const auto disks = ReadVolumeDiskNumbers(*os_, c);
  os_->CloseHandle(c);
  ASSERT_TRUE(disks.has_value());
  EXPECT_EQ(*disks, (std::vector<int>{0, 2}));

  Scan(true);
  EXPECT_EQ(lib_->SystemDisks(), (std::vector<int>{0, 2}));
  EXPECT_EQ(lib_->SystemDisk(), 0);
  EXPECT_TRUE(lib_->IsSystemDisk(2));
  EXPECT_FALSE(lib_->IsSystemDisk(1));
  EXPECT_TRUE(QueryDiskUse(*os_, 0).systemDisk);
  EXPECT_TRUE(QueryDiskUse(*os_, 2).systemDisk);
  const DiskUse data = QueryDiskUse(*os_, 1);
  EXPECT_FALSE(data.systemDisk);
  EXPECT_FALSE(data.InUse());
  EXPECT_EQ(DiskUseRefusal("PHYSICALDRIVE2", QueryDiskUse(*os_, 2)),
            "PHYSICALDRIVE2 holds the running system");
  EXPECT_EQ(os_->OpenHandleCount(), 0u);
}

TEST_F(SystemDiskScan, IncludeSystemDriveOffListsNoDiskOfASpannedSystemVolume) {
  Build(SpanningSystem());
  Scan(false);
  EXPECT_EQ(Names(), std::vector<std::string>{"PHYSICALDRIVE1"});
  EXPECT_TRUE(lib_->Dropped().empty());  // the user's choice, not a loss
  // Listed by letter as well, the system volume's disks stay out.
  Scan(false, false);
  for (const std::string& n : Names()) {
    EXPECT_NE(n, "PHYSICALDRIVE0");
    EXPECT_NE(n, "PHYSICALDRIVE2");
    EXPECT_NE(n, "C:");
  }
  EXPECT_TRUE(Listed("PHYSICALDRIVE1"));
}

std::string SystemOnMiniport(std::initializer_list<std::string_view> faults = {}) {
  testsupport::LabBuilder b(false);
  b.Disk("Disk System", "nvme-miniport", "VK4630", {"Number=0", "Capacity=64MiB", "Letters=C"});
  for (std::string_view f : faults) b.Raw(std::string(f) + "\n");
  b.Sata("Disk Data", "VK4620XT", {"Number=1", "Capacity=64MiB"});
  return b.Text();
}

TEST_F(SystemDiskScan, AMiniportSystemDiskLeftOutIsNotListedByItsPort) {
  Build(SystemOnMiniport());
  Scan(false);
  EXPECT_EQ(Names(), std::vector<std::string>{"PHYSICALDRIVE1"});
  for (int i = 0; i < lib_->Count(); ++i)
    EXPECT_EQ(lib_->Device(i).devAttribute & STORAGE_SCSI_PORT, 0u);
  // With it included it is listed once, as the disk it is.
  Scan(true);
  EXPECT_EQ(lib_->Count(), 2);
  EXPECT_TRUE(Listed("PHYSICALDRIVE0"));
  EXPECT_EQ(lib_->DiskNumber(0), 0);
}

TEST_F(SystemDiskScan, AMiniportSystemDiskFoundOnlyByItsPortIsStillTheSystemDisk) {
  // Identify Controller fails in the letter probe and both tries of the
  // physical probe; the port walk then finds the drive.
  Build(SystemOnMiniport({"FailTransport=nvme:0x06*3"}));
  Scan(true);
  int port = -1;
  for (int i = 0; i < lib_->Count(); ++i)
    if (lib_->Device(i).devAttribute & STORAGE_SCSI_PORT) port = i;
  ASSERT_GE(port, 0) << "the drive was not listed by its port";
  EXPECT_EQ(lib_->Device(port).Name().rfind("SCSI ", 0), 0u);
  EXPECT_EQ(lib_->DiskNumber(port), 0);
  EXPECT_TRUE(lib_->IsSystemDisk(lib_->DiskNumber(port)));
  EXPECT_TRUE(lib_->Dropped().empty());

  // Left out, the same drive is listed by no path.
  Build(SystemOnMiniport({"FailTransport=nvme:0x06*3"}));
  Scan(false);
  EXPECT_EQ(Names(), std::vector<std::string>{"PHYSICALDRIVE1"});
}

TEST_F(SystemDiskScan, AVolumeThatCannotBeLockedPutsItsDiskInUse) {
  testsupport::LabBuilder b;
  b.Sata("Disk Home", "VK4620XT",
         {"Number=1", "Capacity=64MiB", "Letters=D", "InUse=/dev/sdc1 is mounted on /home"});
  b.Sata("Disk Free", "VK4620XT", {"Number=2", "Capacity=64MiB", "Letters=E"});
  Build(b.Text());
  const DiskUse home = QueryDiskUse(*os_, 1);
  EXPECT_FALSE(home.systemDisk);
  EXPECT_EQ(home.users, std::vector<std::string>{"/dev/sdc1 is mounted on /home"});
  EXPECT_EQ(DiskUseRefusal("PHYSICALDRIVE1", home),
            "PHYSICALDRIVE1 is in use: /dev/sdc1 is mounted on /home");

  // Nothing holds E:, and asking leaves it unlocked.
  EXPECT_FALSE(QueryDiskUse(*os_, 2).InUse());
  const os::HANDLE e = OpenVolume('E');
  ASSERT_NE(e, os::INVALID_HANDLE_VALUE);
  // While another handle holds it (files open on it), it is in use.
  EXPECT_EQ(QueryDiskUse(*os_, 2).users, std::vector<std::string>{"volume E: cannot be locked"});
  os::DWORD returned = 0;
  EXPECT_TRUE(os_->DeviceIoControl(e, os::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned));
  os_->CloseHandle(e);
  EXPECT_FALSE(QueryDiskUse(*os_, 2).InUse());
  EXPECT_EQ(os_->OpenHandleCount(), 0u);
  EXPECT_FALSE(QueryDiskUse(*os_, -1).InUse());
}

}  // namespace
}  // namespace device
