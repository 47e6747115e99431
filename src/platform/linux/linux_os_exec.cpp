// Starting programs on the Linux backend: the partitioning tool's script is
// run here on the machine's disks; the zero-range request on a disk handle.
#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "common/text.h"
#include "common/winpath.h"
#include "platform/linux/disk_zero.h"
#include "platform/linux/linux_diskpart.h"
#include "platform/linux/linux_open.h"
#include "platform/linux/linux_os.h"
#include "platform/request_buffer.h"
#include "platform/zero_data.h"

namespace os {
namespace {

bool IsDiskpart(const std::string& program) {
  const size_t slash = program.find_last_of("\\/");
  const std::string name =
      common::ToUpper(slash == std::string::npos ? program : program.substr(slash + 1));
  return name == "DISKPART" || name == "DISKPART.EXE";
}

}  // namespace

int LinuxOs::RunDiskpart(const std::string& commandLine) {
  const std::vector<std::string> args = common::Split(common::Trim(commandLine), ' ');
  if (args.empty() || !IsDiskpart(args[0])) return -1;
  std::string scriptPath;
  for (size_t i = 1; i + 1 < args.size(); ++i)
    if (common::EqualsNoCase(args[i], "/s")) scriptPath = args[i + 1];
  diskpartLog_.clear();
  // Read once into memory from a file only this user can have written; the
  // commands run from that copy.
  std::string script;
  const std::string why =
      scriptPath.empty() ? "no script" : linuxos::ReadDiskpartScript(
                                             common::ToNativePath(scriptPath), script);
  if (!why.empty()) {
    diskpartLog_.push_back("The script file " + scriptPath + " cannot be read: " + why + ".");
    return 1;
  }
  linuxos::DiskpartMachine m;
  m.disks = Disks();
  m.sysRoot = sysRoot_;
  m.devRoot = devRoot_;
  m.usage = Usage();
  linuxos::DiskpartOutcome outcome = linuxos::RunDiskpartScript(script, m);
  diskpartLog_ = std::move(outcome.log);
  for (const std::string& line : diskpartLog_) OutputDebugStringA("[DISKPART] " + line + "\n");
  return outcome.exitCode;
}

UINT LinuxOs::WinExec(const std::string& commandLine, UINT showCommand) {
  if (RunDiskpart(commandLine) >= 0) return 33;  // started; the tool reports its own errors
  return HostOs::WinExec(commandLine, showCommand);
}

bool LinuxOs::CreateProcessA(const std::string& commandLine, UINT showCommand,
                             PROCESS_INFORMATION* info) {
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const int exitCode = RunDiskpart(commandLine);
  if (exitCode < 0) return HostOs::CreateProcessA(commandLine, showCommand, info);
  *info = PROCESS_INFORMATION{};
  info->hProcess = AddEndedProcess(static_cast<DWORD>(exitCode));
  return info->hProcess != INVALID_HANDLE_VALUE;
}

bool LinuxOs::ZeroData(Open& o, void* in, DWORD inSize) {
  FILE_ZERO_DATA_INFORMATION z{};
  if (!LoadRequest(in, inSize, &z)) return Fail(ERROR_INVALID_PARAMETER);
  constexpr int64_t kSector = 512;
  if (z.FileOffset < 0 || z.BeyondFinalZero < z.FileOffset || z.FileOffset % kSector != 0 ||
      z.BeyondFinalZero % kSector != 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if ((::fcntl(o.fd, F_GETFL) & O_ACCMODE) == O_RDONLY) return Fail(ERROR_ACCESS_DENIED);
  if (WriteRefused(o, static_cast<uint64_t>(z.FileOffset),
                   static_cast<uint64_t>(z.BeyondFinalZero - z.FileOffset)))
    return false;
  const int rc = linuxos::ZeroRange(o.fd, static_cast<uint64_t>(z.FileOffset),
                                    static_cast<uint64_t>(z.BeyondFinalZero - z.FileOffset));
  if (rc == 0) return true;
  SetLastError(rc == EACCES || rc == EPERM || rc == EBADF ? ERROR_ACCESS_DENIED
               : rc == EINVAL                             ? ERROR_INVALID_PARAMETER
                                                          : ERROR_IO_DEVICE);
  return false;
}

}  // namespace os
