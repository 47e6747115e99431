// After a firmware commit that asks for a reset: which controllers an NVM
// subsystem reset takes down (as sysfs lists them), and what happens when no
// controller node is known for the namespace.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/linux/controller_reset.h"
#include "support/fake_kernel.h"
#include "support/fake_sysfs.h"

namespace os::linuxos {
namespace {

TEST(CommitActivation, TheSiblingsOfAControllerAreTheOtherControllersOfItsSubsystem) {
  testsupport::FakeSysfs sys;
  for (const char* entry : {"nvme3", "nvme1", "nvme0n1", "nvme10", "subsysnqn"})
    sys.Dir().Write(std::string("sys/class/nvme-subsystem/nvme-subsys0/") + entry + "/x", "");
  sys.Dir().Write("sys/class/nvme-subsystem/nvme-subsys1/nvme2/x", "");
  const std::string cls = sys.SysRoot() + "/class/nvme/";
  EXPECT_EQ(SubsystemSiblingStates(sys.SysRoot(), "nvme1"),
            (std::vector<std::string>{cls + "nvme10/state", cls + "nvme3/state"}));
  EXPECT_TRUE(SubsystemSiblingStates(sys.SysRoot(), "nvme2").empty());
  EXPECT_TRUE(SubsystemSiblingStates(sys.SysRoot(), "nvme7").empty());
  // A machine without the subsystem class at all.
  EXPECT_TRUE(SubsystemSiblingStates(sys.SysRoot() + "/none", "nvme1").empty());
}

TEST(CommitActivation, WithoutAControllerNodeOnlyTheRebootCaseSucceeds) {
  testsupport::FakeSysfs sys;
  auto kernel = std::make_shared<testsupport::FakeKernel>();
  testsupport::FakeLinuxOs clock(sys.SysRoot(), sys.DevRoot(), kernel);
  const ControllerPaths none;
  ActivationResult r = ActivateCommittedImage(*kernel, clock, none, 0x010B);
  EXPECT_EQ(r.how, Activation::kRebootNeeded);
  EXPECT_EQ(r.error, 0);
  r = ActivateCommittedImage(*kernel, clock, none, 0x0111);
  EXPECT_EQ(r.how, Activation::kControllerReset);
  EXPECT_EQ(r.error, ENODEV);
  r = ActivateCommittedImage(*kernel, clock, none, 0x0110);
  EXPECT_EQ(r.how, Activation::kSubsystemReset);
  EXPECT_EQ(r.error, ENODEV);
  EXPECT_EQ(kernel->resets + kernel->subsystemResets, 0);
  EXPECT_EQ(DescribeActivation(r),
            "the NVM subsystem reset after the firmware commit failed: No such device");
}

}  // namespace
}  // namespace os::linuxos
