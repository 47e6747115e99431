// USB disks in sysfs: hub numbers stay unique across buses, and the hub a
// disk hangs off is known by its identity.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/sysfs_disks.h"
#include "support/fake_sysfs.h"

namespace os {
namespace {

TEST(SysfsUsb, HubNumbersAreUniqueAcrossBusesAndHubsAreKnownByTheirIds) {
  testsupport::FakeSysfs sys;
  // Bus 2 (the USB 3 bus of the same controller): a VIA Labs hub on port 1
  // that got device number 4 as well, with a UAS disk on its port 3.
  const std::string root = "devices/pci0000:00/0000:00:14.0/usb2";
  const std::string hub = root + "/2-1";
  const std::string bridge = hub + "/2-1.3";
  auto write = [&](const std::string& at, const std::string& text) {
    sys.Dir().Write("sys/" + at, text + "\n");
  };
  write(root + "/idVendor", "1d6b");
  write(root + "/devnum", "1");
  write(root + "/maxchild", "4");
  write(hub + "/idVendor", "2109");
  write(hub + "/idProduct", "0817");
  write(hub + "/devnum", "4");
  write(hub + "/maxchild", "4");
  write(bridge + "/idVendor", "174c");
  write(bridge + "/idProduct", "55aa");
  write(bridge + "/devnum", "2");
  write(bridge + "/serial", "UAS0001");
  write(bridge + "/maxchild", "0");
  for (const std::string& d : {root, hub, bridge}) sys.UsbBusLink(d);
  const std::string scsi = bridge + "/2-1.3:1.0/host8/target8:0:0/8:0:0:0";
  write(scsi + "/vendor", "VKM");
  write(scsi + "/model", "VK4630 Bridge");
  sys.Disk(scsi, "sdc");

  // usb1 = 1, its hub 1-3 = 2, usb2 = 3, its hub 2-1 = 4.
  const auto numbers = linuxos::UsbHubNumbers(sys.SysRoot());
  EXPECT_EQ(numbers,
            (std::map<std::string, uint32_t>{{"usb1", 1}, {"1-3", 2}, {"usb2", 3}, {"2-1", 4}}));
  const auto disks = linuxos::ListSysfsDisks(sys.SysRoot());
  ASSERT_EQ(disks.size(), 4u);
  const linuxos::SysfsDisk& first = disks[1];
  const linuxos::SysfsDisk& second = disks[2];
  ASSERT_EQ(second.name, "sdc");
  // Both hubs are device 4 of their bus; their numbers differ.
  EXPECT_EQ(first.usbHub, 2u);
  EXPECT_EQ(second.usbHub, 4u);
  EXPECT_EQ(second.usbPort, 3u);
  EXPECT_EQ(second.usbVid, "174C");
  EXPECT_EQ(second.usbHubVid, "2109");
  EXPECT_EQ(second.usbHubPid, "0817");
}

}  // namespace
}  // namespace os
