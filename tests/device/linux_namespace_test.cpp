// NVMe namespaces and firmware activation on the Linux backend, with a fake
// kernel: Format NVM reaches only the namespace of the node it is sent on,
// the node reports its namespace as its LUN, and a firmware commit that asks
// for a reset gets one only when immediate activation was asked of a
// controller that serves no disk the running system needs.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/nvme/nvme_dispatch.h"
#include "device/usage/namespace_siblings.h"
#include "platform/storage_firmware.h"
#include "support/fake_kernel.h"
#include "support/fake_sysfs.h"

namespace device {
namespace {

using testsupport::FakeKernel;

constexpr int kNvmeDrive = 2;  // the fake machine's nvme0n1 node

struct Machine {
  testsupport::FakeSysfs sys;
  std::shared_ptr<FakeKernel> kernel = std::make_shared<FakeKernel>();
  std::unique_ptr<testsupport::FakeLinuxOs> os;
  // `rootOnNvme`: the root file system is on the NVMe namespace.
  explicit Machine(bool rootOnNvme = false, int nsid = 2) {
    kernel->namespaceId = nsid;
    sys.Dir().Write("dev/nvme0", "");
    if (rootOnNvme) {
      sys.Dir().Write("proc/self/mountinfo",
                      "21 1 259:0 / / rw,relatime shared:1 - ext4 /dev/nvme0n1 rw\n");
    }
    os = std::make_unique<testsupport::FakeLinuxOs>(sys.SysRoot(), sys.DevRoot(), kernel,
                                                    sys.ProcRoot());
    os->Trace().SetCapture(true);
  }
  StorageDevice Drive() {
    StorageDevice dev(*os);
    EXPECT_TRUE(dev.OpenPhysicalDrive(kNvmeDrive));
    dev.Close();
    dev.devAttribute = STORAGE_PHYSICAL | STORAGE_NVME;
    return dev;
  }
};

NvmeCommandRecord Format(uint32_t nsid) {
  NvmeCommandRecord r;
  r.SetOpcode(0x80);
  r.SetDword(os::kNvmeNsid, nsid);
  return r;
}

NvmeCommandRecord Commit(uint8_t action, uint8_t slot) {
  NvmeCommandRecord r;
  r.SetOpcode(0x10);
  r.SetDword(os::kNvmeCdw10, uint32_t{action} << 3 | slot);
  return r;
}

TEST(LinuxNamespaces, FormatNvmGoesOnlyToTheNamespaceOfTheNode) {
  Machine m;  // the node answers NVME_IOCTL_ID with 2, as nvme0n2 does
  FakeKernel& k = *m.kernel;
  // The node is LUN 1 of its controller's address: namespace 2.
  ScsiAddressKey address;
  ASSERT_TRUE(DiskScsiAddress(*m.os, kNvmeDrive, &address));
  EXPECT_EQ(address.lun, 1u);
  EXPECT_EQ(NamespaceIdOfLun(address.lun), 2u);

  StorageDevice nvme = m.Drive();
  k.nvmeAnswers = {{0, 0, {}}};
  NvmeCommandRecord own = Format(2);
  ASSERT_TRUE(ExecuteNvmeCommand(nvme, own, 0, 0, true, true));
  ASSERT_EQ(k.nvmeSent.size(), 1u);
  EXPECT_EQ(k.nvmeSent[0].cmd.opcode, 0x80);
  EXPECT_EQ(k.nvmeSent[0].cmd.nsid, 2u);
  EXPECT_TRUE(k.nvmeSent[0].admin);
  EXPECT_EQ(k.nvmeSent[0].cmd.cdw10, 0u);

  // Another namespace of the controller, or all of them: refused unsent.
  for (uint32_t other : {1u, 0xFFFFFFFFu, 0u}) {
    NvmeCommandRecord wrong = Format(other);
    EXPECT_FALSE(ExecuteNvmeCommand(nvme, wrong, 0, 0, true, true)) << other;
    EXPECT_EQ(m.os->GetLastError(), os::ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(k.nvmeSent.size(), 1u);
  EXPECT_TRUE(m.os->Trace().Contains("Format NVM of namespace 00000001 refused"));

  // Opcodes the inbox driver has no route for stay refused without a request.
  NvmeCommandRecord abort;
  abort.SetOpcode(0x08);
  EXPECT_FALSE(ExecuteNvmeCommand(nvme, abort, 0, 0, true, true));
  EXPECT_EQ(k.nvmeSent.size(), 1u);
}

TEST(LinuxNamespaces, AResetIsMadeOnlyForImmediateActivationOfAFreeController) {
  Machine m(false, 1);
  FakeKernel& k = *m.kernel;
  StorageDevice nvme = m.Drive();
  StorageDevice port(*m.os);
  port.devAttribute = STORAGE_NVME_MINIPORT;
  port.devHaId = 128;

  // Commit for the next reset (action 1 through the controller's port): the
  // controller asks for a reset, none is made, the status comes back.
  k.nvmeAnswers = {{0x0111, 0, {}}};
  NvmeCommandRecord later = Commit(1, 2);
  ASSERT_TRUE(ExecuteNvmeCommand(port, later, 0, 0, true, true));
  EXPECT_EQ(NvmeStatusCode(later.Completion(3)), 0x11);
  EXPECT_EQ(k.resets + k.subsystemResets, 0);
  EXPECT_TRUE(m.os->Trace().Contains("committed for the next reset"));

  // The inbox request marked "switch upon reset" is a commit for the next reset too.
  k.nvmeAnswers = {{0x0110, 0, {}}};
  NvmeCommandRecord inboxLater = Commit(1, 1);
  ASSERT_TRUE(ExecuteNvmeCommand(nvme, inboxLater, 0, 0, true, true));
  EXPECT_EQ(k.resets + k.subsystemResets, 0);

  // Action 3 on a controller that serves no disk in use: the reset it names.
  k.nvmeAnswers = {{0x0111, 0, {}}};
  k.states = {"live"};
  NvmeCommandRecord now = Commit(3, 2);
  ASSERT_TRUE(ExecuteNvmeCommand(port, now, 0, 0, true, true));
  EXPECT_EQ(k.resets, 1);
  EXPECT_EQ(k.subsystemResets, 0);
  EXPECT_EQ(k.nvmeSent.back().cmd.cdw10, 0x1Au);
}

TEST(LinuxNamespaces, NoResetUnderTheSystemDiskWhateverWasAsked) {
  Machine m(true, 1);  // "/" is on nvme0n1
  FakeKernel& k = *m.kernel;
  StorageDevice nvme = m.Drive();
  StorageDevice port(*m.os);
  port.devAttribute = STORAGE_NVME_MINIPORT;
  port.devHaId = 128;
  // nvme1 shares the subsystem: a subsystem reset would take nvme0 down too.
  for (const char* entry : {"nvme0", "nvme1"})
    m.sys.Dir().Write(std::string("sys/class/nvme-subsystem/nvme-subsys0/") + entry + "/dev", "");
  for (const int status : {0x0111, 0x0110}) {
    SCOPED_TRACE(status);
    // Immediate activation asked through the port, and the inbox request
    // without "switch upon reset": stored, no reset, the request is done.
    k.nvmeAnswers = {{status, 0, {}}};
    NvmeCommandRecord now = Commit(3, 2);
    ASSERT_TRUE(ExecuteNvmeCommand(port, now, 0, 0, true, true));
    EXPECT_EQ(NvmeStatusCode(now.Completion(3)), status & 0xFF);
    k.nvmeAnswers = {{status, 0, {}}};
    NvmeCommandRecord inboxNow = Commit(3, 1);
    ASSERT_TRUE(ExecuteNvmeCommand(nvme, inboxNow, 0, 0, true, true));
  }
  EXPECT_EQ(k.resets, 0);
  EXPECT_EQ(k.subsystemResets, 0);
  EXPECT_TRUE(m.os->Trace().Contains("nvme0 serves nvme0n1, which holds / (the running system)"));
}

}  // namespace
}  // namespace device
