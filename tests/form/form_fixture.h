#pragma once
// A main form on the headless toolkit with virtual time, a temporary tool
// folder, and recording stand-ins for the device scan and the pages.
#include <memory>
#include <string>
#include <vector>

#include "config/context/run_context.h"
#include "form/update_dispaly.h"
#include "config/run_log/run_log_lines.h"
#include "platform/virtual_os.h"
#include "support/temp_dir.h"
#include "ui/headless_toolkit.h"

namespace app::testing {

// Finds `drives` drives and records every call in `events`.
class FakeScanner : public DeviceScanner {
 public:
  FakeScanner(std::vector<std::string>& events, int drives) : events_(events), drives_(drives) {}
  void ClearCurrentFirmware() override { events_.push_back("clear firmware texts"); }
  void ReleaseAll() override {
    events_.push_back("release");
    if (onRelease) onRelease();
  }
  int ScanAndFill(TUpdateDispaly& form, Occasion occasion) override {
    events_.push_back(occasion == Occasion::kStartup ? "scan at start-up" : "rescan");
    form.LV_UpdateDevStatus.Clear();
    form.LV_OptionErase.Clear();
    for (int i = 0; i < drives_; ++i) {
      const std::string name = "\\\\.\\PHYSICALDRIVE" + std::to_string(i + 1);
      form.LV_UpdateDevStatus.AddItem(name);
      form.LV_OptionErase.AddItem(name);
      form.CMBB_DeviceList.AddItem(name);
    }
    form.SelectedDevice = drives_ > 0 ? 0 : -1;
    if (occasion == Occasion::kStartup) AppendDeviceCount(form.Context().runLog, drives_);
    return drives_;
  }
  std::function<void()> onRelease;

 private:
  std::vector<std::string>& events_;
  int drives_;
};

class FormFixture {
 public:
  testsupport::TempDir dir;
  os::VirtualOs os;
  ui::HeadlessToolkit toolkit{os};
  ui::Application app{toolkit};
  RunContext ctx{os, dir.Str()};
  std::vector<std::string> events;
  std::unique_ptr<TUpdateDispaly> form;

  void Settings(const std::string& text) { dir.Write("Setting.ini", text); }
  // A bitmap in the tool's Res folder (its bytes do not matter to the model).
  void Bitmap(const std::string& relative) { dir.Write("Res/" + relative, "BM"); }
  std::string Native(const std::string& relative) const {
    return (dir.Path() / relative).make_preferred().string();
  }

  // Builds the form with this build's version standing in for the resource.
  TUpdateDispaly& Build() {
    form = std::make_unique<TUpdateDispaly>(app, ctx);
    form->SetVersionResource(VersionResource{2, 5, 17, 3, "A1"});
    return *form;
  }
  // Plugs recording page handlers that note their name in `events`.
  void RecordPages() {
    form->Pages.deviceInfo = [this] { events.push_back("device info page"); };
    form->Pages.smart = [this] { events.push_back("smart page"); };
    form->Pages.summary = [this] { events.push_back("summary page"); };
    form->Pages.updateFW = [this] { events.push_back("update page"); };
    form->Pages.optionPage = [this] { events.push_back("option page"); };
    form->Pages.start = [this] { events.push_back("start"); };
  }
  TUpdateDispaly& Create() {
    if (!form) Build();
    form->RunCreate();
    return *form;
  }
  TUpdateDispaly& CreateAndShow() {
    Create();
    form->RunShow();
    return *form;
  }
};

}  // namespace app::testing
