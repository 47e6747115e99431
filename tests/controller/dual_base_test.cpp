// The application's per-device class derives from both vendor objects and
// overrides attach once for both bases. This checks that the bases allow
// exactly that: one override reached through either base.
#include <gtest/gtest.h>

#include "controller/nvme/vk4630.h"
#include "controller/sata/vk4540lt.h"
#include "vendor_script.h"

namespace controller {
namespace {

using namespace vendortest;

struct PerDevice : VK4540LT, VK4630 {
  bool Attach(device::StorageDevice* dev) override {
    ++attaches;
    if (dev != nullptr && device::IsNvme(dev->devAttribute)) return VK4630::Attach(dev);
    return VK4540LT::Attach(dev);
  }
  int attaches = 0;
};

TEST(DualBase, OneAttachOverridesBothBases) {
  ScriptedOs sos;
  device::StorageDevice dev(sos);
  OpenDrive(sos, dev, device::STORAGE_NVME_MINIPORT);
  Bytes info(2048, 0);
  const std::string name = "VK4630AA";
  std::copy(name.begin(), name.end(), info.begin() + 496);
  MiniportSeen seen;
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, info});
  ExpectMiniport(sos, Handle(), &seen, MiniportReply{false, 0, 0, info});

  PerDevice object;
  VkmSsdHba& sata = object;
  NVMeSsdHba& nvme = object;
  EXPECT_TRUE(sata.Attach(&dev));  // routed to the NVMe side by the derived class
  EXPECT_TRUE(nvme.Attach(&dev));
  EXPECT_EQ(object.attaches, 2);
  EXPECT_TRUE(object.VK4630::Ready());
  EXPECT_FALSE(object.VK4540LT::Ready());

  // Each base keeps its own name; the derived class sets both.
  object.VK4540LT::SetControllerName("VKM4620XT", 9);
  EXPECT_EQ(object.ConfiguredName(), "VKM4620XT");
  EXPECT_EQ(object.ControllerName(), "VK4630");
}

}  // namespace
}  // namespace controller
