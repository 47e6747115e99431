// The USB host-controller and hub walk on Linux, answered from a fake sysfs:
// every reply worked out byte by byte from the attributes the tree holds,
// and the device layer's walk over two buses giving each port its hub.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "device/enumeration/hub_port_table.h"
#include "device/enumeration/usb_hub_walk.h"
#include "platform/linux/linux_os.h"
#include "platform/usbioctl.h"
#include "support/fake_sysfs.h"

namespace os {
namespace {

using Bytes = std::vector<uint8_t>;

// The fake machine plus what the kernel shows of its hub 1-3 and bridge
// 1-3.2, a second bus with a hub of another maker and a UAS bridge, and the
// xHCI driver bound to the controller of both buses.
class LinuxUsb : public ::testing::Test {
 protected:
  LinuxUsb() {
    const std::string hub = "devices/pci0000:00/0000:00:14.0/usb1/1-3";
    Write(hub + "/version", " 2.10");
    Write(hub + "/bDeviceClass", "09");
    Write(hub + "/bMaxPacketSize0", "64");
    Write(hub + "/bcdDevice", "6060");
    Write(hub + "/bConfigurationValue", "1");
    Write(hub + "/bmAttributes", "e0");
    Write(hub + "/speed", "480");
    Write(hub + "/product", "USB2.0 Hub");
    const std::string root2 = "devices/pci0000:00/0000:00:14.0/usb2";
    const std::string hub2 = root2 + "/2-1";
    const std::string uas = hub2 + "/2-1.3";
    Write(root2 + "/idVendor", "1d6b");
    Write(root2 + "/devnum", "1");
    Write(root2 + "/maxchild", "4");
    Write(root2 + "/speed", "5000");
    Write(hub2 + "/idVendor", "2109");
    Write(hub2 + "/idProduct", "0817");
    Write(hub2 + "/devnum", "4");
    Write(hub2 + "/maxchild", "4");
    Write(hub2 + "/bmAttributes", "a0");  // bus-powered
    Write(uas + "/idVendor", "174c");
    Write(uas + "/idProduct", "55aa");
    Write(uas + "/devnum", "2");
    Write(uas + "/serial", "UAS0001");
    Write(uas + "/maxchild", "0");
    for (const std::string& d : {root2, hub2, uas}) sys_.UsbBusLink(d);
    namespace fs = std::filesystem;
    const fs::path sys = sys_.Dir().Path() / "sys";
    fs::create_directories(sys / "bus/pci/drivers/xhci_hcd");
    fs::create_directory_symlink("../../../bus/pci/drivers/xhci_hcd",
                                 sys / "devices/pci0000:00/0000:00:14.0/driver");
  }

  void Write(const std::string& at, const std::string& text) {
    sys_.Dir().Write("sys/" + at, text + "\n");
  }

