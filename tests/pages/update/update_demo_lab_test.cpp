// The unattended run on the built-in demo lab, opened the way `--lab demo`
// opens it, with the demo tool folder and its firmware package: the VK4630
// behind the maker's miniport holds the demo machine's system folder, so its
// new firmware waits for the next reset, the row asks for a reboot and the run
// log says why. The drive's state file and a rescan of the machine that was
// not restarted show the old firmware still running until the next power-on.
// The VK4630 behind the USB bridge, restarting for a while after its
// immediate activation, is waited for and runs the new firmware at once.
#include <stdlib.h>

#include "common/text.h"
#include "package/tools/demo_package.h"
#include "support/host_env.h"
#include "update_lab_fixture.h"

namespace updatetest {
namespace {

namespace fs = std::filesystem;

constexpr const char* kReboot = "PASS-Please reboot your device after the update finishes.";
constexpr const char* kSystemDisk = "PHYSICALDRIVE5";
constexpr const char* kUsbNvme = "PHYSICALDRIVE6";
constexpr const char* kSystemState = "Disk_VK4630_Miniport.state";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class DemoLabUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(work.Path());  // the run log file is written here
    testsupport::SetEnv("SSDTOOLS_DEMO_LAB", (work.Path() / "demo-lab").string());
    fs::copy(SSDTOOLS_DEMO_DIR, home.Path(), fs::copy_options::recursive);
    std::string error;
    ASSERT_TRUE(firmware::demo::WriteDemoPackage(home.Str(), error)) << error;
    shipped_ = home.Read("Setting.ini");
  }
  void TearDown() override {
    testsupport::UnsetEnv("SSDTOOLS_DEMO_LAB");
    fs::current_path(previous_);
  }

  // One start of the tool on `machine` with the demo's settings, unattended
  // or not; returns what it printed and, in `row`, the row of `drive`.
  std::string Run(os::Os& machine, bool unattended, int& row, std::string* currentFw = nullptr,
                  const char* drive = kSystemDisk) {
    std::string settings = shipped_;
    if (unattended) {
      settings = Replaced(settings, "AutoRun=0", "AutoRun=1");
      settings = Replaced(settings, "AutoClose=0", "AutoClose=1");
    }
    home.Write("Setting.ini", settings);
    app::RunContext runCtx(machine, home.Str());
    ui::HeadlessToolkit kit(machine);
    kit.SetAnswerPolicy(ui::AnswerPolicy::kYes);  // as --yes answers
    ui::Application app(kit);
    app::TUpdateDispaly window(app, runCtx);
    app::SessionPlugins plugins(window, runCtx);
    std::ostringstream out;
    row = -1;
    if (unattended) {
      EXPECT_EQ(app::RunHeadless(window, kit, out), 0);
      EXPECT_TRUE(window.Closed());
    } else {
      window.RunCreate();
      window.T_UpdateFW.Click();
    }
    const ui::ListView& list = window.LV_UpdateDevStatus;
    for (int r = 0; r < list.ItemCount(); ++r)
      if (list.Item(r).caption.find(drive) != std::string::npos) row = r;
    if (currentFw != nullptr && row >= 0)
      *currentFw = list.SubItem(row, plugins.Scan().Columns().currentFw);
    return out.str();
  }
  std::unique_ptr<os::Os> OpenDemo() {
    std::string error;
    auto os = app::OpenBackend("demo", error);
    EXPECT_NE(os, nullptr) << error;
    return os;
  }
  lab::drives::DriveState StateOf(const std::string& file) const {
    const auto st = lab::drives::DriveState::Parse(work.Read("demo-lab/state/" + file));
    EXPECT_TRUE(st.has_value()) << file;
    return st.value_or(lab::drives::DriveState{});
  }

  testsupport::TempDir work, home;

 private:
  fs::path previous_;
  std::string shipped_;
};

TEST_F(DemoLabUpdate, TheSystemDiskBehindTheMiniportWaitsForTheNextReset) {
  auto machine = OpenDemo();
  ASSERT_NE(machine, nullptr);
  int row = -1;
  const std::string log = Run(*machine, true, row);
  ASSERT_GE(row, 0) << log;
  const std::string dev = "Dev_" + std::to_string(row) + "          : ";
  EXPECT_NE(log.find(dev + kReboot), std::string::npos) << log;
  const std::string note = "Note_" + std::to_string(row) + "         : ";
  EXPECT_NE(
      log.find(note + "holds the running system, so the new firmware is not activated under it: "
                     "Firmware Commit action 1 (activate at the next reset) is sent instead of "
                     "action 3 (activate now); it becomes active at the next reset or power "
                     "cycle"),
      std::string::npos)
      << log;

  // Downloaded and committed to slot 1, the old firmware still running.
  lab::drives::DriveState st = StateOf(kSystemState);
  EXPECT_GT(st.firmwareDownloads, 0u);
  EXPECT_EQ(common::Trim(st.firmware), kNvmeOld);
  EXPECT_EQ(common::Trim(st.slots[0]), kNvmeNew);
  EXPECT_EQ(st.activeSlot, 1);
  EXPECT_EQ(st.nextSlot, 1);

  // The drive behind the USB bridge was not answering for a while after its
  // immediate activation; the run waited for it.
  std::string usbFw;
  int usbRow = -1;
  Run(*machine, false, usbRow, &usbFw, kUsbNvme);
  ASSERT_GE(usbRow, 0);
  EXPECT_NE(log.find("Dev_" + std::to_string(usbRow) + "          : PASS\n"), std::string::npos)
      << log;
  EXPECT_EQ(usbFw, kNvmeNew);
  EXPECT_EQ(common::Trim(StateOf("Disk_VK4630_USB.state").firmware), kNvmeNew);

  // The tool started again before the reboot sees the old firmware and
  // writes nothing.
  std::string shown;
  Run(*machine, false, row, &shown);
  EXPECT_EQ(shown, kNvmeOld);
  EXPECT_EQ(StateOf(kSystemState).firmwareDownloads, st.firmwareDownloads);

  machine.reset();
  machine = OpenDemo();  // the reboot
  ASSERT_NE(machine, nullptr);
  Run(*machine, false, row, &shown);
  EXPECT_EQ(shown, kNvmeNew);
  st = StateOf(kSystemState);
  EXPECT_EQ(common::Trim(st.firmware), kNvmeNew);
  EXPECT_EQ(st.nextSlot, 0);
}

}  // namespace
}  // namespace updatetest
