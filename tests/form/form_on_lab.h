#pragma once
// The main form with the device scan on a lab machine: the fixture of the
// scan's end-to-end tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/context/run_context.h"
#include "form/device_scan/app_device_scanner.h"
#include "form/update_dispaly.h"
#include "lab/config/lab_config.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab/edge/lab_os.h"
#include "support/temp_dir.h"
#include "ui/headless_toolkit.h"

namespace app::testing {

class FormOnLab : public ::testing::Test {
 protected:
  // The lab machine of `labIni` and a form over it; Setting.ini is written
  // before the form starts, files of the tool folder may follow.
  void Build(const std::string& labIni, const std::string& settings) {
    std::string error;
    labOs = lab::LabOs::Create(lab::ParseLabConfig(labIni), labDir.Str() + "/state",
                               lab::drives::LabDriveFactory(), error);
    ASSERT_NE(labOs, nullptr) << error;
    home.Write("Setting.ini", settings);
    ctx = std::make_unique<RunContext>(*labOs, home.Str());
    toolkit = std::make_unique<ui::HeadlessToolkit>(*labOs);
    application = std::make_unique<ui::Application>(*toolkit);
    form = std::make_unique<TUpdateDispaly>(*application, *ctx);
    plugin = std::make_unique<DeviceScanPlugin>(*form, *ctx);
  }
  void TearDown() override {
    plugin.reset();
    form.reset();
  }

  testsupport::TempDir labDir;
  testsupport::TempDir home;
  std::unique_ptr<lab::LabOs> labOs;
  std::unique_ptr<RunContext> ctx;
  std::unique_ptr<ui::HeadlessToolkit> toolkit;
  std::unique_ptr<ui::Application> application;
  std::unique_ptr<TUpdateDispaly> form;
  std::unique_ptr<DeviceScanPlugin> plugin;
};

}  // namespace app::testing
