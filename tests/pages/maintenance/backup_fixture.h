#pragma once
// A lab machine with the Data Backup page plugged into a headless form: the
// start-up scan fills the two disk lists, a test picks a source and a
// destination and presses Start; the disks' media tell what was copied. Each
// test runs in its own current folder, where the cleaning script is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/context/run_context.h"
#include "form/device_scan/app_device_scanner.h"
#include "form/update_dispaly.h"
#include "lab/demo/open_lab.h"
#include "pages/maintenance/backup_page.h"
#include "support/lab_builder.h"
#include "support/recording_os.h"
#include "support/temp_dir.h"
#include "ui/headless_toolkit.h"

namespace backuptest {

inline constexpr const char* kSettings = "[Option]\nErrorLog=0\nICType_0=VK4620XT\n";
inline constexpr const char* kIgnoreZeroSettings =
    "[Option]\nErrorLog=0\nIgnoreWriteZeroPattern=1\nICType_0=VK4620XT\n";

class BackupOnLab : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
  }
  void TearDown() override {
    page.reset();
    scan.reset();
    form.reset();
    application.reset();
    toolkit.reset();
    ctx.reset();
    recorder.reset();
    labOs.reset();
    std::filesystem::current_path(previous_);
  }

  void Start(const std::string& labIni, const std::string& settings = kSettings) {
    labDir.Write("lab.ini", labIni);
    std::string error;
    labOs = lab::OpenLab(labDir.Str(), error);
    ASSERT_NE(labOs, nullptr) << error;
    home.Write("Setting.ini", settings);
    // The tool sees the lab through the recorder, which keeps what it asked.
    recorder = std::make_unique<testsupport::RecordingOs>(*labOs);
    ctx = std::make_unique<app::RunContext>(*recorder, home.Str());
    toolkit = std::make_unique<ui::HeadlessToolkit>(*labOs);
    toolkit->SetAnswerPolicy(ui::AnswerPolicy::kYes);
    application = std::make_unique<ui::Application>(*toolkit);
    form = std::make_unique<app::TUpdateDispaly>(*application, *ctx);
    scan = std::make_unique<app::DeviceScanPlugin>(*form, *ctx);
    page = std::make_unique<maintenance::BackupPage>(*form, scan->Aspi());
    page->OnProgress = [this](int p) { percents.push_back(p); };
    form->RunCreate();
    form->T_OptionPage.Click();
    form->SBTN_DataBackup.Click();
  }

  int Index(const std::string& name) const {
    const auto& items = form->CMBB_DeviceList_Source.Items();
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i] == name) return static_cast<int>(i);
    return -1;
  }
  void Choose(const std::string& source, const std::string& destination) {
    ASSERT_GE(Index(source), 0) << source;
    ASSERT_GE(Index(destination), 0) << destination;
    form->CMBB_DeviceList_Source.UserSelect(Index(source));
    form->CMBB_DeviceList_Destination.UserSelect(Index(destination));
  }

  lab::Media& MediaOf(const char* section) {
    lab::LabDisk* d = labOs->Machine().DiskBySection(section);
    EXPECT_NE(d, nullptr) << section;
    return d->GetMedia();
  }
  // Sector s holds bytes that say which disk and sector it is.
  void FillSectors(const char* section, uint64_t from, uint64_t count, uint8_t seed) {
    std::vector<uint8_t> sector(512);
    for (uint64_t s = from; s < from + count; ++s) {
      for (size_t i = 0; i < sector.size(); ++i) sector[i] = static_cast<uint8_t>(seed + s * 7 + i);
      ASSERT_TRUE(MediaOf(section).Write(s, 1, sector.data()));
    }
  }
  void FillAll(const char* section, uint8_t value) {
    lab::Media& m = MediaOf(section);
    std::vector<uint8_t> chunk(512 * 1024, value);
    for (uint64_t s = 0; s < m.SectorCount(); s += 1024)
      ASSERT_TRUE(m.Write(s, static_cast<uint32_t>(std::min<uint64_t>(1024, m.SectorCount() - s)),
                          chunk.data()));
  }
  std::vector<uint8_t> Bytes(const char* section, uint64_t from, uint64_t count) {
    std::vector<uint8_t> b(count * 512);
    EXPECT_TRUE(MediaOf(section).Read(from, static_cast<uint32_t>(count), b.data()));
    return b;
  }
  // The destination reads back as the source over the source's length.
  bool SameOverSource(const char* source, const char* destination) {
    const uint64_t n = MediaOf(source).SectorCount();
    return Bytes(source, 0, n) == Bytes(destination, 0, n);
  }
  std::vector<std::string> DialogTexts(const std::string& caption) const {
    std::vector<std::string> texts;
    for (const auto& d : toolkit->Dialogs())
      if (d.request.caption == caption) texts.push_back(d.request.text);
    return texts;
  }
  const std::vector<std::string>& Steps() const { return page->LastRun().drives.at(0).steps; }

  testsupport::TempDir work;
  testsupport::TempDir labDir;
  testsupport::TempDir home;
  std::unique_ptr<lab::LabOs> labOs;
  std::unique_ptr<testsupport::RecordingOs> recorder;
  std::unique_ptr<app::RunContext> ctx;
  std::unique_ptr<ui::HeadlessToolkit> toolkit;
  std::unique_ptr<ui::Application> application;
  std::unique_ptr<app::TUpdateDispaly> form;
  std::unique_ptr<app::DeviceScanPlugin> scan;
  std::unique_ptr<maintenance::BackupPage> page;
  std::vector<int> percents;

 private:
  std::filesystem::path previous_;
};

}  // namespace backuptest
