#pragma once
// Opening the lab named on the command line (--lab DIR|demo).
//
//   OpenLab("demo", error)   the built-in demo lab: several drives of every kind
//                            and attachment, created on first use in the demo
//                            folder (DemoLabFolder) and kept there, so firmware
//                            updates and erases survive a restart;
//   OpenLab(dir, error)      a folder holding lab.ini (README.md beside this file
//                            describes the format); drive state is kept in
//                            dir/state.
//
// Null with `error` set (every problem of lab.ini, one per line) when the lab
// cannot be opened. The returned LabOs runs on virtual time.
#include <memory>
#include <string>

#include "lab/core/drive_factory.h"
#include "lab/edge/lab_os.h"

namespace lab {

std::unique_ptr<LabOs> OpenLab(const std::string& dirOrDemo, std::string& error);
// The same with other drive models (tests use their own).
std::unique_ptr<LabOs> OpenLab(const std::string& dirOrDemo, const DriveFactory& factory,
                               std::string& error);

// The drive models of src/lab/drives.
DriveFactory DefaultDriveFactory();

// Where the demo lab lives: $SSDTOOLS_DEMO_LAB, else
// $XDG_STATE_HOME/ssdtools/demo-lab, else ~/.local/state/ssdtools/demo-lab;
// "" without any of them (a shared temporary folder is never used).
std::string DemoLabFolder();

// The demo lab's lab.ini: src/lab/demo/demo_lab.ini, compiled into the tool.
const char* DemoLabIni();

// Writes the demo lab into `folder` unless the lab.ini there is already the
// current demo. A missing folder is created (mode 0700), an empty one taken
// over; any other folder must be one the demo made (it keeps a marker file
// there), owned by this user and closed to others, or it is refused with
// `error` set. An older demo is replaced: only the files its lab wrote into
// state/ are deleted.
bool EnsureDemoLab(const std::string& folder, std::string& error);

}  // namespace lab
