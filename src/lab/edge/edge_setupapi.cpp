// Device information sets, device nodes and token privileges, answered from
// the lab machine's device tree the way SetupAPI, the configuration manager
// and the security calls answer them.
#include <algorithm>
#include <cstring>

#include "common/text.h"
#include "lab/edge/lab_os.h"
#include "platform/setupapi.h"

namespace lab {
namespace {

constexpr os::DWORD kErrorInvalidUserBuffer = 1784;
constexpr os::DWORD kSpintActive = 0x1;
// The disk drive setup class: {4D36E967-E325-11CE-BFC1-08002BE10318}.
constexpr os::GUID kDiskDriveClass = {
    0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

struct Privilege {
  const char* name;
  os::DWORD luid;
  bool standardUser;  // held without elevation
};
constexpr Privilege kPrivileges[] = {
    {"SeSecurityPrivilege", 8, false},     {"SeTakeOwnershipPrivilege", 9, false},
    {"SeLoadDriverPrivilege", 10, false},  {"SeSystemtimePrivilege", 12, false},
    {"SeBackupPrivilege", 17, false},      {"SeRestorePrivilege", 18, false},
    {"SeShutdownPrivilege", 19, true},     {"SeDebugPrivilege", 20, false},
    {"SeChangeNotifyPrivilege", 23, true}, {"SeManageVolumePrivilege", 28, false},
};
// More entries than Windows has privileges is not a request it accepts.
constexpr os::DWORD kMaxPrivilegeEntries = 36;

// A registry value as SetupAPI and CM return it: text, a list of texts, or a
// number; nothing when the node has no such value.
struct RegValue {
  os::DWORD type = 0;
  std::vector<uint8_t> bytes;
};

std::optional<RegValue> PropertyOf(const DevNode& n, os::DWORD spdrp) {
  auto text = [](const std::string& s, bool multi) {
    RegValue v{multi ? os::REG_MULTI_SZ : os::REG_SZ, std::vector<uint8_t>(s.begin(), s.end())};
    v.bytes.push_back(0);
    if (multi) v.bytes.push_back(0);
    return v;
  };
  switch (spdrp) {
    case os::SPDRP_DEVICEDESC:
      if (n.description.empty()) return std::nullopt;
      return text(n.description, false);
    case os::SPDRP_HARDWAREID:
      if (n.hardwareId.empty()) return std::nullopt;
      return text(n.hardwareId, true);
    case os::SPDRP_LOCATION_INFORMATION:
      if (n.location.empty()) return std::nullopt;
      return text(n.location, false);
    case os::SPDRP_ADDRESS: {
      if (!n.address) return std::nullopt;
      RegValue v{os::REG_DWORD, std::vector<uint8_t>(4, 0)};
      std::memcpy(v.bytes.data(), &*n.address, 4);
      return v;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

// --- Device information sets --------------------------------------------------------

os::HDEVINFO LabOs::SetupDiGetClassDevsA(const os::GUID* classGuid, const char* /*enumerator*/,
                                         os::DWORD flags) {
  if (classGuid == nullptr && !(flags & os::DIGCF_ALLCLASSES)) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return os::INVALID_HANDLE_VALUE;
  }
  OpenHandle h;
  h.kind = HandleKind::kDeviceSet;
  h.diskInterfaceSet = classGuid != nullptr && (flags & os::DIGCF_DEVICEINTERFACE) &&
                       *classGuid == os::GUID_DEVINTERFACE_DISK;
  return NewHandle(h);
}

bool LabOs::SetupDiDestroyDeviceInfoList(os::HDEVINFO set) {
  const auto it = handles_.find(os::HandleValue(set));
  if (it == handles_.end() || it->second.kind != HandleKind::kDeviceSet) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  handles_.erase(it);
  return true;
}

bool LabOs::SetupDiEnumDeviceInfo(os::HDEVINFO set, os::DWORD index, os::SP_DEVINFO_DATA* data) {
  OpenHandle* h = Find(set);
  if (h == nullptr || h->kind != HandleKind::kDeviceSet) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  if (data == nullptr || data->cbSize != sizeof(os::SP_DEVINFO_DATA)) {
    SetLastError(kErrorInvalidUserBuffer);
    return false;
  }
  const auto& disks = machine_->Disks();
  if (!h->diskInterfaceSet || index >= disks.size()) {
    SetLastError(os::ERROR_NO_MORE_ITEMS);
    return false;
  }
  data->ClassGuid = kDiskDriveClass;
  data->DevInst = disks[index]->DevInst();
  data->Reserved = index + 1;
  return true;
}

bool LabOs::SetupDiEnumDeviceInterfaces(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                        const os::GUID* interfaceClass, os::DWORD index,
                                        os::SP_DEVICE_INTERFACE_DATA* data) {
  OpenHandle* h = Find(set);
  if (h == nullptr || h->kind != HandleKind::kDeviceSet) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  if (data == nullptr || data->cbSize != sizeof(os::SP_DEVICE_INTERFACE_DATA) ||
      interfaceClass == nullptr) {
    SetLastError(kErrorInvalidUserBuffer);
    return false;
  }
  const auto& disks = machine_->Disks();
  // With a member given, only that member's interfaces count.
  std::vector<size_t> members;
  for (size_t i = 0; i < disks.size(); ++i) {
    if (devInfo == nullptr || devInfo->DevInst == disks[i]->DevInst()) members.push_back(i);
  }
  if (!h->diskInterfaceSet || !(*interfaceClass == os::GUID_DEVINTERFACE_DISK) ||
      index >= members.size()) {
    SetLastError(os::ERROR_NO_MORE_ITEMS);
    return false;
  }
  data->InterfaceClassGuid = os::GUID_DEVINTERFACE_DISK;
  data->Flags = kSpintActive;
  data->Reserved = members[index] + 1;
  return true;
}

bool LabOs::SetupDiGetDeviceInterfaceDetailA(os::HDEVINFO set, os::SP_DEVICE_INTERFACE_DATA* data,
                                             os::SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                             os::DWORD detailSize, os::DWORD* requiredSize,
                                             os::SP_DEVINFO_DATA* devInfo) {
  OpenHandle* h = Find(set);
  if (h == nullptr || h->kind != HandleKind::kDeviceSet) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  const auto& disks = machine_->Disks();
  if (data == nullptr || data->cbSize != sizeof(os::SP_DEVICE_INTERFACE_DATA) ||
      !h->diskInterfaceSet || data->Reserved == 0 || data->Reserved > disks.size()) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  const LabDisk& disk = *disks[data->Reserved - 1];
  constexpr size_t kPathAt = offsetof(os::SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
  const std::string& path = disk.InterfacePath();
  const auto needed = static_cast<os::DWORD>(kPathAt + path.size() + 1);
  if (requiredSize != nullptr) *requiredSize = needed;
  if (detail == nullptr) {
    SetLastError(detailSize == 0 ? os::ERROR_INSUFFICIENT_BUFFER : kErrorInvalidUserBuffer);
    return false;
  }
  if (detail->cbSize != sizeof(os::SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    SetLastError(kErrorInvalidUserBuffer);
    return false;
  }
  if (detailSize < needed) {
    SetLastError(os::ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  std::memcpy(static_cast<char*>(static_cast<void*>(detail)) + kPathAt, path.c_str(),
              path.size() + 1);
  if (devInfo != nullptr) {
    if (devInfo->cbSize != sizeof(os::SP_DEVINFO_DATA)) {
      SetLastError(kErrorInvalidUserBuffer);
      return false;
    }
    devInfo->ClassGuid = kDiskDriveClass;
    devInfo->DevInst = disk.DevInst();
    devInfo->Reserved = data->Reserved;
  }
  return true;
}

bool LabOs::SetupDiGetDeviceInstanceIdA(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                        char* buffer, os::DWORD bufferSize,
                                        os::DWORD* requiredSize) {
  OpenHandle* h = Find(set);
  if (h == nullptr || h->kind != HandleKind::kDeviceSet) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  const DevNode* node = devInfo != nullptr && devInfo->cbSize == sizeof(os::SP_DEVINFO_DATA)
                            ? machine_->Devices().Find(devInfo->DevInst)
                            : nullptr;
  if (node == nullptr) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  const auto needed = static_cast<os::DWORD>(node->instanceId.size() + 1);
  if (requiredSize != nullptr) *requiredSize = needed;
  if (buffer == nullptr || bufferSize < needed) {
    SetLastError(os::ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  std::memcpy(buffer, node->instanceId.c_str(), needed);
  return true;
}

bool LabOs::SetupDiGetDeviceRegistryPropertyA(os::HDEVINFO set, os::SP_DEVINFO_DATA* devInfo,
                                              os::DWORD property, os::DWORD* regDataType,
                                              os::BYTE* buffer, os::DWORD bufferSize,
                                              os::DWORD* requiredSize) {
  OpenHandle* h = Find(set);
  if (h == nullptr || h->kind != HandleKind::kDeviceSet) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  const DevNode* node = devInfo != nullptr && devInfo->cbSize == sizeof(os::SP_DEVINFO_DATA)
                            ? machine_->Devices().Find(devInfo->DevInst)
                            : nullptr;
  if (node == nullptr) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  const std::optional<RegValue> v = PropertyOf(*node, property);
  if (!v) {
    SetLastError(os::ERROR_INVALID_DATA);
    return false;
  }
  if (regDataType != nullptr) *regDataType = v->type;
  if (requiredSize != nullptr) *requiredSize = static_cast<os::DWORD>(v->bytes.size());
  if (buffer == nullptr || bufferSize < v->bytes.size()) {
    SetLastError(os::ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  std::memcpy(buffer, v->bytes.data(), v->bytes.size());
  return true;
}

// --- Device nodes ---------------------------------------------------------------------

os::CONFIGRET LabOs::CM_Get_Parent(os::DEVINST* parent, os::DEVINST devInst, os::ULONG /*flags*/) {
  if (parent == nullptr) return os::CR_INVALID_POINTER;
  *parent = 0;
  const DevNode* node = machine_->Devices().Find(devInst);
  if (node == nullptr) return os::CR_INVALID_DEVNODE;
  if (node->parent == 0) return os::CR_NO_SUCH_DEVNODE;
  *parent = node->parent;
  return os::CR_SUCCESS;
}

os::CONFIGRET LabOs::CM_Get_DevNode_Registry_PropertyA(os::DEVINST devInst, os::ULONG property,
                                                       os::ULONG* regDataType, void* buffer,
                                                       os::ULONG* length, os::ULONG /*flags*/) {
  if (length == nullptr) return os::CR_INVALID_POINTER;
  const DevNode* node = machine_->Devices().Find(devInst);
  if (node == nullptr) return os::CR_INVALID_DEVNODE;
  // The CM_DRP_ numbers are the SPDRP_ ones plus one.
  const std::optional<RegValue> v = property == 0 ? std::nullopt : PropertyOf(*node, property - 1);
  if (!v) {
    *length = 0;
    return os::CR_NO_SUCH_VALUE;
  }
  if (regDataType != nullptr) *regDataType = v->type;
  const os::ULONG room = *length;
  *length = static_cast<os::ULONG>(v->bytes.size());
  if (buffer == nullptr || room < v->bytes.size()) return os::CR_BUFFER_SMALL;
  std::memcpy(buffer, v->bytes.data(), v->bytes.size());
  return os::CR_SUCCESS;
}

// --- Privileges -------------------------------------------------------------------------

bool LabOs::OpenProcessToken(os::HANDLE process, os::DWORD /*desiredAccess*/, os::HANDLE* token) {
  if (token == nullptr) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  *token = os::INVALID_HANDLE_VALUE;
  if (process != os::INVALID_HANDLE_VALUE) {  // only the running process's pseudo handle
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  OpenHandle h;
  h.kind = HandleKind::kToken;
  *token = NewHandle(h);
  return true;
}

bool LabOs::LookupPrivilegeValueA(const char* /*systemName*/, const char* name, os::LUID* luid) {
  if (name == nullptr || luid == nullptr) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  for (const Privilege& p : kPrivileges) {
    if (common::EqualsNoCase(p.name, name)) {
      luid->LowPart = p.luid;
      luid->HighPart = 0;
      return true;
    }
  }
  SetLastError(os::ERROR_NO_SUCH_PRIVILEGE);
  return false;
}

bool LabOs::AdjustTokenPrivileges(os::HANDLE token, bool disableAllPrivileges,
                                  os::TOKEN_PRIVILEGES* newState, os::DWORD /*bufferLength*/,
                                  os::TOKEN_PRIVILEGES* /*previousState*/,
                                  os::DWORD* returnLength) {
  OpenHandle* h = Find(token);
  if (h == nullptr || h->kind != HandleKind::kToken) {
    SetLastError(os::ERROR_INVALID_HANDLE);
    return false;
  }
  if (returnLength != nullptr) *returnLength = 0;
  if (disableAllPrivileges) {
    SetLastError(os::ERROR_SUCCESS);
    return true;
  }
  if (newState == nullptr || newState->PrivilegeCount > kMaxPrivilegeEntries) {
    SetLastError(os::ERROR_INVALID_PARAMETER);
    return false;
  }
  // Windows reads as many entries as the record says it holds.
  const bool admin = machine_->Config().machine.privilegesGranted;
  bool allAssigned = true;
  const auto* entries = static_cast<const uint8_t*>(static_cast<const void*>(newState)) +
                        offsetof(os::TOKEN_PRIVILEGES, Privileges);
  for (os::DWORD i = 0; i < newState->PrivilegeCount; ++i) {
    os::LUID_AND_ATTRIBUTES e{};
    std::memcpy(&e, entries + i * sizeof e, sizeof e);
    const Privilege* p = nullptr;
    for (const Privilege& k : kPrivileges)
      if (k.luid == e.Luid.LowPart && e.Luid.HighPart == 0) p = &k;
    if (p == nullptr || !(admin || p->standardUser)) allAssigned = false;
  }
  // It succeeds either way; the error tells whether every privilege was held.
  SetLastError(allAssigned ? os::ERROR_SUCCESS : os::ERROR_NOT_ALL_ASSIGNED);
  return true;
}

}  // namespace lab
