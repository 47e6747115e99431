#include "device/usage/disk_use.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "common/text.h"
#include "device/usage/volume_extents.h"
#include "platform/volume.h"
#include "platform/win_file.h"

namespace device {
namespace {

constexpr char kFirstLetter = 'C';  // A: and B: are never disks
constexpr char kLastLetter = 'Z';
constexpr uint32_t kSystemDirectoryBuffer = 260;

// A volume handle, closed on every path.
class VolumeHandle {
 public:
  VolumeHandle(os::Os& os, char letter) : os_(os) {
    h_ = os_.CreateFileA(common::Format("\\\\.\\%c:", letter), os::GENERIC_READ | os::GENERIC_WRITE,
                         os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, nullptr, os::OPEN_EXISTING,
                         0, nullptr);
  }
  ~VolumeHandle() {
    if (h_ != os::INVALID_HANDLE_VALUE) os_.CloseHandle(h_);
  }
  VolumeHandle(const VolumeHandle&) = delete;
  VolumeHandle& operator=(const VolumeHandle&) = delete;
  bool IsOpen() const { return h_ != os::INVALID_HANDLE_VALUE; }
  os::HANDLE get() const { return h_; }

 private:
  os::Os& os_;
  os::HANDLE h_;
};

char SystemLetter(os::Os& os) {
  char directory[kSystemDirectoryBuffer] = {};
  const os::UINT length = os.GetSystemDirectoryA(directory, sizeof directory);
  if (length == 0 || length >= sizeof directory) return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(directory[0])));
}

// Locking is how a volume's users show: a volume nobody holds can be
// locked (and is let go at once); one with open files or a mount cannot.
bool Lockable(os::Os& os, os::HANDLE volume) {
  os::DWORD returned = 0;
  if (!os.DeviceIoControl(volume, os::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned))
    return false;
  os.DeviceIoControl(volume, os::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned);
  return true;
}

}  // namespace

DiskUse QueryDiskUse(os::Os& os, int diskNumber) {
  DiskUse use;
  if (diskNumber < 0) return use;
  const char system = SystemLetter(os);
  const os::DWORD bits = os.GetLogicalDrives();
  for (char letter = kFirstLetter; letter <= kLastLetter; ++letter) {
    if (!(bits & (os::DWORD{1} << (letter - 'A')))) continue;
    const VolumeHandle volume(os, letter);
    if (!volume.IsOpen()) continue;
    const std::optional<std::vector<int>> disks = ReadVolumeDiskNumbers(os, volume.get());
    if (!disks || std::find(disks->begin(), disks->end(), diskNumber) == disks->end()) continue;
    if (letter == system) {
      use.systemDisk = true;
      continue;
    }
    if (!Lockable(os, volume.get())) use.users.push_back(os.VolumeUseText(letter, diskNumber));
  }
  return use;
}

std::string DiskUseRefusal(const std::string& name, const DiskUse& use) {
  if (use.systemDisk) return name + " holds the running system";
  if (!use.InUse()) return "";
  std::string text = name + " is in use: ";
  for (size_t i = 0; i < use.users.size(); ++i) {
    if (i > 0) text += ", ";
    text += use.users[i];
  }
  return text;
}

}  // namespace device
