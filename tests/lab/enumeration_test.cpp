// What the system enumeration finds on a lab machine: the disk interface set,
// instance ids, parents and their properties, the USB host controllers, hubs,
// ports and descriptors, and the privilege adjustment.
#include <gtest/gtest.h>

#include "common/bytes.h"
#include "lab/support/requests.h"
#include "lab/support/test_lab.h"
#include "platform/security.h"
#include "platform/setupapi.h"
#include "platform/usbioctl.h"

namespace lab {
namespace {

using Bytes = std::vector<uint8_t>;
using labtest::OpenDevice;

std::string CmText(os::Os& o, os::DEVINST node, os::ULONG property) {
  char buf[512] = {};
  os::ULONG len = sizeof buf;
  if (o.CM_Get_DevNode_Registry_PropertyA(node, property, nullptr, buf, &len, 0) != os::CR_SUCCESS)
    return "<none>";
  return buf;
}

std::string WideText(const Bytes& b, size_t offset) {
  std::string s;
  for (size_t i = offset; i + 1 < b.size() && (b[i] | b[i + 1]); i += 2)
    s.push_back(static_cast<char>(b[i]));
  return s;
}

TEST(LabEnumeration, DiskInterfacesLeadToDriveNumbersInLabIniOrder) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HDEVINFO set = o.SetupDiGetClassDevsA(&os::GUID_DEVINTERFACE_DISK, nullptr,
                                            os::DIGCF_PRESENT | os::DIGCF_DEVICEINTERFACE);
  ASSERT_NE(set, os::INVALID_HANDLE_VALUE);
  for (os::DWORD i = 0;; ++i) {
    os::SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!o.SetupDiEnumDeviceInterfaces(set, nullptr, &os::GUID_DEVINTERFACE_DISK, i, &data)) {
      EXPECT_EQ(o.GetLastError(), os::ERROR_NO_MORE_ITEMS);
      EXPECT_EQ(i, 7u);
      break;
    }
    os::DWORD required = 0;
    EXPECT_FALSE(o.SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr));
    EXPECT_EQ(o.GetLastError(), os::ERROR_INSUFFICIENT_BUFFER);
    Bytes raw(required);
    os::SP_DEVICE_INTERFACE_DETAIL_DATA_A detail{};
    detail.cbSize = sizeof detail;
    std::memcpy(raw.data(), &detail.cbSize, sizeof detail.cbSize);
    ASSERT_TRUE(o.SetupDiGetDeviceInterfaceDetailA(
        set, &data,
        static_cast<os::SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(static_cast<void*>(raw.data())),
        required, nullptr, nullptr));
    const std::string path(reinterpret_cast<const char*>(raw.data()) + 4);
    EXPECT_EQ(path.substr(0, 4), "\\\\?\\");
    EXPECT_NE(path.find("#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"), std::string::npos);
    os::HANDLE h = o.CreateFileA(path, os::GENERIC_READ, os::FILE_SHARE_READ | os::FILE_SHARE_WRITE,
                                 nullptr, os::OPEN_EXISTING, os::FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, os::INVALID_HANDLE_VALUE) << path;
    os::STORAGE_DEVICE_NUMBER n{};
    os::DWORD got = 0;
    ASSERT_TRUE(
        o.DeviceIoControl(h, os::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &n, sizeof n, &got));
    EXPECT_EQ(n.DeviceNumber, i);
    o.CloseHandle(h);
  }
  // A record of the wrong size is refused, as SetupAPI does.
  os::SP_DEVINFO_DATA info{};
  info.cbSize = 4;
  EXPECT_FALSE(o.SetupDiEnumDeviceInfo(set, 0, &info));
  EXPECT_EQ(o.GetLastError(), 1784u);
  EXPECT_TRUE(o.SetupDiDestroyDeviceInfoList(set));
  EXPECT_FALSE(o.SetupDiDestroyDeviceInfoList(set));
  EXPECT_EQ(lab.Os().OpenHandleCount(), 0u);
}

