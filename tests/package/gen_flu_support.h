#pragma once
// A lab machine of VK46xx drives and a tool folder for the update-file tests:
// drives found by the discovery scan and attached as the tool attaches them,
// package files written by hand, and the trace captured.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "config/settings/app_options.h"
#include "config/settings/controller_profile.h"
#include "device/discovery/aspi_lib.h"
#include "device/discovery/scan_flags.h"
#include "lab/config/lab_config.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab/edge/lab_os.h"
#include "package/generate/auto_gen_flu.h"
#include "support/temp_dir.h"
#include "controller/sata/vk4540lt.h"

namespace fwtest {

using Bytes = std::vector<uint8_t>;

// An ISP image of `size` bytes: byte i is (i * 7 + 3) & 0xFF, the 16-byte
// identity field at 0xEFF0.
inline Bytes HandImage(size_t size, const std::string& identity16) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>((i * 7 + 3) & 0xFF);
  for (size_t i = 0; i < identity16.size() && 0xEFF0 + i < size; ++i) {
    b[0xEFF0 + i] = static_cast<uint8_t>(identity16[i]);
  }
  return b;
}

// `size` bytes of `value`, or of (i + start) & 0xFF when value < 0.
inline Bytes Fill(size_t size, int value, int start = 0) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) {
    b[i] = static_cast<uint8_t>(value >= 0 ? value : (static_cast<int>(i) + start) & 0xFF);
  }
  return b;
}

inline std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

class GenFluLab {
 public:
  explicit GenFluLab(const std::string& labIni) {
    std::string error;
    os_ = lab::LabOs::Create(lab::ParseLabConfig(labIni), dir_.Str() + "/state",
                             lab::drives::LabDriveFactory(), error);
    if (!os_) {
      ADD_FAILURE() << error;
      return;
    }
    os_->Trace().SetCapture(true);
    list_ = std::make_unique<device::AspiLib>(*os_);
    const uint32_t flags = device::SCAN_ATA_BUS | device::SCAN_NVME_MINIPORT |
                           device::SCAN_NVME_BRIDGE | device::SCAN_NVME | device::SCAN_ATAPI;
    EXPECT_TRUE(list_->Scan(flags, 5, device::ScanSettings{}));
    std::filesystem::create_directories(dir_.Path() / "tool");
  }
  ~GenFluLab() {
    if (list_) list_->ReleaseAll();
  }

  lab::LabOs& Os() { return *os_; }
  device::AspiLib& List() { return *list_; }
  std::string Home() const { return dir_.Str() + "/tool"; }
  std::filesystem::path HomePath() const { return dir_.Path() / "tool"; }

  // The listed drive with this serial number, attached.
  controller::VK4540LT& Attach(const std::string& serial) {
    for (int i = 0; list_ && i < list_->Count(); ++i) {
      if (common::Trim(list_->Device(i).Serial()) == serial) {
        EXPECT_TRUE(hba_.Attach(&list_->Device(i))) << serial;
        return hba_;
      }
    }
    ADD_FAILURE() << "no drive " << serial;
    return hba_;
  }

  // A file of the tool folder (forward slashes), created with its folders.
  void Put(const std::string& relative, const Bytes& data) const {
    const auto p = HomePath() / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
  }
  void PutText(const std::string& relative, const std::string& text) const {
    Put(relative, Bytes(text.begin(), text.end()));
  }
  Bytes Get(const std::string& relative) const {
    std::ifstream in(HomePath() / relative, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(HomePath() / relative);
  }
  // Every file below the tool folder, relative, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(HomePath())) {
      if (e.is_regular_file()) out.push_back(e.path().lexically_relative(HomePath()).string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  firmware::GenFluResult Generate(controller::VK4540LT& drive, const std::string& currentFw,
                                  int step = 0) {
    const firmware::GenFluContext ctx{*os_,    Home(),  options,   updateFiles,
                                      profile, "Model", currentFw, comboIndex};
    return firmware::DoAutoGenFlu(ctx, drive, step);
  }
  bool Traced(const std::string& text) const { return os_->Trace().Contains(text); }

  app::AppOptions options;
  app::UpdateFileTable updateFiles;
  app::ControllerProfile profile;
  int comboIndex = -1;

 private:
  testsupport::TempDir dir_;
  std::unique_ptr<lab::LabOs> os_;
  std::unique_ptr<device::AspiLib> list_;
  controller::VK4540LT hba_;
};

}  // namespace fwtest