  HANDLE OpenNode(const std::string& name) {
    return os_.CreateFileA(name, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
  }

  // Sends `request` (the buffer is both input and output, as the walk sends
  // it) and returns the reply as long as the answer says.
  bool Ask(HANDLE h, DWORD code, Bytes request, Bytes* reply, size_t size = 400) {
    request.resize(size, 0);
    DWORD returned = 0;
    const bool ok = os_.DeviceIoControl(h, code, request.data(), static_cast<DWORD>(size),
                                        request.data(), static_cast<DWORD>(size), &returned);
    request.resize(returned);
    *reply = request;
    return ok;
  }

  testsupport::FakeSysfs sys_;
  LinuxOs os_{sys_.SysRoot(), sys_.DevRoot(), sys_.ProcRoot()};
};

// "USBHUB#usb1" as the name requests write it: UTF-16LE with its NUL.
Bytes Wide(const std::string& text) {
  Bytes b;
  for (const char c : text) b.insert(b.end(), {static_cast<uint8_t>(c), 0});
  b.insert(b.end(), {0, 0});
  return b;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(LinuxUsb, HostControllersAreTheBusesInOrderAndNameTheirRootHubsAndDriver) {
  const HANDLE hcd0 = OpenNode("\\\\.\\HCD0");
  const HANDLE hcd1 = OpenNode("\\\\.\\HCD1");
  ASSERT_NE(hcd0, INVALID_HANDLE_VALUE);
  ASSERT_NE(hcd1, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenNode("\\\\.\\HCD2"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(os_.GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenNode("\\\\.\\HCDx"), INVALID_HANDLE_VALUE);

  Bytes reply;
  ASSERT_TRUE(Ask(hcd0, IOCTL_USB_GET_ROOT_HUB_NAME, {}, &reply));
  // Length 4 + 2 * 12 = 28, then "USBHUB#usb1".
  EXPECT_EQ(reply, Concat({28, 0, 0, 0}, Wide("USBHUB#usb1")));
  ASSERT_TRUE(Ask(hcd1, IOCTL_USB_GET_ROOT_HUB_NAME, {}, &reply));
  EXPECT_EQ(reply, Concat({28, 0, 0, 0}, Wide("USBHUB#usb2")));
  ASSERT_TRUE(Ask(hcd1, IOCTL_GET_HCD_DRIVERKEY_NAME, {}, &reply));
  // "xhci_hcd\0000:00:14.0": 21 characters, 4 + 44 = 48 bytes.
  EXPECT_EQ(reply, Concat({48, 0, 0, 0}, Wide("xhci_hcd\\0000:00:14.0")));
  // A buffer too small for the name gets what fits and the whole length.
  ASSERT_TRUE(Ask(hcd0, IOCTL_USB_GET_ROOT_HUB_NAME, {}, &reply, 8));
  EXPECT_EQ(reply, (Bytes{28, 0, 0, 0, 'U', 0, 'S', 0}));
  EXPECT_FALSE(Ask(hcd0, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, {}, &reply));
  EXPECT_EQ(os_.GetLastError(), ERROR_INVALID_FUNCTION);
  EXPECT_TRUE(os_.CloseHandle(hcd0));
  EXPECT_TRUE(os_.CloseHandle(hcd1));
}

TEST_F(LinuxUsb, HubsAnswerPortCountPowerAndEachPortsDevice) {
  const HANDLE root = OpenNode("\\\\.\\USBHUB#usb1");
  const HANDLE hub = OpenNode("\\\\.\\USBHUB#1-3");
  const HANDLE hub2 = OpenNode("\\\\.\\USBHUB#2-1");
  ASSERT_NE(root, INVALID_HANDLE_VALUE);
  ASSERT_NE(hub, INVALID_HANDLE_VALUE);
  ASSERT_NE(hub2, INVALID_HANDLE_VALUE);
  // A device without ports, a device that is not there, a path out of sysfs.
  for (const char* name :
       {"\\\\.\\USBHUB#1-3.2", "\\\\.\\USBHUB#3-1", "\\\\.\\USBHUB#../../usb1", "\\\\.\\USBHUB#"}) {
    EXPECT_EQ(OpenNode(name), INVALID_HANDLE_VALUE) << name;
    EXPECT_EQ(os_.GetLastError(), ERROR_FILE_NOT_FOUND) << name;
  }

  Bytes reply;
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_NODE_INFORMATION, {}, &reply));
  ASSERT_EQ(reply.size(), 76u);
  // UsbHub, descriptor 9 bytes of type 0x29 with 4 ports, self-powered.
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 7), (Bytes{0, 0, 0, 0, 9, 0x29, 4}));
  EXPECT_EQ(reply[75], 0);
  ASSERT_TRUE(Ask(hub2, IOCTL_USB_GET_NODE_INFORMATION, {}, &reply));
  EXPECT_EQ(reply[6], 4);
  EXPECT_EQ(reply[75], 1);  // bmAttributes a0: bus-powered
  ASSERT_TRUE(Ask(OpenNode("\\\\.\\USBHUB#usb2"), IOCTL_USB_GET_NODE_INFORMATION, {}, &reply));
  EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 7), (Bytes{12, 0x2A, 4}));  // SuperSpeed

