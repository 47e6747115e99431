#pragma once
// The tool on a fresh lab machine, as the targets that go through whole flows
// need it: the demo tool folder (copied once per process, Setting.ini written
// per input), a headless main form with the scan and the pages plugged in,
// start-up (settings, scan, Device Info), then every information page and the
// update page. The invariants of what a user sees are checked on the way.
#include <cstdint>
#include <memory>
#include <string>

#include "lab/core/drive_factory.h"
#include "lab/edge/lab_os.h"

namespace fuzz {

struct SessionOptions {
  bool autoGenFlu = false;
  // Visit the SMART, Summary and Update pages after start-up.
  bool visitPages = true;
};

// The tool folder of this process: the build's demo tool folder, copied.
const std::string& ToolFolder();

// A lab machine from lab.ini text in a fresh folder; null when it cannot be
// built (the error is not a finding: lab.ini may be bad).
std::unique_ptr<lab::LabOs> FreshLab(const std::string& labIni, const lab::DriveFactory& factory);

// Runs start-up and the pages on `os`; aborts on a broken invariant. Returns
// the number of drives the scan listed.
int RunSession(lab::LabOs& os, const SessionOptions& options);

}  // namespace fuzz
