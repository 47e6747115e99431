// A run on the machine's own drives, or a lab's, without the rights
// pass-through needs says so once and the headless entry points end with
// their own exit code; with the rights nothing is said.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/linux/linux_os.h"
#include "platform/virtual_os.h"
#include "shell/headless_session.h"
#include "shell/session.h"
#include "support/fake_sysfs.h"
#include "support/temp_dir.h"
#include "tool_on_lab.h"
#include "ui/headless_toolkit.h"

namespace app {
namespace {

// CapEff of a process without capabilities, and of one with CAP_SYS_RAWIO (bit 17).
constexpr char kNoCapabilities[] =
    "Name:\tssdtools\nUid:\t1000\t1000\t1000\t1000\n"
    "CapEff:\t0000000000000000\n";
constexpr char kRawIo[] =
    "Name:\tssdtools\nUid:\t1000\t1000\t1000\t1000\n"
    "CapEff:\t0000000000020000\n";

struct HeadlessRun {
  explicit HeadlessRun(os::Os& os)
      : ctx(os, home.Str()), toolkit(os, &out), app(toolkit), form(app, ctx) {}
  int Warnings() const {
    int n = 0;
    for (const auto& d : toolkit.Dialogs())
      if (d.request.caption == kNoDiskAccessCaption && d.request.text == kNoDiskAccessMessage) ++n;
    return n;
  }
  testsupport::TempDir home;
  RunContext ctx;
  std::ostringstream out;
  ui::HeadlessToolkit toolkit;
  ui::Application app;
  TUpdateDispaly form;
};

TEST(DiskAccess, WithoutRawIoTheUserIsToldOnceAndTheRunFails) {
  testsupport::FakeSysfs sys;
  sys.Dir().Write("proc/self/status", kNoCapabilities);
  os::LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  HeadlessRun run(los);
  {
    SessionPlugins plugins(run.form, run.ctx);
    EXPECT_EQ(RunHeadless(run.form, run.toolkit, run.out), 0);
    EXPECT_TRUE(plugins.DiskAccessMissing());
    EXPECT_EQ(run.Warnings(), 1);
    EXPECT_NE(
        run.out.str().find("[Warning] No access to the disks: SSD Tools needs to run as root"),
        std::string::npos);
    // A rescan does not repeat it.
    run.form.Scanner().ScanAndFill(run.form, DeviceScanner::Occasion::kRescan);
    EXPECT_TRUE(plugins.DiskAccessMissing());
    EXPECT_EQ(run.Warnings(), 1);
  }
  // The form has its own scanner back.
  EXPECT_NE(dynamic_cast<NoDriveScanner*>(&run.form.Scanner()), nullptr);
}

TEST(DiskAccess, WithRawIoOrWithoutAMachineOfDrivesNothingIsSaid) {
  testsupport::FakeSysfs sys;
  sys.Dir().Write("proc/self/status", kRawIo);
  os::LinuxOs los(sys.SysRoot(), sys.DevRoot(), sys.ProcRoot());
  {
    HeadlessRun run(los);
    SessionPlugins plugins(run.form, run.ctx);
    RunHeadless(run.form, run.toolkit, run.out);
    EXPECT_FALSE(plugins.DiskAccessMissing());
    EXPECT_EQ(run.Warnings(), 0);
  }
  os::VirtualOs vos;  // grants no privilege at all, but is no machine of drives
  HeadlessRun run(vos);
  SessionPlugins plugins(run.form, run.ctx);
  RunHeadless(run.form, run.toolkit, run.out);
  EXPECT_FALSE(plugins.DiskAccessMissing());
  EXPECT_EQ(run.Warnings(), 0);
}

// The lab is where users rehearse: a lab machine without administrator rights
// answers as the machine's own drives would, with the same message and code.
class NoAccessOnLab : public shelltest::ToolOnLab {
 protected:
  void SetUp() override {
    ToolOnLab::SetUp();
    std::string ini = testsupport::LabBuilder()
                          .Sata("Disk A", "VK4620XT", {"Number=1", "Capacity=65536"})
                          .Nvme("Disk C", {"Number=3", "Capacity=65536"})
                          .Text();
    ini.insert(ini.find("[Machine]\n") + 10, "Administrator=0\n");
    lab.Write("lab.ini", ini);
  }
};

TEST_F(NoAccessOnLab, EveryEntryPointSaysNoAccessAndEndsWithItsCode) {
  const std::string told = std::string("No access to the disks");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"list"}, std::vector<std::string>{"list", "--all", "--json"},
        std::vector<std::string>{"info", "1"}, std::vector<std::string>{"smart", "PHYSICALDRIVE3"},
        std::vector<std::string>{"erase", "1", "--yes"},
        std::vector<std::string>{"update", "--all", "--yes"}}) {
    SCOPED_TRACE(args[0] + " " + args[1 % args.size()]);
    EXPECT_EQ(Cli(args), kExitNoDiskAccess);
    EXPECT_NE(err.str().find(told), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("no such drive"), std::string::npos) << err.str();
  }
  std::string printed;
  EXPECT_EQ(Headless(printed), kExitNoDiskAccess);
  EXPECT_NE(printed.find(told), std::string::npos) << printed;
}

}  // namespace
}  // namespace app