  // Root port 3: the hub, its descriptor put together from the attributes.
  ASSERT_TRUE(Ask(root, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, {3, 0, 0, 0}, &reply));
  const Bytes hubOnPort3 = {3,    0,    0,    0,                              // port
                            0x12, 0x01, 0x10, 0x02, 0x09, 0x00, 0x00, 64,     // bcdUSB 2.10
                            0xE3, 0x05, 0x18, 0x06, 0x60, 0x60, 0,    2,  0,  // iProduct 2
                            1,                                                // configurations
                            1,    0,    1,                                    // config, hub
                            4,    0,                                          // address
                            0,    0,    0,    0,    1,    0,    0,    0};     // connected
  EXPECT_EQ(reply, hubOnPort3);
  // Root port 1 is empty; port 5 and port 0 do not exist.
  ASSERT_TRUE(Ask(root, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, {1, 0, 0, 0}, &reply));
  Bytes empty(35, 0);
  empty[0] = 1;
  EXPECT_EQ(reply, empty);
  for (const uint8_t port : {0, 5}) {
    EXPECT_FALSE(Ask(root, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, {port, 0, 0, 0}, &reply));
    EXPECT_EQ(os_.GetLastError(), ERROR_INVALID_PARAMETER);
  }
  // Too small for the fixed part of the answer.
  EXPECT_FALSE(Ask(root, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, {3, 0, 0, 0}, &reply, 20));

  // Hub 1-3 port 2: the bridge, not a hub, device 7.
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, {2, 0, 0, 0}, &reply));
  ASSERT_EQ(reply.size(), 35u);
  EXPECT_EQ(Bytes(reply.begin() + 12, reply.begin() + 16), (Bytes{0x2D, 0x15, 0x78, 0x05}));
  EXPECT_EQ(reply[4 + 16], 3);  // iSerialNumber: the kernel knows the serial
  EXPECT_EQ(reply[24], 0);
  EXPECT_EQ(reply[25], 7);
  EXPECT_EQ(reply[31], 1);

  // The name of the hub on root port 3; no name for the bridge's port.
  ASSERT_TRUE(Ask(root, IOCTL_USB_GET_NODE_CONNECTION_NAME, {3, 0, 0, 0}, &reply));
  EXPECT_EQ(reply, Concat({3, 0, 0, 0, 30, 0, 0, 0}, Wide("USBHUB#1-3")));
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_NODE_CONNECTION_NAME, {2, 0, 0, 0}, &reply));
  EXPECT_EQ(reply, (Bytes{2, 0, 0, 0, 10, 0, 0, 0, 0, 0}));
  for (const HANDLE h : {root, hub, hub2}) EXPECT_TRUE(os_.CloseHandle(h));
}

// A GET_DESCRIPTOR request for the device on `port`.
Bytes DescriptorRequest(uint8_t port, uint8_t type, uint8_t index, uint16_t language,
                        uint16_t length) {
  return {port,
          0,
          0,
          0,
          0x80,
          USB_REQUEST_GET_DESCRIPTOR,
          index,
          type,
          static_cast<uint8_t>(language),
          static_cast<uint8_t>(language >> 8),
          static_cast<uint8_t>(length),
          static_cast<uint8_t>(length >> 8)};
}

