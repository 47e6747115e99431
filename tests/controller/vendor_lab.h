#pragma once
// A lab machine with the real drive models for the vendor-object flow tests,
// and the drives found on it by the discovery scan, as the tool sees them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/discovery/aspi_lib.h"
#include "device/discovery/scan_flags.h"
#include "lab/config/lab_config.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab/edge/lab_os.h"
#include "support/temp_dir.h"

namespace vendortest {

class VendorLab {
 public:
  explicit VendorLab(std::string ini) : ini_(std::move(ini)) { Start(); }

  // Builds the machine from the same folder again (a restart of the tool);
  // the drives keep what they saved.
  void Restart() {
    if (list_) list_->ReleaseAll();
    list_.reset();
    os_.reset();
    Start();
  }

  lab::LabOs& Os() { return *os_; }
  device::AspiLib& List() { return *list_; }

  // The listed drive with this serial number (identity strings of the scan).
  device::StorageDevice* BySerial(const std::string& serial) {
    for (int i = 0; i < list_->Count(); ++i)
      if (list_->Device(i).Serial() == serial) return &list_->Device(i);
    ADD_FAILURE() << "no listed drive with serial " << serial;
    return nullptr;
  }

 private:
  void Start() {
    std::string error;
    os_ = lab::LabOs::Create(lab::ParseLabConfig(ini_), dir_.Str() + "/state",
                             lab::drives::LabDriveFactory(), error);
    ASSERT_TRUE(os_) << error;
    list_ = std::make_unique<device::AspiLib>(*os_);
    const uint32_t flags = device::SCAN_ATA_BUS | device::SCAN_NVME_MINIPORT |
                           device::SCAN_NVME_BRIDGE | device::SCAN_NVME | device::SCAN_ATAPI;
    ASSERT_TRUE(list_->Scan(flags, 5, device::ScanSettings{}));
  }

  testsupport::TempDir dir_;
  std::string ini_;
  std::unique_ptr<lab::LabOs> os_;
  std::unique_ptr<device::AspiLib> list_;
};

}  // namespace controllertest
