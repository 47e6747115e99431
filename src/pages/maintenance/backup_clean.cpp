#include "pages/maintenance/backup_clean.h"

#include <vector>

#include "common/text.h"
#include "common/whole_file.h"
#include "device/usage/disk_use.h"

namespace maintenance {
namespace {

// Closes the process handle however the wait ends.
class ProcessHandle {
 public:
  ProcessHandle(os::Os& os, os::HANDLE h) : os_(os), h_(h) {}
  ~ProcessHandle() {
    if (h_ != nullptr && h_ != os::INVALID_HANDLE_VALUE) os_.CloseHandle(h_);
  }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  os::HANDLE get() const { return h_; }

 private:
  os::Os& os_;
  os::HANDLE h_;
};

}  // namespace

std::string CleanScript(uint32_t diskNumber) {
  return common::Format(
      "RESCAN\r\nSELECT DISK %u\r\nATTRIBUTES DISK CLEAR READONLY\r\nCLEAN\r\nEXIT\r\n",
      diskNumber);
}

std::string CleanDestination(os::Os& os, uint32_t diskNumber) {
  // The last look before the disk is wiped; nothing is unmounted for it.
  const std::string held = device::DiskUseRefusal(
      common::Format("PHYSICALDRIVE%u", diskNumber),
      device::QueryDiskUse(os, static_cast<int>(diskNumber & 0x7FFFFFFFu)));
  if (!held.empty()) return held + "; the Destination Disk was not cleaned.";
  const std::string script = CleanScript(diskNumber);
  if (!common::WriteFileWhole(kCleanScriptName,
                              std::vector<uint8_t>(script.begin(), script.end()))) {
    return "The disk partitioning script diskpart.txt cannot be written in the current folder; "
           "the Destination Disk was not cleaned.";
  }
  os::PROCESS_INFORMATION pi{};
  if (!os.CreateProcessA(kCleanCommand, os::SW_HIDE, &pi)) {
    return common::Format(
        "The disk partitioning tool cannot be started (error %u); the Destination Disk was not "
        "cleaned.",
        os.GetLastError());
  }
  ProcessHandle process(os, pi.hProcess);
  const os::DWORD wait = os.WaitForSingleObject(process.get(), kCleanWaitMs);
  if (wait == os::WAIT_TIMEOUT) {
    return common::Format(
        "The disk partitioning tool did not finish cleaning the Destination Disk within %u "
        "seconds; nothing was copied.",
        kCleanWaitMs / 1000);
  }
  os::DWORD exitCode = 0;
  if (wait != os::WAIT_OBJECT_0 || !os.GetExitCodeProcess(process.get(), &exitCode)) {
    return "The disk partitioning tool could not be waited for; nothing was copied.";
  }
  if (exitCode != 0) {
    return common::Format(
        "The disk partitioning tool could not clean the Destination Disk (exit code %u); nothing "
        "was copied.",
        exitCode);
  }
  return "";
}

}  // namespace maintenance
