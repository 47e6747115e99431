#pragma once
// The update page on a lab machine: a tool folder with configured images and
// version databases, the start-up scan, the page, and restarts of the tool
// (the lab powers on again from its state folder).
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/text.h"
#include "config/context/run_context.h"
#include "form/device_scan/app_device_scanner.h"
#include "form/update_dispaly.h"
#include "lab/demo/open_lab.h"
#include "lab/drives/drive_state.h"
#include "package/tools/demo_images.h"
#include "pages/update/update_page.h"
#include "shell/headless_session.h"
#include "shell/session.h"
#include "support/lab_builder.h"
#include "support/temp_dir.h"
#include "ui/headless_toolkit.h"

namespace updatetest {

inline constexpr const char* kSataOld = "S0220A0";
inline constexpr const char* kSataNew = "S0312A0";
inline constexpr const char* kNvmeOld = "N0220A0";
inline constexpr const char* kNvmeNew = "N0312A0";

// Configured mode, no questions: the way an unattended run is set up.
inline std::string Settings(const std::string& extraOptions = "",
                            const std::string& extraSections = "") {
  return "[Option]\nErrorLog=0\nPopUpMsgBox=0\nATA-PIFlag=1\nSupportInboxDriver=1\n"
         "EnableChkFWVer=1\nShowFWTag=1\n" +
         extraOptions +
         "ICType_0=VK4620XT\nICType_1=VK4620XT2\nICType_2=VK4630\n"
         "[VK4620XT]\nVKMStrTag=VKM4620XT\nISP_FilePath=ISP_VK4620XT.bin\n"
         "FWVerDB_FilePath=FWVerDB.ini\nISPVerOffset=1582\nISPVerChkStrLengh=8\n"
         "ISPVerChkStrSwapFlag=1\n"
         "[VK4620XT2]\nVKMStrTag=VKM4620XT2\nISP_FilePath=ISP_VK4620XT2.bin\n"
         "FWVerDB_FilePath=FWVerDB.ini\nISPVerOffset=1582\nISPVerChkStrLengh=8\n"
         "ISPVerChkStrSwapFlag=1\n"
         "[VK4630]\nVKMStrTag=VK4630\nISP_FilePath=ISP_VK4630.bin\nFWVerDB_FilePath=FWVerDB.ini\n"
         "ISPVerOffset=528328\nISPVerChkStrLengh=8\nISPWithCSSHeader=1\n" +
         extraSections;
}

inline std::vector<uint8_t> SataImage(const std::string& version = "S0312A0 ") {
  return firmware::demo::SataIspImage("update-test", version, "02", "FBiCS4");
}
inline std::vector<uint8_t> NvmeImage(const std::string& version = "N0312A0 ") {
  return firmware::demo::NvmeImage("update-test", version);
}

// SATA direct (1), SATA behind USB-SAT (2), NVMe on the inbox driver (3), on
// the maker's miniport (4) and behind a USB bridge (5).
inline std::string FiveAttachments(const std::string& sataExtra = "",
                                   const std::string& nvmeExtra = "") {
  testsupport::LabBuilder b;
  b.Sata("Disk A", "VK4620XT",
         {"Number=1", "Serial=VKA0000000000000001", "Capacity=65536", "Firmware=S0220A0"});
  if (!sataExtra.empty()) b.Raw(sataExtra + "\n");
  b.UsbSat("Disk B", "VK4620XT2", 2,
           {"Number=2", "Serial=VKB0000000000000001", "Capacity=65536", "Firmware=S0220A0"});
  b.Nvme("Disk C",
         {"Number=3", "Serial=VKC0000000000000001", "Capacity=65536", "Firmware=N0220A0"});
  b.Disk("Disk D", "nvme-miniport", "VK4630",
         {"Number=4", "Serial=VKD0000000000000001", "Capacity=65536", "Firmware=N0220A0"});
  if (!nvmeExtra.empty()) b.Raw(nvmeExtra + "\n");
  b.Disk("Disk E", "usb-nvme", "VK4630",
         {"Number=5", "Serial=VKE0000000000000001", "Capacity=65536", "Firmware=N0220A0",
          "UsbHub=HostController0", "UsbPort=3"});
  return b.Text();
}

class UpdateOnLab : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
    WriteImage("VK4620XT\\ISP_VK4620XT.bin", SataImage());
    WriteImage("VK4620XT2\\ISP_VK4620XT2.bin", SataImage());
    WriteImage("VK4630\\ISP_VK4630.bin", NvmeImage());
    const std::string sataDb = "[UPDATE_S0220A0]\nFWSupportVer_1=S0312A0\n";
    home.Write("VK4620XT/FWVerDB.ini", sataDb);
    home.Write("VK4620XT2/FWVerDB.ini", sataDb);
    home.Write("VK4630/FWVerDB.ini", "[UPDATE_N0220A0]\nFWSupportVer_1=N0312A0\n");
  }
  void TearDown() override {
    Close();
    std::filesystem::current_path(previous_);
  }

  void WriteImage(const std::string& productRelative, const std::vector<uint8_t>& bytes) {
    std::string native = productRelative;
    for (char& c : native)
      if (c == '\\') c = '/';
    home.Write(native, std::string(bytes.begin(), bytes.end()));
  }

  void Start(const std::string& labIni, const std::string& settings = Settings()) {
    if (!labDir->Exists("lab.ini")) labDir->Write("lab.ini", labIni);
    std::string error;
    labOs = lab::OpenLab(labDir->Str(), error);
    ASSERT_NE(labOs, nullptr) << error;
    labOs->Trace().SetCapture(true);
    home.Write("Setting.ini", settings);
    ctx = std::make_unique<app::RunContext>(*labOs, home.Str());
    toolkit = std::make_unique<ui::HeadlessToolkit>(*labOs);
    toolkit->SetAnswerPolicy(ui::AnswerPolicy::kYes);
    application = std::make_unique<ui::Application>(*toolkit);
    form = std::make_unique<app::TUpdateDispaly>(*application, *ctx);
    scan = std::make_unique<app::DeviceScanPlugin>(*form, *ctx);
    page = std::make_unique<update::UpdatePage>(*form, scan->Drives(), scan->Columns());
    form->RunCreate();
    form->T_UpdateFW.Click();
  }
  void Close() {
    page.reset();
    scan.reset();
    form.reset();
    application.reset();
    toolkit.reset();
    ctx.reset();
    labOs.reset();
  }
  void Restart(const std::string& settings = Settings()) {
    Close();
    Start("", settings);
  }

  int Row(const std::string& caption) const {
    const ui::ListView& list = form->LV_UpdateDevStatus;
    for (int r = 0; r < list.ItemCount(); ++r)
      if (list.Item(r).caption.find(caption) != std::string::npos) return r;
    return -1;
  }
  int Drive(int number) const { return Row(common::Format("PHYSICALDRIVE%d", number)); }
  void Tick(int row) { form->LV_UpdateDevStatus.SetChecked(row, true); }
  // Start pressed the way the message loop runs a click.
  void PressStart() {
    application->Dispatch([this] { form->T_Start.Click(); });
  }
  std::string Cell(int row, int sub) const { return form->LV_UpdateDevStatus.SubItem(row, sub); }
  std::string Result(int row) const { return Cell(row, scan->Columns().result); }
  std::string CurrentFw(int row) const { return Cell(row, scan->Columns().currentFw); }
  int Image(int row) const { return form->LV_UpdateDevStatus.Item(row).imageIndex; }
  std::string LogText() const {
    std::string all;
    for (const std::string& l : ctx->runLog.Lines()) all += l + "\n";
    return all;
  }
  bool Traced(const std::string& text) const { return labOs->Trace().Contains(text); }

  // One run of the tool as the field starts it (the assembled session,
  // headless) on `machine`, which stays powered between runs the way a
  // machine that is not restarted does. Returns what the tool printed.
  std::string RunUnattended(lab::LabOs& machine, const std::string& settings) {
    home.Write("Setting.ini", settings);
    app::RunContext runCtx(machine, home.Str());
    ui::HeadlessToolkit kit(machine);
    ui::Application app(kit);
    app::TUpdateDispaly window(app, runCtx);
    app::SessionPlugins plugins(window, runCtx);
    std::ostringstream out;
    EXPECT_EQ(app::RunHeadless(window, kit, out), 0);
    EXPECT_TRUE(window.Closed());
    return out.str();
  }
  // Opening the lab powers the machine on (a reboot since the last open).
  std::unique_ptr<lab::LabOs> PowerOn() {
    std::string error;
    auto os = lab::OpenLab(labDir->Str(), error);
    EXPECT_NE(os, nullptr) << error;
    return os;
  }
  // One run of the tool on a machine powered on for it.
  std::string RunProcess(const std::string& settings) {
    auto os = PowerOn();
    return os ? RunUnattended(*os, settings) : std::string();
  }
  // What the drive of lab.ini section `section` keeps in its state file.
  lab::drives::DriveState StateOf(std::string section) const {
    for (char& c : section)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
    const auto st = lab::drives::DriveState::Parse(labDir->Read("state/" + section + ".state"));
    EXPECT_TRUE(st.has_value()) << section;
    return st.value_or(lab::drives::DriveState{});
  }

  testsupport::TempDir work;
  void NewLab() { labDir = std::make_unique<testsupport::TempDir>(); }
  std::unique_ptr<testsupport::TempDir> labDir = std::make_unique<testsupport::TempDir>();
  testsupport::TempDir home;
  std::unique_ptr<lab::LabOs> labOs;
  std::unique_ptr<app::RunContext> ctx;
  std::unique_ptr<ui::HeadlessToolkit> toolkit;
  std::unique_ptr<ui::Application> application;
  std::unique_ptr<app::TUpdateDispaly> form;
  std::unique_ptr<app::DeviceScanPlugin> scan;
  std::unique_ptr<update::UpdatePage> page;

 private:
  std::filesystem::path previous_;
};

}  // namespace updatetest
