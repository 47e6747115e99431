// The partitioning tool as the lab runs it: the script commands the tool
// sends (rescan, select a disk, clear its read-only flag, clean it) take
// effect on the lab's disks at once.
#include <algorithm>
#include <vector>

#include "common/str_to_int.h"
#include "common/text.h"
#include "common/winpath.h"
#include "lab/edge/lab_os.h"
#include "lab/machine/state_files.h"

namespace lab {
namespace {

constexpr uint64_t kCleanBytes = 1u << 20;  // partition tables live in the first and last MiB
constexpr size_t kMaxScriptBytes = 64 * 1024;

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (const std::string& w : common::Split(common::Trim(line), ' '))
    if (!w.empty()) words.push_back(common::ToUpper(w));
  return words;
}

bool IsDiskpart(const std::string& program) {
  std::string name = program.substr(
      program.find_last_of("\\/") == std::string::npos ? 0 : program.find_last_of("\\/") + 1);
  name = common::ToUpper(name);
  return name == "DISKPART" || name == "DISKPART.EXE";
}

}  // namespace

os::UINT LabOs::WinExec(const std::string& commandLine, os::UINT showCommand) {
  const std::vector<std::string> args = common::Split(common::Trim(commandLine), ' ');
  if (args.empty() || !IsDiskpart(args[0])) return os::VirtualOs::WinExec(commandLine, showCommand);
  for (size_t i = 1; i + 1 < args.size(); ++i) {
    if (common::EqualsNoCase(args[i], "/s")) RunDiskpartScript(args[i + 1]);
  }
  return 33;  // started; the tool itself reports its own errors
}

void LabOs::RunDiskpartScript(const std::string& scriptPath) {
  const auto script = ReadSmallFile(common::ToNativePath(scriptPath), kMaxScriptBytes);
  if (!script) {
    diskpartLog_.push_back("The script file " + scriptPath + " cannot be read.");
    return;
  }
  LabDisk* selected = nullptr;
  for (const std::string& line : common::Split(*script, '\n')) {
    const std::vector<std::string> w = Words(line);
    if (w.empty() || w[0] == "REM") continue;
    if (w[0] == "EXIT") break;
    if (w[0] == "RESCAN") {
      diskpartLog_.push_back("RESCAN: done");
      continue;
    }
    if (w.size() == 3 && w[0] == "SELECT" && w[1] == "DISK") {
      const int32_t n = common::StrToIntDef(w[2], -1);
      selected = n < 0 ? nullptr : machine_->DiskByNumber(static_cast<uint32_t>(n));
      if (selected == nullptr) {
        diskpartLog_.push_back("SELECT DISK " + w[2] + ": no such disk");
        return;  // a script stops at its first error
      }
      diskpartLog_.push_back("SELECT DISK " + w[2] + ": selected");
      continue;
    }
    if (w.size() == 4 && w[0] == "ATTRIBUTES" && w[1] == "DISK" && selected != nullptr) {
      diskpartLog_.push_back("ATTRIBUTES DISK: done");
      continue;
    }
    if (w[0] == "CLEAN" && selected != nullptr) {
      for (const Volume& v : machine_->Volumes()) {
        const bool onDisk = std::find(v.disks.begin(), v.disks.end(), selected) != v.disks.end();
        if (onDisk && v.present && v.system) {
          diskpartLog_.push_back("CLEAN: not allowed on the disk holding the system volume");
          return;
        }
      }
      Media& m = selected->GetMedia();
      const uint64_t sectors = std::min<uint64_t>(kCleanBytes / m.SectorSize(), m.SectorCount());
      const std::vector<uint8_t> zeros(sectors * m.SectorSize(), 0);
      const bool ok =
          m.Write(0, static_cast<uint32_t>(sectors), zeros.data()) &&
          m.Write(m.SectorCount() - sectors, static_cast<uint32_t>(sectors), zeros.data());
      machine_->RemoveVolumesOf(*selected);
      diskpartLog_.push_back(ok ? "CLEAN: done" : "CLEAN: the disk could not be written");
      if (!ok) return;
      continue;
    }
    diskpartLog_.push_back(common::Trim(line) + ": not understood");
    return;
  }
}

}  // namespace lab
