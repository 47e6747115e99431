#pragma once
// A lab machine built from lab.ini text in a fresh folder, with fake drives,
// for the lab's tests; and the reference machine most of them use.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "lab/edge/lab_os.h"
#include "lab/support/fake_drives.h"
#include "support/temp_dir.h"

namespace labtest {

// Every attachment once: a system SATA disk (C:), a second SATA disk (D:), an
// inbox NVMe disk, a miniport NVMe disk, a USB-SAT bridge on a Genesys hub, a
// USB-NVMe bridge on the root hub and a flash device on the Genesys hub.
extern const char kReferenceLab[];

class TestLab {
 public:
  explicit TestLab(const std::string& ini = kReferenceLab);
  // Builds the machine again from the same folder (a restart of the tool).
  void Restart();

  lab::LabOs& Os() { return *os_; }
  lab::LabMachine& Machine() { return os_->Machine(); }
  FakeFactory& Fakes() { return *fakes_; }
  const testsupport::TempDir& Dir() const { return dir_; }

 private:
  testsupport::TempDir dir_;
  std::string ini_;
  std::unique_ptr<FakeFactory> fakes_;
  std::unique_ptr<lab::LabOs> os_;
};

}  // namespace labtest
