#pragma once
// The information pages on a headless main form with virtual time, over
// scripted drives that record every command they are sent, and rule files in a
// temporary tool folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/context/run_context.h"
#include "form/update_dispaly.h"
#include "pages/info/info_pages.h"
#include "platform/virtual_os.h"
#include "scan/drive_view.h"
#include "support/temp_dir.h"
#include "ui/headless_toolkit.h"

namespace infotest {

// ATA identity strings are stored as byte-swapped words, padded with blanks.
inline void PutAtaString(std::span<uint8_t> block, size_t offset, size_t length,
                         const std::string& text) {
  std::string padded = text;
  padded.resize(length, ' ');
  for (size_t i = 0; i + 1 < length; i += 2) {
    block[offset + i] = static_cast<uint8_t>(padded[i + 1]);
    block[offset + i + 1] = static_cast<uint8_t>(padded[i]);
  }
}

inline void PutText(std::span<uint8_t> block, size_t offset, size_t length,
                    const std::string& text) {
  std::string padded = text;
  padded.resize(length, ' ');
  for (size_t i = 0; i < length; ++i) block[offset + i] = static_cast<uint8_t>(padded[i]);
}

// One SMART attribute entry at table position `index` (0..29): ID, current,
// worst and six raw bytes, least significant first.
inline void PutAttribute(std::vector<uint8_t>& smart, int index, uint8_t id, uint8_t current,
                         uint8_t worst, std::vector<uint8_t> raw) {
  const size_t e = 2 + static_cast<size_t>(index) * 12;
  smart[e] = id;
  smart[e + 3] = current;
  smart[e + 4] = worst;
  raw.resize(6, 0);
  for (size_t i = 0; i < 6; ++i) smart[e + 5 + i] = raw[i];
}

// An identified drive whose answers the test sets; every command it is sent
// is noted in `calls`.
class ScriptedDrive : public app::DriveAccess {
 public:
  ScriptedDrive(std::string name, bool nvme, std::vector<std::string>& calls)
      : name_(std::move(name)), nvme_(nvme), calls_(calls) {}

  std::vector<uint8_t> identify = std::vector<uint8_t>(512, 0);
  std::vector<uint8_t> smart = std::vector<uint8_t>(512, 0);
  std::vector<uint8_t> identifyController = std::vector<uint8_t>(4096, 0);
  std::vector<uint8_t> healthLog = std::vector<uint8_t>(512, 0);
  bool identifyOk = true;
  bool smartReadOk = true;
  bool identifyControllerOk = true;
  int logResult = 0;
  uint16_t statusCode = 0;
  uint16_t statusCodeType = 0;

  bool IsNvmeDrive() const override { return nvme_; }
  std::string DevName() const override { return name_; }
  bool IdentifyDevice(std::span<uint8_t> out) override {
    calls_.push_back(name_ + ": IDENTIFY DEVICE");
    return identifyOk && Copy(identify, out);
  }
  bool SmartEnableOperations() override {
    calls_.push_back(name_ + ": SMART ENABLE OPERATIONS");
    return true;
  }
  bool SmartReadData(std::span<uint8_t> out) override {
    calls_.push_back(name_ + ": SMART READ DATA");
    return smartReadOk && Copy(smart, out);
  }
  bool NvmeIdentify(std::span<uint8_t> out, uint32_t nsid, bool controller) override {
    calls_.push_back(name_ +
                     (controller && nsid == 0 ? ": Identify Controller" : ": Identify Namespace"));
    return identifyControllerOk && Copy(identifyController, out);
  }
  int ReadSmartHealthLog(std::span<uint8_t> out) override {
    calls_.push_back(name_ + ": Get Log Page 02h");
    if (logResult == 0) Copy(healthLog, out);
    return logResult;
  }
  uint16_t NvmeStatusCode() const override { return statusCode; }
  uint16_t NvmeStatusCodeType() const override { return statusCodeType; }

  // Not sent by the pages.
  void SetControllerName(std::string_view, uint32_t) override {}
  bool Attach(device::StorageDevice*) override { return false; }
  int ReadParameterBlock(std::span<uint8_t>) override { return -1; }
  int ModeQuery(int*, std::span<uint8_t>) override { return -1; }
  int NvmeVendorRead(std::span<uint8_t>, uint8_t) override { return -1; }
  void Close() override {}

