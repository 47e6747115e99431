// The state files a lab keeps beside lab.ini: a drive's state text parsed,
// printed and parsed again (the round trip must give the same state), then
// put in place of a drive's state file (and of the machine's) in a fresh lab
// that the tool starts up on.
//
// Input: a flags byte (bit 0: an NVMe drive; bit 1: the text is also the
// machine's state), then the state text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "lab/drives/drive_state.h"
#include "lab/drives/lab_drive_factory.h"
#include "lab/machine/state_files.h"
#include "lab_session.h"

namespace {

const char* const kSataLab =
    "[Machine]\nSystemDirectory=C:\\Windows\\system32\n\n"
    "[HostController0]\nPci=0:20.0\nPorts=10\n\n"
    "[Disk Fuzz]\nAttachment=sata\nController=VK4620XT\nModel=VKM SATA SSD VK4620XT 256GB\n"
    "Serial=VK20000000000000001\nFirmware=S0220A0\nCapacity=1GB\nFwTag=  B27A\nRetryTag=02\n"
    "Letters=E\n";
const char* const kNvmeLab =
    "[Machine]\nSystemDirectory=C:\\Windows\\system32\n\n"
    "[HostController0]\nPci=0:20.0\nPorts=10\n\n"
    "[Disk Fuzz]\nAttachment=nvme\nController=VK4630\nModel=VKM NVMe SSD VK4630 512GB\n"
    "Serial=VK30000000000000001\nFirmware=N0220A0\nCapacity=1GB\nPci=3:0.0\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader in(data, size);
  const uint8_t flags = in.Byte();
  const std::string text = in.RestText();

  const std::optional<lab::drives::DriveState> first = lab::drives::DriveState::Parse(text);
  if (first) {
    const std::string printed = first->Serialise();
    const std::optional<lab::drives::DriveState> second = lab::drives::DriveState::Parse(printed);
    FUZZ_CHECK(second.has_value());
    FUZZ_CHECK(*second == *first);
    FUZZ_CHECK(second->Serialise() == printed);
  }

  // The lab as a restart finds it: the state files are there before the machine.
  const std::string& dir = fuzz::FreshFolder();
  const std::string stateDir = dir + "/state";
  fuzz::WriteFile(stateDir + "/" + lab::StateFileStem("Disk Fuzz") + ".state", text);
  if ((flags & 2) != 0) fuzz::WriteFile(stateDir + "/machine.state", text);
  std::string error;
  const std::string labIni = (flags & 1) != 0 ? kNvmeLab : kSataLab;
  std::unique_ptr<lab::LabOs> os = lab::LabOs::Create(lab::ParseLabConfig(labIni), stateDir,
                                                      lab::drives::LabDriveFactory(), error);
  // A damaged state file still gives a usable drive.
  FUZZ_CHECK(os != nullptr);
  fuzz::SessionOptions options;
  options.visitPages = (flags & 4) != 0;
  FUZZ_CHECK(fuzz::RunSession(*os, options) <= 1);
  return 0;
}
