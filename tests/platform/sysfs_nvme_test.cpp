// NVMe subsystems in sysfs: a namespace shared by two controllers is one
// drive, reached through a live controller, whose PCI location it reports;
// the other controller is no drive of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/linux/linux_os.h"
#include "platform/scsi_pass_through.h"
#include "platform/storage_property.h"
#include "support/fake_sysfs.h"

namespace os {
namespace {

namespace fs = std::filesystem;

class NvmeSubsystem : public ::testing::Test {
 protected:
  void SetUp() override {
    // nvme-subsys1: controllers nvme1 (1a:0b.3, resetting) and nvme2 (1a:0c.0,
    // live), shared namespace 1 through the multipath head nvme1n1 and the
    // hidden paths nvme1c1n1 and nvme1c2n1.
    const std::string subsys = "devices/virtual/nvme-subsystem/nvme-subsys1";
    Controller("devices/pci0000:00/0000:00:1c.0/0000:1a:0b.3/nvme/nvme1", "resetting", subsys);
    Controller("devices/pci0000:00/0000:00:1c.0/0000:1a:0c.0/nvme/nvme2", "live", subsys);
    Write(subsys + "/model", "VK4630 Dual Port\n");
    Write(subsys + "/serial", "DP0001\n");
    Write(subsys + "/firmware_rev", "FW4630D\n");
    Write(subsys + "/nvme1n1/nsid", "1\n");
    Link("../../nvme-subsys1", subsys + "/nvme1n1/device");
    Link("../" + subsys + "/nvme1n1", "block/nvme1n1");
    Link("../../devices/virtual/nvme-subsystem/nvme-subsys1", "class/nvme-subsystem/nvme-subsys1");
    for (const char* hidden : {"nvme1c1n1", "nvme1c2n1"}) {
      const std::string ctrl = hidden == std::string("nvme1c1n1")
                                   ? "devices/pci0000:00/0000:00:1c.0/0000:1a:0b.3/nvme/nvme1"
                                   : "devices/pci0000:00/0000:00:1c.0/0000:1a:0c.0/nvme/nvme2";
      Write(ctrl + "/" + hidden + "/nsid", "1\n");
      Link("../" + ctrl + "/" + hidden, std::string("block/") + hidden);
    }
    sys.Dir().Write("dev/nvme1n1", std::string(4096, '\0'));
    sys.Dir().Write("dev/nvme1", "");
    sys.Dir().Write("dev/nvme2", "");
  }

  void Write(const std::string& at, const std::string& text) { sys.Dir().Write("sys/" + at, text); }
  void Link(const std::string& target, const std::string& at) {
    fs::create_directories((sys.Dir().Path() / "sys" / at).parent_path());
    fs::create_directory_symlink(target, sys.Dir().Path() / "sys" / at);
  }
  void Controller(const std::string& at, const std::string& state, const std::string& subsys) {
    const std::string name = fs::path(at).filename().string();
    Write(at + "/state", state + "\n");
    Write(at + "/model", "VK4630 Dual Port\n");
    Write(at + "/serial", "DP0001\n");
    Write(at + "/firmware_rev", "FW4630D\n");
    // The subsystem folder links its controllers by name, as does class/nvme.
    fs::create_directories(sys.Dir().Path() / "sys" / subsys);
    Link("../../../" + at.substr(std::string("devices/").size()), subsys + "/" + name);
    Link("../../" + at, "class/nvme/" + name);
  }

