#include "platform/linux/linux_diskpart.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/str_to_int.h"
#include "common/text.h"
#include "common/unique_fd.h"
#include "platform/linux/disk_zero.h"

namespace os::linuxos {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (const std::string& w : common::Split(common::Trim(line), ' '))
    if (!w.empty()) words.push_back(common::ToUpper(w));
  return words;
}

bool ClearAreas(const std::string& path, std::string& why) {
  // O_EXCL on a block device fails while anything holds it mounted.
  common::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_EXCL));
  if (fd.Get() < 0) {
    why = std::strerror(errno);
    return false;
  }
  uint64_t size = 0;
  if (::ioctl(fd.Get(), BLKGETSIZE64, &size) != 0) {
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
      why = std::strerror(errno);
      return false;
    }
    size = static_cast<uint64_t>(st.st_size);
  }
  const uint64_t head = std::min(size, kCleanAreaBytes);
  int rc = WriteZeros(fd.Get(), 0, head);
  if (rc == 0 && size > head) {
    const uint64_t tail = std::min(size - head, kCleanAreaBytes);
    rc = WriteZeros(fd.Get(), size - tail, tail);
  }
  if (rc == 0 && ::fsync(fd.Get()) != 0) rc = errno;
  if (rc != 0) {
    why = std::strerror(rc);
    return false;
  }
  ::ioctl(fd.Get(), BLKRRPART);  // the disk now has no partitions; a busy disk says so later
  return true;
}

}  // namespace

std::string ReadDiskpartScript(const std::string& path, std::string& script) {
  script.clear();
  common::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (fd.Get() < 0) return std::strerror(errno);
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return "not an ordinary file";
  // Group write is left to the user's umask (a private group is common).
  if (st.st_uid != ::geteuid() || (st.st_mode & S_IWOTH) != 0) {
    return "another user could have written it";
  }
  if (st.st_size > static_cast<off_t>(kMaxDiskpartScriptBytes)) return "too long";
  script.resize(kMaxDiskpartScriptBytes + 1);
  size_t got = 0;
  while (got < script.size()) {
    const ssize_t n = ::read(fd.Get(), script.data() + got, script.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::strerror(errno);
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > kMaxDiskpartScriptBytes) return "too long";
  script.resize(got);
  return "";
}

bool IsListedDisk(int fd, const std::string& name, const DiskpartMachine& m) {
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) return false;
  // A regular file standing in for a disk (the tests' machines) has no
  // device number to compare.
  if (S_ISREG(st.st_mode)) return true;
  if (!S_ISBLK(st.st_mode)) return false;
  std::ifstream in(m.sysRoot + "/block/" + name + "/dev");
  std::string dev;
  if (!std::getline(in, dev)) return false;
  const size_t colon = dev.find(':');
  if (colon == std::string::npos) return false;
  const int32_t major = common::StrToIntDef(dev.substr(0, colon), -1);
  const int32_t minor = common::StrToIntDef(common::Trim(dev.substr(colon + 1)), -1);
  return major >= 0 && minor >= 0 && ::major(st.st_rdev) == static_cast<unsigned>(major) &&
         ::minor(st.st_rdev) == static_cast<unsigned>(minor);
}

bool IsPartitionOf(const std::string& partition, const std::string& disk) {
  if (partition.size() <= disk.size() || partition.compare(0, disk.size(), disk) != 0) return false;
  std::string rest = partition.substr(disk.size());
  // A disk whose name ends in a digit numbers its partitions after a 'p'.
  if (!disk.empty() && std::isdigit(static_cast<unsigned char>(disk.back()))) {
    if (rest.front() != 'p') return false;
    rest.erase(0, 1);
  }
  return !rest.empty() && std::all_of(rest.begin(), rest.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

std::string CleanRefusal(int drive, const DiskpartMachine& m) {
  return m.usage.DriveRefusal(drive);
}

DiskpartOutcome RunDiskpartScript(const std::string& script, const DiskpartMachine& m) {
  DiskpartOutcome out;
  auto fail = [&out](const std::string& line) {
    out.log.push_back(line);
    out.exitCode = 1;
    return out;
  };
  const SysfsDisk* selected = nullptr;
  int selectedDrive = -1;
  for (const std::string& line : common::Split(script, '\n')) {
    const std::vector<std::string> w = Words(line);
    if (w.empty() || w[0] == "REM") continue;
    if (w[0] == "EXIT") break;
    if (w[0] == "RESCAN") {
      for (const SysfsDisk& d : m.disks) {
        common::UniqueFd fd(::open((m.devRoot + "/" + d.name).c_str(), O_RDONLY | O_CLOEXEC));
        // A disk in use keeps its table; the others are read again.
        if (fd.Get() >= 0) ::ioctl(fd.Get(), BLKRRPART);
      }
      out.log.push_back("RESCAN: done");
      continue;
    }
    if (w.size() == 3 && w[0] == "SELECT" && w[1] == "DISK") {
      const int32_t n = common::StrToIntDef(w[2], -1);
      if (n < 0 || static_cast<size_t>(n) >= m.disks.size()) {
        return fail("SELECT DISK " + w[2] + ": no such disk");
      }
      selected = &m.disks[static_cast<size_t>(n)];
      selectedDrive = n;
      out.log.push_back("SELECT DISK " + w[2] + ": selected");
      continue;
    }
    if (w.size() == 4 && w[0] == "ATTRIBUTES" && w[1] == "DISK" && w[2] == "CLEAR" &&
        w[3] == "READONLY" && selected != nullptr) {
      // A disk in use or the system disk keeps its read-only flag, as it
      // keeps its partitions; and only the disk listed under that name is
      // made writable.
      const std::string refusal = CleanRefusal(selectedDrive, m);
      if (!refusal.empty()) return fail("ATTRIBUTES DISK: refused, " + refusal);
      common::UniqueFd fd(::open((m.devRoot + "/" + selected->name).c_str(), O_RDONLY | O_CLOEXEC));
      if (fd.Get() >= 0 && !IsListedDisk(fd.Get(), selected->name, m)) {
        return fail("ATTRIBUTES DISK: refused, /dev/" + selected->name +
                    " is no longer the disk that was listed");
      }
      int readOnly = 0;
      if (fd.Get() >= 0) ::ioctl(fd.Get(), BLKROSET, &readOnly);  // a file has no such flag
      out.log.push_back("ATTRIBUTES DISK: done");
      continue;
    }
    if (w.size() == 1 && w[0] == "CLEAN" && selected != nullptr) {
      const std::string refusal = CleanRefusal(selectedDrive, m);
      if (!refusal.empty()) return fail("CLEAN: refused, " + refusal);
      std::string why;
      if (!ClearAreas(m.devRoot + "/" + selected->name, why)) {
        return fail("CLEAN: the disk could not be written: " + why);
      }
      out.log.push_back("CLEAN: done");
      continue;
    }
    return fail(common::Trim(line) + ": not understood");
  }
  return out;
}

}  // namespace os::linuxos
