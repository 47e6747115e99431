// The scan on the Linux backend over a machine described in a fake sysfs.
// The device nodes are regular files, so every pass-through request fails
// the way it fails on a node that is not a disk: the scan must take that
// calmly and list what answered.
#include <gtest/gtest.h>

#include <string>

#include "device/discovery/aspi_lib.h"
#include "platform/linux/linux_os.h"
#include "support/fake_sysfs.h"

namespace device {
namespace {

TEST(LinuxScan, ListsTheSataDiskByBusTypeAndSkipsWhatDoesNotAnswer) {
  testsupport::FakeSysfs sys;
  os::LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  los.Trace().SetCapture(true);
  AspiLib lib(los);
  ASSERT_TRUE(
      lib.Scan(SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE | SCAN_NVME | SCAN_ATAPI, 5,
               ScanSettings{}));
  EXPECT_EQ(lib.DevQty(), 3);
  ASSERT_EQ(lib.Count(), 1);
  const StorageDevice& sda = lib.Device(0);
  EXPECT_EQ(sda.Name(), "PHYSICALDRIVE0");
  EXPECT_EQ(sda.Attribute(), STORAGE_ATA | STORAGE_PHYSICAL);
  EXPECT_EQ(sda.devUseBusType, 11u);
  EXPECT_EQ(sda.Location(), 0x0000B8u);  // PCI bus 0, device 23, function 0
  EXPECT_EQ(sda.devListIndex, 1u);
  EXPECT_EQ(sda.Serial(), "");  // IDENTIFY could not be sent to a plain file
  EXPECT_EQ(sda.Capacity(), 0u);
  EXPECT_FALSE(sda.IsOpen());
  // The USB disk's place was learned even though it did not answer.
  const UsbLocationRecord& usb = lib.ScanTables().usb[1];
  EXPECT_EQ(SerialTokenOf(usb), "0123456789AB");
  EXPECT_EQ(usb.port, 2u);
  EXPECT_EQ(usb.hubNumber, 2u);  // usb1 is hub 1, the hub on its port 3 hub 2
  // The hub walk found the disk's port on a recognised 4-port hub.
  EXPECT_EQ(usb.hubPortCount, 4u);
  EXPECT_EQ(usb.recognisedHub, 1u);
  EXPECT_EQ(usb.recognisedOrdinal, 1u);
  EXPECT_TRUE(los.Trace().Contains("[VKM_SCAN] Initialize: devOrder = 1, devUseBusType = 7"));
  EXPECT_TRUE(los.Trace().Contains("[VKM_SCAN] Initialize: devOrder = 2, devUseBusType = 17"));
}

// The hub a USB disk hangs off, as the scan learns it from the hub walk: the
// hub's identity decides whether it is one of the recognised hubs, its port
// count is the disk's hub port count.
TEST(LinuxScan, MatchesAUsbDiskToTheHubItHangsOff) {
  testsupport::FakeSysfs sys;
  const std::string hub = "sys/devices/pci0000:00/0000:00:14.0/usb1/1-3";
  for (const bool recognised : {true, false}) {
    // 05e3:0618 is one of the recognised hubs, 05e3:0608 is not.
    sys.Dir().Write(hub + "/idProduct", recognised ? "0618\n" : "0608\n");
    sys.Dir().Write(hub + "/maxchild", recognised ? "4\n" : "7\n");
    os::LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
    AspiLib lib(los);
    ASSERT_TRUE(lib.Scan(SCAN_ATA_BUS | SCAN_NVME, 5, ScanSettings{}));
    // The hub on root port 3, and the bridge on port 2 of that hub.
    const HubPortTable& ports = lib.HubPorts();
    ASSERT_EQ(ports.Count(), 2);
    EXPECT_EQ(std::string(ports.Entry(0).vid), "05E3");
    EXPECT_EQ(std::string(ports.Entry(0).pid), recognised ? "0618" : "0608");
    EXPECT_EQ(ports.Entry(0).hubPortCount, 4u);  // the root hub's
    EXPECT_EQ(ports.Entry(1).hubOrdinal, 1u);
    UsbLocationRecord usb = lib.ScanTables().usb[1];
    EXPECT_EQ(usb.hubPortCount, recognised ? 4u : 7u);
    EXPECT_EQ(usb.recognisedHub, recognised ? 1u : 0u);
    EXPECT_EQ(usb.recognisedOrdinal, recognised ? 1u : 0u);
    // The record belongs to the disk on port 2: port 3 matches nothing.
    usb.port = 3;
    usb.hubPortCount = 0;
    EXPECT_FALSE(ports.Match(usb));
    EXPECT_EQ(usb.hubPortCount, 0u);
  }
}

}  // namespace
}  // namespace device