  testsupport::FakeSysfs sys;
};

TEST_F(NvmeSubsystem, ASharedNamespaceIsOneDriveOnItsLiveController) {
  const auto disks = linuxos::ListSysfsDisks(sys.SysRoot());
  // sda, sdb, then nvme0n1 and the shared nvme1n1, no hidden path.
  ASSERT_EQ(disks.size(), 4u);
  EXPECT_EQ(disks[2].name, "nvme0n1");
  EXPECT_EQ(disks[2].nvmeController, 0);
  EXPECT_TRUE(disks[2].nvmeOtherControllers.empty());
  const linuxos::SysfsDisk& shared = disks[3];
  EXPECT_EQ(shared.name, "nvme1n1");
  EXPECT_EQ(shared.busType, BusTypeNvme);
  EXPECT_EQ(shared.nvmeController, 2);
  EXPECT_EQ(shared.host, 130u);
  EXPECT_EQ(shared.nvmeOtherControllers, std::vector<int>{1});
  // 1a:0c.0 is bus 26, device 12, function 0.
  EXPECT_EQ(shared.pciLocation, "PCI bus 26, device 12, function 0");
  EXPECT_EQ(shared.model, "VK4630 Dual Port");
  EXPECT_EQ(shared.serial, "DP0001");
  EXPECT_EQ(shared.revision, "FW4630D");

  // When the other controller is the live one, its location is reported.
  sys.Dir().Write("sys/class/nvme/nvme1/state", "live\n");
  sys.Dir().Write("sys/class/nvme/nvme2/state", "dead\n");
  const auto again = linuxos::ListSysfsDisks(sys.SysRoot());
  ASSERT_EQ(again.size(), 4u);
  EXPECT_EQ(again[3].nvmeController, 1);
  EXPECT_EQ(again[3].pciLocation, "PCI bus 26, device 11, function 3");
}

TEST_F(NvmeSubsystem, TheSecondControllerIsNoScsiPortOfItsOwn) {
  LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  auto open = [&](const std::string& path) {
    return los.CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  };
  const HANDLE disk = open("\\\\.\\PHYSICALDRIVE3");
  ASSERT_NE(disk, INVALID_HANDLE_VALUE);
  SCSI_ADDRESS a{};
  DWORD returned = 0;
  ASSERT_TRUE(
      los.DeviceIoControl(disk, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a, &returned));
  EXPECT_EQ(a.PortNumber, 130);
  EXPECT_TRUE(los.CloseHandle(disk));
  const HANDLE live = open("\\\\.\\Scsi130:");
  ASSERT_NE(live, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(los.CloseHandle(live));
  EXPECT_EQ(open("\\\\.\\Scsi129:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(los.GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(linuxos::IsSecondaryNvmePort(los.Disks(), 128));
  EXPECT_TRUE(linuxos::IsSecondaryNvmePort(los.Disks(), 129));
}

TEST_F(NvmeSubsystem, WithoutMultipathEachControllersNodeOfOneNamespaceIsListedOnce) {
  // nvme-subsys3 with controllers nvme3 and nvme4, each showing namespace 1.
  const std::string subsys = "devices/virtual/nvme-subsystem/nvme-subsys3";
  for (int c : {3, 4}) {
    const std::string n = std::to_string(c);
    const std::string ctrl = "devices/pci0000:00/0000:00:1d.0/0000:3e:00." + n + "/nvme/nvme" + n;
    Controller(ctrl, "live", subsys);
    Write(ctrl + "/nvme" + n + "n1/nsid", "1\n");
    Link("../../nvme" + n, ctrl + "/nvme" + n + "n1/device");
    Link("../" + ctrl + "/nvme" + n + "n1", "block/nvme" + n + "n1");
  }
  Link("../../devices/virtual/nvme-subsystem/nvme-subsys3", "class/nvme-subsystem/nvme-subsys3");
  const auto disks = linuxos::ListSysfsDisks(sys.SysRoot());
  ASSERT_EQ(disks.size(), 5u);
  EXPECT_EQ(disks[4].name, "nvme3n1");
  EXPECT_EQ(disks[4].nvmeController, 3);
  EXPECT_EQ(disks[4].nvmeOtherControllers, std::vector<int>{4});
  EXPECT_EQ(disks[4].pciLocation, "PCI bus 62, device 0, function 3");
}

}  // namespace
}  // namespace os
