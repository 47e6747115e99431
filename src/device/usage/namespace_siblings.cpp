#include "device/usage/namespace_siblings.h"

#include "common/text.h"
#include "platform/scsi_pass_through.h"
#include "platform/win_file.h"

namespace device {

int DiskNumberOfName(const std::string& name) {
  const size_t prefix = std::char_traits<char>::length(kPhysicalDriveName);
  if (name.size() <= prefix || !common::EqualsNoCase(name.substr(0, prefix), kPhysicalDriveName))
    return -1;
  const std::string digits = name.substr(prefix);
  if (digits.size() > 4 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
  return std::stoi(digits);
}

bool DiskScsiAddress(os::Os& os, int diskNumber, ScsiAddressKey* out) {
  // Asking for the address needs no access rights, as on Windows.
  const os::HANDLE h = os.CreateFileA(common::Format("\\\\.\\PHYSICALDRIVE%d", diskNumber), 0,
                                      os::FILE_SHARE_READ | os::FILE_SHARE_WRITE, nullptr,
                                      os::OPEN_EXISTING, 0, nullptr);
  if (h == os::INVALID_HANDLE_VALUE) return false;
  os::SCSI_ADDRESS a{};
  a.Length = sizeof a;
  os::DWORD returned = 0;
  const bool ok =
      os.DeviceIoControl(h, os::IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &a, sizeof a, &returned);
  os.CloseHandle(h);
  if (!ok) return false;
  *out = {a.PortNumber, a.PathId, a.TargetId, a.Lun};
  return true;
}

std::vector<NamespaceDisk> SiblingNamespaces(os::Os& os, int diskNumber) {
  std::vector<NamespaceDisk> out;
  ScsiAddressKey own;
  if (!DiskScsiAddress(os, diskNumber, &own)) return out;
  for (int n = 0; n < kMaxPhysicalDrives; ++n) {
    ScsiAddressKey k;
    if (n == diskNumber || !DiskScsiAddress(os, n, &k)) continue;
    if (k.port == own.port && k.path == own.path && k.target == own.target && k.lun != own.lun)
      out.push_back({n, NamespaceIdOfLun(k.lun)});
  }
  return out;
}

}  // namespace device
