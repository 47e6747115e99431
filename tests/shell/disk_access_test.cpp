// A run on the machine's own drives without the rights pass-through needs
// says so once and the headless entry points end with their own exit code;
// with the rights, or on a lab, nothing is said.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/linux/linux_os.h"
#include "platform/virtual_os.h"
#include "shell/headless_session.h"
#include "shell/session.h"
#include "support/fake_sysfs.h"
#include "support/temp_dir.h"
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

TEST(DiskAccess, WithRawIoAndOpenNodesOrOnALabNothingIsSaid) {
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

}  // namespace
}  // namespace app