 private:
  static bool Copy(const std::vector<uint8_t>& from, std::span<uint8_t> to) {
    if (to.size() < from.size()) return false;
    std::copy(from.begin(), from.end(), to.begin());
    return true;
  }
  std::string name_;
  bool nvme_;
  std::vector<std::string>& calls_;
};

class ScriptedDriveTable : public app::DriveViews {
 public:
  struct Entry {
    std::unique_ptr<ScriptedDrive> drive;
    std::unique_ptr<app::SlotData> data = std::make_unique<app::SlotData>();
    std::unique_ptr<app::ControllerProfile> profile;
  };
  std::vector<Entry> entries;

  int Count() const override { return static_cast<int>(entries.size()); }
  app::DriveView At(int row) override {
    Entry& e = entries.at(static_cast<size_t>(row));
    return app::DriveView{row, *e.drive, *e.data, e.profile.get()};
  }
  app::SlotData& Data(int index) { return *entries.at(static_cast<size_t>(index)).data; }
};

// A SATA profile and an NVMe profile whose rule files the tests write.
inline app::ControllerProfile SataProfile() {
  app::ControllerProfile p;
  p.Name = "VK4620XT";
  p.ECTableRule_FilePath = "VK4620XT\\IdentifyDevice.ini";
  p.SMARTRule_FilePath = "VK4620XT\\SmartAttr.ini";
  p.SMARTRule_SectionName = "VK4620XT";
  return p;
}

inline app::ControllerProfile NvmeProfile() {
  app::ControllerProfile p;
  p.Name = "VK4630";
  p.ECTableRule_FilePath = "VK4630\\IdentifyController.ini";
  p.SMARTRule_FilePath = "VK4630\\SmartHealthLog.ini";
  return p;
}

class PagesFixture : public ::testing::Test {
 protected:
  testsupport::TempDir dir;
  os::VirtualOs os;
  ui::HeadlessToolkit toolkit{os};
  ui::Application application{toolkit};
  app::RunContext ctx{os, dir.Str()};
  app::TUpdateDispaly form{application, ctx};
  std::vector<std::string> calls;
  ScriptedDriveTable drives;
  std::unique_ptr<info::InfoPages> pages = std::make_unique<info::InfoPages>(form, drives);

  // Adds an identified drive as the scan would list it; the first one is selected.
  ScriptedDrive& AddDrive(const std::string& name, bool nvme) {
    ScriptedDriveTable::Entry e;
    e.drive = std::make_unique<ScriptedDrive>(name, nvme, calls);
    e.profile = std::make_unique<app::ControllerProfile>(nvme ? NvmeProfile() : SataProfile());
    drives.entries.push_back(std::move(e));
    form.CMBB_DeviceList.AddItem(name);
    if (form.SelectedDevice < 0) {
      form.SelectedDevice = 0;
      form.CMBB_DeviceList.SetItemIndex(0);
    }
    return *drives.entries.back().drive;
  }
  app::SlotData& Data(int index) { return drives.Data(index); }

  void WriteRules(const std::string& relative, const std::string& text) {
    dir.Write(relative, text);
  }

  // Rows of LV_ShowData as caption + sub-items.
  std::vector<std::vector<std::string>> Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < form.LV_ShowData.ItemCount(); ++r) {
      const ui::ListItem& item = form.LV_ShowData.Item(r);
      std::vector<std::string> row{item.caption};
      row.insert(row.end(), item.subItems.begin(), item.subItems.end());
      rows.push_back(row);
    }
    return rows;
  }
  std::vector<std::string> ColumnCaptions() const {
    std::vector<std::string> c;
    for (int i = 0; i < form.LV_ShowData.ColumnCount(); ++i) {
      c.push_back(form.LV_ShowData.Column(i).caption);
    }
    return c;
  }
  std::vector<int> ColumnWidths() const {
    std::vector<int> w;
    for (int i = 0; i < form.LV_ShowData.ColumnCount(); ++i) {
      w.push_back(form.LV_ShowData.Column(i).width);
    }
    return w;
  }
};

}  // namespace infotest