TEST_F(LinuxUsb, DescriptorsComeFromTheRawDescriptorsOrTheAttributes) {
  const HANDLE hub = OpenNode("\\\\.\\USBHUB#1-3");
  ASSERT_NE(hub, INVALID_HANDLE_VALUE);
  Bytes reply;
  // Languages: English (US) only.
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                  DescriptorRequest(2, 3, 0, 0, 4), &reply));
  EXPECT_EQ(reply, Concat(DescriptorRequest(2, 3, 0, 0, 4), {4, 3, 0x09, 0x04}));
  // The serial is string 3 when only the attributes are known: 2 + 24 bytes.
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                  DescriptorRequest(2, 3, 3, 0x0409, 255), &reply));
  Bytes serial = {26, 3};
  const Bytes chars = Wide("0123456789AB");
  serial.insert(serial.end(), chars.begin(), chars.end() - 2);
  EXPECT_EQ(reply, Concat(DescriptorRequest(2, 3, 3, 0x0409, 255), serial));
  // No manufacturer: the device stalls; an empty port has no device.
  EXPECT_FALSE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                   DescriptorRequest(2, 3, 1, 0x0409, 255), &reply));
  EXPECT_EQ(os_.GetLastError(), ERROR_GEN_FAILURE);
  EXPECT_FALSE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                   DescriptorRequest(1, 1, 0, 0, 18), &reply));
  EXPECT_EQ(os_.GetLastError(), ERROR_DEV_NOT_EXIST);

  // With the raw descriptors the device's own indexes and configuration count.
  const Bytes device = {18,   1,    0x10, 0x02, 0,    0, 0, 64, 0x2D,
                        0x15, 0x78, 0x05, 0x08, 0x02, 1, 2, 5,  1};
  const Bytes config = {9, 2, 32,   0, 1, 1, 0, 0x80, 0x32,  // wTotalLength 32
                        9, 4, 0,    0, 2, 8, 6, 0x50, 0,     // bulk-only storage
                        7, 5, 0x81, 2, 0, 2, 0, 7,    5,    2, 2, 0, 2, 0};
  const Bytes raw = Concat(device, config);
  sys_.Dir().Write("sys/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3.2/descriptors",
                   std::string(raw.begin(), raw.end()));
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, {2, 0, 0, 0}, &reply));
  EXPECT_EQ(Bytes(reply.begin() + 4, reply.begin() + 22), device);
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                  DescriptorRequest(2, 3, 5, 0x0409, 255), &reply));
  EXPECT_EQ(Bytes(reply.begin() + 12, reply.end()), serial);
  EXPECT_FALSE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                   DescriptorRequest(2, 3, 3, 0x0409, 255), &reply));
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                  DescriptorRequest(2, 2, 0, 0, 255), &reply));
  EXPECT_EQ(Bytes(reply.begin() + 12, reply.end()), config);
  // Cut to wLength, then to the buffer.
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                  DescriptorRequest(2, 1, 0, 0, 8), &reply));
  EXPECT_EQ(Bytes(reply.begin() + 12, reply.end()), Bytes(device.begin(), device.begin() + 8));
  ASSERT_TRUE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION,
                  DescriptorRequest(2, 1, 0, 0, 18), &reply, 16));
  EXPECT_EQ(reply.size(), 16u);
  // Only a standard device-to-host GET_DESCRIPTOR is answered.
  Bytes classRequest = DescriptorRequest(2, 1, 0, 0, 18);
  classRequest[4] = 0xA0;
  EXPECT_FALSE(Ask(hub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, classRequest, &reply));
  EXPECT_EQ(os_.GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(os_.CloseHandle(hub));
}

TEST_F(LinuxUsb, TheWalkGivesEveryPortItsHubAcrossBothBuses) {
  device::HubPortTable table;
  ASSERT_TRUE(device::BuildHubPortTable(os_, table));
  // Bus 1: the hub on root port 3, then the bridge on that (recognised) hub's
  // port 2; bus 2: the hub on root port 1, then the UAS bridge on its port 3.
  struct Want {
    uint32_t recognised, recognisedOrdinal, portCount, port, hubOrdinal;
    std::string vid, pid, serial;
  };
  const std::vector<Want> want = {{0, 0, 4, 3, 0, "05E3", "0618", ""},
                                  {1, 1, 4, 2, 1, "152D", "0578", "0123456789AB"},
                                  {0, 0, 4, 1, 0, "2109", "0817", ""},
                                  {1, 2, 4, 3, 2, "174C", "55AA", "UAS0001"}};
  ASSERT_EQ(table.Count(), static_cast<int>(want.size()));
  for (size_t i = 0; i < want.size(); ++i) {
    const device::HubPortEntry& e = table.Entry(static_cast<int>(i));
    EXPECT_EQ(e.recognisedHub, want[i].recognised) << i;
    EXPECT_EQ(e.recognisedOrdinal, want[i].recognisedOrdinal) << i;
    EXPECT_EQ(e.hubPortCount, want[i].portCount) << i;
    EXPECT_EQ(e.port, want[i].port) << i;
    EXPECT_EQ(e.hubOrdinal, want[i].hubOrdinal) << i;
    EXPECT_EQ(std::string(e.vid), want[i].vid) << i;
    EXPECT_EQ(std::string(e.pid), want[i].pid) << i;
    EXPECT_EQ(std::string(e.serial), want[i].serial) << i;
  }
  EXPECT_EQ(table.HubCount(), 2u);
  EXPECT_EQ(table.RecognisedCount(), 2u);
}

}  // namespace
}  // namespace os