TEST(LabEnumeration, InstanceIdsParentsAndLocations) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HDEVINFO set = o.SetupDiGetClassDevsA(&os::GUID_DEVINTERFACE_DISK, nullptr,
                                            os::DIGCF_PRESENT | os::DIGCF_DEVICEINTERFACE);
  std::vector<std::string> ids;
  std::vector<os::DEVINST> nodes;
  for (os::DWORD i = 0; i < 7; ++i) {
    os::SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(o.SetupDiEnumDeviceInfo(set, i, &info));
    char id[1024];
    ASSERT_TRUE(o.SetupDiGetDeviceInstanceIdA(set, &info, id, sizeof id, nullptr));
    ids.push_back(id);
    nodes.push_back(info.DevInst);
  }
  // A USB bulk-only disk: USBSTOR, its serial as the last part.
  EXPECT_EQ(ids[4], "USBSTOR\\DISK&VEN_ATA&PROD_VKM_VK4620XT2_SS&REV_S062\\0123456789&0");
  EXPECT_EQ(ids[0].substr(0, 35), "SCSI\\DISK&VEN_&PROD_OTHER_MAKER_SSD");
  EXPECT_EQ(ids[5].substr(0, 38), "SCSI\\DISK&VEN_NVME&PROD_VKM_VK4630_USB");  // UAS
  char tooSmall[8];
  os::DWORD need = 0;
  os::SP_DEVINFO_DATA info{};
  info.cbSize = sizeof info;
  info.DevInst = nodes[4];
  EXPECT_FALSE(o.SetupDiGetDeviceInstanceIdA(set, &info, tooSmall, sizeof tooSmall, &need));
  EXPECT_EQ(need, ids[4].size() + 1);

  // The USB disk's address is its port on the hub.
  os::DWORD type = 0;
  uint8_t address[4] = {};
  ASSERT_TRUE(o.SetupDiGetDeviceRegistryPropertyA(set, &info, os::SPDRP_ADDRESS, &type, address,
                                                  sizeof address, nullptr));
  EXPECT_EQ(type, os::REG_DWORD);
  EXPECT_EQ(address[0], 2);

  os::DEVINST parent = 0;
  ASSERT_EQ(o.CM_Get_Parent(&parent, nodes[2], 0), os::CR_SUCCESS);
  EXPECT_EQ(CmText(o, parent, os::CM_DRP_DEVICEDESC), "Standard NVM Express Controller");
  EXPECT_EQ(CmText(o, parent, os::CM_DRP_LOCATION_INFORMATION), "PCI bus 3, device 0, function 0");
  ASSERT_EQ(o.CM_Get_Parent(&parent, nodes[3], 0), os::CR_SUCCESS);
  EXPECT_EQ(CmText(o, parent, os::CM_DRP_LOCATION_INFORMATION), "PCI bus 4, device 0, function 0");
  ASSERT_EQ(o.CM_Get_Parent(&parent, nodes[0], 0), os::CR_SUCCESS);
  EXPECT_EQ(CmText(o, parent, os::CM_DRP_LOCATION_INFORMATION), "PCI bus 0, device 23, function 0");
  ASSERT_EQ(o.CM_Get_Parent(&parent, nodes[4], 0), os::CR_SUCCESS);
  EXPECT_EQ(CmText(o, parent, os::CM_DRP_HARDWAREID), "USB\\VID_152D&PID_0578&REV_0100");
  // The Genesys hub is hub 2 (the root hub is 1).
  EXPECT_EQ(CmText(o, parent, os::CM_DRP_LOCATION_INFORMATION), "Port_#0002.Hub_#0002");
  ASSERT_EQ(o.CM_Get_Parent(&parent, nodes[5], 0), os::CR_SUCCESS);
  EXPECT_EQ(CmText(o, parent, os::CM_DRP_LOCATION_INFORMATION), "Port_#0001.Hub_#0001");

  // Buffers, missing values and the top of the tree.
  char small[4];
  os::ULONG len = sizeof small;
  EXPECT_EQ(
      o.CM_Get_DevNode_Registry_PropertyA(parent, os::CM_DRP_HARDWAREID, nullptr, small, &len, 0),
      os::CR_BUFFER_SMALL);
  EXPECT_EQ(len, std::string("USB\\VID_174C&PID_2362&REV_0100").size() + 2);  // a list: two NULs
  os::DEVINST up = parent;
  while (o.CM_Get_Parent(&up, up, 0) == os::CR_SUCCESS) {
  }
  EXPECT_EQ(o.CM_Get_Parent(&up, 1, 0), os::CR_NO_SUCH_DEVNODE);
  EXPECT_EQ(o.CM_Get_Parent(&up, 99999, 0), os::CR_INVALID_DEVNODE);
  EXPECT_EQ(CmText(o, nodes[4], os::CM_DRP_LOCATION_INFORMATION), "<none>");
  o.SetupDiDestroyDeviceInfoList(set);
}

