#include "platform/linux/linux_os.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/linux/disk_access.h"
#include "platform/scsi_pass_through.h"
#include "platform/setupapi.h"
#include "platform/storage_property.h"
#include "platform/volume.h"
#include "support/fake_sysfs.h"

namespace os {
namespace {

TEST(SysfsDisks, ListsDisksInDriveOrderWithTheirLocations) {
  testsupport::FakeSysfs sys;
  const auto disks = linuxos::ListSysfsDisks(sys.SysRoot());
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[0].name, "sda");
  EXPECT_EQ(disks[0].busType, BusTypeSata);
  EXPECT_EQ(disks[0].model, "VK4620XT SSD");
  EXPECT_EQ(disks[0].pciLocation, "PCI bus 0, device 23, function 0");
  EXPECT_EQ(disks[0].usbVid, "");
  EXPECT_EQ(disks[1].name, "sdb");
  EXPECT_EQ(disks[1].busType, BusTypeUsb);
  EXPECT_EQ(disks[1].host, 6u);
  EXPECT_EQ(disks[1].usbVid, "152D");
  EXPECT_EQ(disks[1].usbPid, "0578");
  EXPECT_EQ(disks[1].usbSerial, "0123456789AB");
  EXPECT_EQ(disks[1].usbPort, 2u);
  EXPECT_EQ(disks[1].usbHub, 2u);  // usb1 is hub 1, its hub on port 3 hub 2
  EXPECT_EQ(disks[1].usbHubVid, "05E3");
  EXPECT_EQ(disks[1].usbHubPid, "0618");
  EXPECT_EQ(linuxos::InstanceIdOf(disks[1]),
            "USBSTOR\\DISK&VEN_VKM&PROD_VK4620XT2&REV_0100\\0123456789AB&0");
  EXPECT_EQ(disks[2].name, "nvme0n1");
  EXPECT_EQ(disks[2].busType, BusTypeNvme);
  EXPECT_EQ(disks[2].host, 128u);
  EXPECT_EQ(disks[2].serial, "NV0001");
  EXPECT_EQ(disks[2].pciLocation, "PCI bus 61, device 0, function 1");
  EXPECT_TRUE(linuxos::ListSysfsDisks(sys.SysRoot() + "/missing").empty());
}

TEST(LinuxOs, AnswersTheDiskWalkFromSysfs) {
  testsupport::FakeSysfs sys;
  LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  const HDEVINFO set = los.SetupDiGetClassDevsA(&GUID_DEVINTERFACE_DISK, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  ASSERT_NE(set, INVALID_HANDLE_VALUE);
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(los.SetupDiEnumDeviceInfo(set, 1, &info));
  EXPECT_FALSE(los.SetupDiEnumDeviceInfo(set, 3, &info));
  EXPECT_EQ(los.GetLastError(), ERROR_NO_MORE_ITEMS);
  ASSERT_TRUE(los.SetupDiEnumDeviceInfo(set, 1, &info));

  SP_DEVICE_INTERFACE_DATA iface{};
  iface.cbSize = sizeof iface;
  ASSERT_TRUE(los.SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_DEVINTERFACE_DISK, 1, &iface));
  DWORD need = 0;
  EXPECT_FALSE(los.SetupDiGetDeviceInterfaceDetailA(set, &iface, nullptr, 0, &need, nullptr));
  EXPECT_EQ(los.GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_A) char storage[256] = {};
  auto* detail = new (storage) SP_DEVICE_INTERFACE_DETAIL_DATA_A{};
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  ASSERT_TRUE(
      los.SetupDiGetDeviceInterfaceDetailA(set, &iface, detail, sizeof storage, nullptr, nullptr));
  const std::string path(storage + offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath));
  const HANDLE h = los.CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  STORAGE_DEVICE_NUMBER number{};
  DWORD returned = 0;
  ASSERT_TRUE(los.DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                                  sizeof number, &returned));
  EXPECT_EQ(number.DeviceNumber, 1u);
  EXPECT_TRUE(los.CloseHandle(h));
  EXPECT_FALSE(los.CloseHandle(h));

  char id[1024];
  ASSERT_TRUE(los.SetupDiGetDeviceInstanceIdA(set, &info, id, sizeof id, nullptr));
  EXPECT_EQ(std::string(id), "USBSTOR\\DISK&VEN_VKM&PROD_VK4620XT2&REV_0100\\0123456789AB&0");
  uint8_t address[4] = {};
  ASSERT_TRUE(los.SetupDiGetDeviceRegistryPropertyA(set, &info, SPDRP_ADDRESS, nullptr, address,
                                                    sizeof address, nullptr));
  EXPECT_EQ(address[0], 2);

  DEVINST parent = 0;
  ASSERT_EQ(los.CM_Get_Parent(&parent, info.DevInst, 0), CR_SUCCESS);
  char text[512];
  ULONG length = sizeof text;
  ASSERT_EQ(
      los.CM_Get_DevNode_Registry_PropertyA(parent, CM_DRP_HARDWAREID, nullptr, text, &length, 0),
      CR_SUCCESS);
  EXPECT_EQ(std::string(text), "USB\\VID_152D&PID_0578");
  length = sizeof text;
  ASSERT_EQ(los.CM_Get_DevNode_Registry_PropertyA(parent, CM_DRP_LOCATION_INFORMATION, nullptr,
                                                  text, &length, 0),
            CR_SUCCESS);
  EXPECT_EQ(std::string(text), "Port_#0002.Hub_#0002");
  length = 4;  // too small
  EXPECT_EQ(los.CM_Get_DevNode_Registry_PropertyA(parent, CM_DRP_LOCATION_INFORMATION, nullptr,
                                                  text, &length, 0),
            CR_BUFFER_SMALL);
  ASSERT_TRUE(los.SetupDiEnumDeviceInfo(set, 0, &info));
  ASSERT_EQ(los.CM_Get_Parent(&parent, info.DevInst, 0), CR_SUCCESS);
  length = sizeof text;
  ASSERT_EQ(los.CM_Get_DevNode_Registry_PropertyA(parent, CM_DRP_LOCATION_INFORMATION, nullptr,
                                                  text, &length, 0),
            CR_SUCCESS);
  EXPECT_EQ(std::string(text), "PCI bus 0, device 23, function 0");
  EXPECT_TRUE(los.SetupDiDestroyDeviceInfoList(set));
}

TEST(LinuxOs, PhysicalDrivesAnswerBusQueriesAndRawTransfers) {
  testsupport::FakeSysfs sys;
  LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  EXPECT_EQ(los.GetLogicalDrives(), 0u);
  EXPECT_EQ(los.CreateFileA("\\\\.\\c:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  // The machine has one USB bus: one host controller.
  EXPECT_EQ(los.CreateFileA("\\\\.\\HCD1", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(
      los.CreateFileA("\\\\.\\PHYSICALDRIVE7", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(los.GetLastError(), ERROR_FILE_NOT_FOUND);

  const HANDLE h =
      los.CreateFileA("\\\\.\\PHYSICALDRIVE0", GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  STORAGE_PROPERTY_QUERY q{};
  uint8_t answer[1060] = {};
  DWORD returned = 0;
  ASSERT_TRUE(los.DeviceIoControl(h, IOCTL_STORAGE_QUERY_PROPERTY, &q, sizeof q, answer,
                                  sizeof answer, &returned));
  STORAGE_DEVICE_DESCRIPTOR d{};
  std::memcpy(&d, answer, sizeof d);
  EXPECT_EQ(d.BusType, BusTypeSata);
  SCSI_ADDRESS a{};
  ASSERT_TRUE(los.DeviceIoControl(h, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a, &returned));
  EXPECT_EQ(a.PortNumber, 0);
  // A volume request has nothing to act on.
  EXPECT_FALSE(los.DeviceIoControl(h, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned));
  // SG_IO on what is not a SCSI device fails with an error code, no crash.
  SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER s{};
  s.sptd.Length = sizeof s.sptd;
  s.sptd.CdbLength = 6;
  s.sptd.SenseInfoLength = 32;
  s.sptd.SenseInfoOffset = offsetof(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf);
  EXPECT_FALSE(los.DeviceIoControl(h, IOCTL_SCSI_PASS_THROUGH_DIRECT, &s, sizeof s, &s, sizeof s,
                                   &returned));
  EXPECT_NE(los.GetLastError(), ERROR_SUCCESS);

  // Raw transfers at the file pointer.
  std::vector<uint8_t> sector(512, 0xA5);
  LONG high = 0;
  EXPECT_EQ(los.SetFilePointer(h, 4096, &high, FILE_BEGIN), 4096u);
  DWORD moved = 0;
  ASSERT_TRUE(los.WriteFile(h, sector.data(), 512, &moved));
  EXPECT_EQ(moved, 512u);
  EXPECT_EQ(los.SetFilePointer(h, 4096, nullptr, FILE_BEGIN), 4096u);
  std::vector<uint8_t> back(512, 0);
  ASSERT_TRUE(los.ReadFile(h, back.data(), 512, &moved));
  EXPECT_EQ(back, sector);
  EXPECT_EQ(los.SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_TRUE(los.CloseHandle(h));
  EXPECT_EQ(sys.Dir().Read("dev/sda").substr(4096, 4), std::string(4, '\xA5'));

  // NVMe controllers answer on SCSI ports from 128; vendor control requests do not.
  EXPECT_EQ(los.CreateFileA("\\\\.\\Scsi0:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
}

TEST(LinuxOs, ThePrivilegeIsHeldWithRawIoAndWritableDiskNodes) {
  testsupport::FakeSysfs sys;
  LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  auto adjust = [&los] {
    HANDLE token = nullptr;
    EXPECT_TRUE(los.OpenProcessToken(los.GetCurrentProcess(), TOKEN_ALL_ACCESS, &token));
    LUID luid{};
    EXPECT_TRUE(los.LookupPrivilegeValueA(nullptr, SE_LOAD_DRIVER_NAME, &luid));
    TOKEN_PRIVILEGES tp{};
    EXPECT_TRUE(los.AdjustTokenPrivileges(token, false, &tp, sizeof tp, nullptr, nullptr));
    const DWORD error = los.GetLastError();
    EXPECT_TRUE(los.CloseHandle(token));
    return error;
  };
  // Root's full set, a disk-group user with CAP_SYS_RAWIO, a plain user.
  sys.Dir().Write("proc/self/status", "Uid:\t0\t0\t0\t0\nCapEff:\t000001ffffffffff\n");
  EXPECT_EQ(adjust(), ERROR_SUCCESS);
  sys.Dir().Write("proc/self/status", "Uid:\t1000\t1000\t1000\t1000\nCapEff:\t0000000000020000\n");
  EXPECT_EQ(adjust(), ERROR_SUCCESS);
  sys.Dir().Write("proc/self/status", "Uid:\t1000\t1000\t1000\t1000\nCapEff:\t0000000000000000\n");
  EXPECT_EQ(adjust(), ERROR_NOT_ALL_ASSIGNED);
  sys.Dir().Write("proc/self/status", "CapEff:\tnot-hex\n");
  EXPECT_EQ(adjust(), ERROR_NOT_ALL_ASSIGNED);
}

TEST(LinuxOs, ADiskNodeThatRefusesTheUserIsFound) {
  if (::geteuid() == 0) GTEST_SKIP() << "root opens every node";
  testsupport::FakeSysfs sys;
  const std::string node = sys.DevRoot() + "/sdb";
  EXPECT_EQ(linuxos::FirstRefusedNode({sys.DevRoot() + "/sda", node, sys.DevRoot() + "/none"}), "");
  std::filesystem::permissions(node, std::filesystem::perms::owner_read);
  EXPECT_EQ(linuxos::FirstRefusedNode({sys.DevRoot() + "/sda", node}), node);
}

}  // namespace
}  // namespace os