TEST(LabEnumeration, LocationTextsCanBeAnythingOrMissing) {
  labtest::TestLab lab(
      "[Disk0]\nAttachment=nvme\nCapacity=4MiB\nLocationText=Internal slot 2\n"
      "[Disk1]\nAttachment=sata\nCapacity=4MiB\nLocationText=\n"
      "[Disk2]\nAttachment=usb-sat\nCapacity=4MiB\nUsbHub=HostController0\nUsbPort=2\n"
      "LocationText=\n");
  os::Os& o = lab.Os();
  os::DEVINST parent = 0;
  ASSERT_EQ(o.CM_Get_Parent(&parent, lab.Machine().DiskByNumber(0)->DevInst(), 0), os::CR_SUCCESS);
  EXPECT_EQ(CmText(o, parent, os::CM_DRP_LOCATION_INFORMATION), "Internal slot 2");
  for (uint32_t n : {1u, 2u}) {
    ASSERT_EQ(o.CM_Get_Parent(&parent, lab.Machine().DiskByNumber(n)->DevInst(), 0),
              os::CR_SUCCESS);
    EXPECT_EQ(CmText(o, parent, os::CM_DRP_LOCATION_INFORMATION), "<none>") << n;
    EXPECT_NE(CmText(o, parent, os::CM_DRP_DEVICEDESC), "<none>") << n;
  }
}

TEST(LabEnumeration, UsbWalkFindsControllerRootHubExternalHubAndDevices) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::HANDLE hcd = o.CreateFileA("\\\\.\\HCD0", os::GENERIC_WRITE, os::FILE_SHARE_WRITE, nullptr,
                                 os::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hcd, os::INVALID_HANDLE_VALUE);
  Bytes name(516);
  os::DWORD n = 0;
  ASSERT_TRUE(o.DeviceIoControl(hcd, os::IOCTL_GET_HCD_DRIVERKEY_NAME, name.data(), 516,
                                name.data(), 516, &n));
  EXPECT_EQ(WideText(name, 4), "{36fc9e60-c465-11cf-8056-444553540000}\\0000");
  EXPECT_EQ(common::ReadLe32(name, 0), 4u + 2 * (43u + 1));  // the whole, with its NUL
  ASSERT_TRUE(o.DeviceIoControl(hcd, os::IOCTL_USB_GET_ROOT_HUB_NAME, name.data(), 516, name.data(),
                                516, &n));
  const std::string rootName = WideText(name, 4);
  EXPECT_EQ(rootName.substr(0, 16), "USB#ROOT_HUB30#4");
  // A buffer of just the length field tells the size needed.
  Bytes tiny(6);
  ASSERT_TRUE(
      o.DeviceIoControl(hcd, os::IOCTL_USB_GET_ROOT_HUB_NAME, tiny.data(), 6, tiny.data(), 6, &n));
  EXPECT_EQ(common::ReadLe32(tiny, 0), 4u + 2 * (rootName.size() + 1));

  os::HANDLE root = o.CreateFileA("\\\\.\\" + rootName, os::GENERIC_WRITE, os::FILE_SHARE_WRITE,
                                  nullptr, os::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(root, os::INVALID_HANDLE_VALUE);
  Bytes info(76);
  ASSERT_TRUE(o.DeviceIoControl(root, os::IOCTL_USB_GET_NODE_INFORMATION, info.data(), 76,
                                info.data(), 76, &n));
  EXPECT_EQ(info[6], 4);  // bNumberOfPorts

  Bytes conn(388);
  auto connection = [&](os::HANDLE hub, uint32_t port) {
    std::fill(conn.begin(), conn.end(), 0);
    common::WriteLe32(conn, 0, port);
    return o.DeviceIoControl(hub, os::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, conn.data(), 388,
                             conn.data(), 388, &n);
  };
  // Port 1: the USB-NVMe bridge.
  ASSERT_TRUE(connection(root, 1));
  EXPECT_EQ(Bytes(conn.begin() + 4, conn.begin() + 22),
            (Bytes{0x12, 0x01, 0x00, 0x03, 0x00, 0x00, 0x00, 0x09, 0x4C, 0x17, 0x62, 0x23, 0x00,
                   0x01, 0x01, 0x02, 0x03, 0x01}));
  EXPECT_EQ(conn[24], 0);                     // not a hub
  EXPECT_EQ(common::ReadLe32(conn, 31), 1u);  // connected
  ASSERT_TRUE(connection(root, 2));
  EXPECT_EQ(common::ReadLe32(conn, 31), 0u);  // nothing there
  ASSERT_TRUE(connection(root, 3));
  EXPECT_EQ(conn[24], 1);  // the Genesys hub
  EXPECT_EQ(common::ReadLe16(conn, 12), 0x05E3);
  EXPECT_EQ(common::ReadLe16(conn, 14), 0x0610);
  EXPECT_FALSE(connection(root, 5));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_PARAMETER);

  Bytes hubName(520);
  common::WriteLe32(hubName, 0, 3);
  ASSERT_TRUE(o.DeviceIoControl(root, os::IOCTL_USB_GET_NODE_CONNECTION_NAME, hubName.data(), 520,
                                hubName.data(), 520, &n));
  const std::string frontName = WideText(hubName, 8);
  EXPECT_EQ(frontName.substr(0, 22), "USB#VID_05E3&PID_0610#");
  os::HANDLE front = o.CreateFileA("\\\\.\\" + frontName, os::GENERIC_WRITE, os::FILE_SHARE_WRITE,
                                   nullptr, os::OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(front, os::INVALID_HANDLE_VALUE);
  ASSERT_TRUE(connection(front, 2));
  EXPECT_EQ(common::ReadLe16(conn, 12), 0x152D);

  // String descriptors: the language list, then the serial in UTF-16.
  auto descriptor = [&](uint16_t value, uint16_t index, uint16_t length, Bytes& out) {
    out.assign(2060, 0);
    common::WriteLe32(out, 0, 2);  // port 2 of the Genesys hub
    out[4] = 0x80;
    out[5] = 6;
    common::WriteLe16(out, 6, value);
    common::WriteLe16(out, 8, index);
    common::WriteLe16(out, 10, length);
    return o.DeviceIoControl(front, os::IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, out.data(),
                             2060, out.data(), 2060, &n);
  };
  Bytes d;
  ASSERT_TRUE(descriptor(0x0300, 0, 4, d));
  EXPECT_EQ(n, 16u);
  EXPECT_EQ(Bytes(d.begin() + 12, d.begin() + 16), (Bytes{0x04, 0x03, 0x09, 0x04}));
  ASSERT_TRUE(descriptor(0x0303, 0x0409, 255, d));
  EXPECT_EQ(d[12], 22);  // 2 + 2 x 10 characters
  EXPECT_EQ(d[13], 3);
  EXPECT_EQ(WideText(d, 14), "0123456789");
  EXPECT_FALSE(descriptor(0x0309, 0x0409, 255, d));
  EXPECT_EQ(o.GetLastError(), os::ERROR_GEN_FAILURE);

  EXPECT_EQ(OpenDevice(o, "\\\\.\\HCD1"), os::INVALID_HANDLE_VALUE);
}

TEST(LabEnumeration, ABrokenHostControllerFailsItsRequests) {
  std::string ini = labtest::kReferenceLab;
  ini.insert(ini.find("Ports=4"), "Broken=1\n");
  labtest::TestLab lab(ini);
  os::Os& o = lab.Os();
  os::HANDLE hcd = OpenDevice(o, "\\\\.\\HCD0");
  Bytes name(516);
  os::DWORD n = 0;
  EXPECT_FALSE(o.DeviceIoControl(hcd, os::IOCTL_GET_HCD_DRIVERKEY_NAME, name.data(), 516,
                                 name.data(), 516, &n));
  EXPECT_EQ(o.GetLastError(), os::ERROR_GEN_FAILURE);
}

TEST(LabEnumeration, PrivilegeAdjustmentReportsWhatWasAssigned) {
  for (const bool admin : {true, false}) {
    std::string ini = labtest::kReferenceLab;
    if (!admin) ini.insert(ini.find("[Machine]") + 10, "Administrator=0\n");
    labtest::TestLab lab(ini);
    os::Os& o = lab.Os();
    os::HANDLE token = os::INVALID_HANDLE_VALUE;
    ASSERT_TRUE(o.OpenProcessToken(o.GetCurrentProcess(), os::TOKEN_ALL_ACCESS, &token));
    os::TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    ASSERT_TRUE(o.LookupPrivilegeValueA(nullptr, os::SE_LOAD_DRIVER_NAME, &tp.Privileges[0].Luid));
    EXPECT_EQ(tp.Privileges[0].Luid.LowPart, 10u);
    tp.Privileges[0].Attributes = os::SE_PRIVILEGE_ENABLED;
    o.SetLastError(12345);
    ASSERT_TRUE(o.AdjustTokenPrivileges(token, false, &tp, sizeof tp, nullptr, nullptr));
    EXPECT_EQ(o.GetLastError(), admin ? os::ERROR_SUCCESS : os::ERROR_NOT_ALL_ASSIGNED);
    EXPECT_TRUE(o.CloseHandle(token));
  }
}

TEST(LabEnumeration, UnknownPrivilegesAndBadTokensAreRefused) {
  labtest::TestLab lab;
  os::Os& o = lab.Os();
  os::LUID luid{};
  EXPECT_FALSE(o.LookupPrivilegeValueA(nullptr, "SeFlyingPrivilege", &luid));
  EXPECT_EQ(o.GetLastError(), os::ERROR_NO_SUCH_PRIVILEGE);
  os::TOKEN_PRIVILEGES tp{};
  tp.PrivilegeCount = 1;
  EXPECT_FALSE(o.AdjustTokenPrivileges(os::HandleFromValue(0x4444), false, &tp, sizeof tp, nullptr,
                                       nullptr));
  EXPECT_EQ(o.GetLastError(), os::ERROR_INVALID_HANDLE);
}

}  // namespace
}  // namespace lab
