#include "device/enumeration/usb_hub_walk.h"

#include <cstddef>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "device/core/fixed_text.h"
#include "device/enumeration/location_text.h"
#include "platform/usbioctl.h"

namespace device {
namespace {

constexpr os::DWORD kNameBufferSize = 516;
constexpr os::DWORD kNodeInfoSize = sizeof(os::USB_NODE_INFORMATION);  // 76
constexpr os::DWORD kConnectionInfoSize = 388;
constexpr os::DWORD kConnectionNameSize = 520;
constexpr os::DWORD kDescriptorRequestSize = 2060;
constexpr size_t kMaxHubNameChars = 252;
constexpr size_t kMaxSerialChars = 64;
constexpr uint16_t kStringRequestLength = 255;
constexpr uint16_t kLanguageRequestLength = 4;

using ConnInfo = os::USB_NODE_CONNECTION_INFORMATION;
constexpr size_t kDescriptor = offsetof(ConnInfo, DeviceDescriptor);
constexpr size_t kIdVendor = kDescriptor + offsetof(os::USB_DEVICE_DESCRIPTOR, idVendor);
constexpr size_t kIdProduct = kDescriptor + offsetof(os::USB_DEVICE_DESCRIPTOR, idProduct);
constexpr size_t kIManufacturer = kDescriptor + offsetof(os::USB_DEVICE_DESCRIPTOR, iManufacturer);
constexpr size_t kIProduct = kDescriptor + offsetof(os::USB_DEVICE_DESCRIPTOR, iProduct);
constexpr size_t kISerial = kDescriptor + offsetof(os::USB_DEVICE_DESCRIPTOR, iSerialNumber);
constexpr size_t kDeviceIsHub = offsetof(ConnInfo, DeviceIsHub);
constexpr size_t kConnectionStatus = offsetof(ConnInfo, ConnectionStatus);
constexpr size_t kDescriptorData = offsetof(os::USB_DESCRIPTOR_REQUEST, Data);
constexpr size_t kSetup = offsetof(os::USB_DESCRIPTOR_REQUEST, SetupPacket);

// A wide name (as the USB stack returns it) as ANSI text, at most maxChars.
std::string AnsiName(std::span<const uint8_t> b, size_t offset, size_t maxChars) {
  std::string out;
  for (size_t i = offset; i + 1 < b.size() && out.size() < maxChars; i += 2) {
    const uint16_t c = common::ReadLe16(b, i);
    if (c == 0) break;
    out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return out;
}

class HubWalker {
 public:
  HubWalker(os::Os& os, HubPortTable& table) : os_(os), table_(table) {
    sa_.nLength = sizeof(os::SECURITY_ATTRIBUTES);
  }

  // Walks one host controller; false when one of its requests failed.
  bool WalkController(os::HANDLE hcd) {
    std::vector<uint8_t> name(kNameBufferSize, 0);
    if (!Ioctl(hcd, os::IOCTL_GET_HCD_DRIVERKEY_NAME, name)) return false;
    if (!Ioctl(hcd, os::IOCTL_USB_GET_ROOT_HUB_NAME, name)) return false;
    const std::string rootName =
        AnsiName(name, offsetof(os::USB_ROOT_HUB_NAME, RootHubName), kMaxHubNameChars);
    const os::HANDLE root = Open("\\\\.\\" + rootName);
    if (root == os::INVALID_HANDLE_VALUE) return false;
    std::vector<uint8_t> info(kNodeInfoSize, 0);
    const bool ok = Ioctl(root, os::IOCTL_USB_GET_NODE_INFORMATION, info);
    if (ok) WalkHub(root, info[os::kNodeInfoNumberOfPortsOffset], 0, false, 0, 0);
    os_.CloseHandle(root);
    return ok;
  }

  os::HANDLE Open(const std::string& path) {
    return os_.CreateFileA(path, os::GENERIC_WRITE, os::FILE_SHARE_WRITE, &sa_, os::OPEN_EXISTING,
                           0, nullptr);
  }

 private:
  bool Ioctl(os::HANDLE h, os::DWORD code, std::vector<uint8_t>& buffer) {
    os::DWORD returned = 0;
    return os_.DeviceIoControl(h, code, buffer.data(), static_cast<os::DWORD>(buffer.size()),
                               buffer.data(), static_cast<os::DWORD>(buffer.size()), &returned);
  }

  void WalkHub(os::HANDLE hub, uint32_t portCount, int depth, bool recognised,
               uint32_t recognisedOrdinal, uint32_t hubOrdinal) {
    for (uint32_t port = 1; port <= portCount; ++port) {
      std::vector<uint8_t> info(kConnectionInfoSize, 0);
      common::WriteLe32(info, offsetof(ConnInfo, ConnectionIndex), port);
      if (!Ioctl(hub, os::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION, info)) return;
      if (common::ReadLe32(info, kConnectionStatus) != os::DeviceConnected) continue;
      RecordPort(hub, info, port, portCount, recognised, recognisedOrdinal, hubOrdinal);
      if (info[kDeviceIsHub] != 0 && depth + 1 < kMaxHubDepth) WalkChildHub(hub, info, port, depth);
    }
  }

  void WalkChildHub(os::HANDLE hub, const std::vector<uint8_t>& info, uint32_t port, int depth) {
    std::vector<uint8_t> name(kConnectionNameSize, 0);
    common::WriteLe32(name, offsetof(os::USB_NODE_CONNECTION_NAME, ConnectionIndex), port);
    if (!Ioctl(hub, os::IOCTL_USB_GET_NODE_CONNECTION_NAME, name)) return;
    const std::string childName =
        AnsiName(name, offsetof(os::USB_NODE_CONNECTION_NAME, NodeName), kMaxHubNameChars);
    const os::HANDLE child = Open("\\\\.\\" + childName);
    if (child == os::INVALID_HANDLE_VALUE) return;
    std::vector<uint8_t> node(kNodeInfoSize, 0);
    if (Ioctl(child, os::IOCTL_USB_GET_NODE_INFORMATION, node)) {
      const uint32_t ordinal = table_.NextHubOrdinal();
      const bool childRecognised =
          IsRecognisedHub(common::ReadLe16(info, kIdVendor), common::ReadLe16(info, kIdProduct));
      const uint32_t childRecognisedOrdinal = childRecognised ? table_.NextRecognisedOrdinal() : 0;
      WalkHub(child, node[os::kNodeInfoNumberOfPortsOffset], depth + 1, childRecognised,
              childRecognisedOrdinal, ordinal);
    }
    os_.CloseHandle(child);
  }

  // A string descriptor of the device on `port`; empty span on failure.
  bool GetString(os::HANDLE hub, uint32_t port, uint8_t index, uint16_t language, uint16_t length,
                 std::vector<uint8_t>& request) {
    request.assign(kDescriptorRequestSize, 0);
    common::WriteLe32(request, offsetof(os::USB_DESCRIPTOR_REQUEST, ConnectionIndex), port);
    request[kSetup + offsetof(os::USB_SETUP_PACKET, bmRequest)] = 0x80;
    request[kSetup + offsetof(os::USB_SETUP_PACKET, bRequest)] = os::USB_REQUEST_GET_DESCRIPTOR;
    common::WriteLe16(request, kSetup + offsetof(os::USB_SETUP_PACKET, wValue),
                      static_cast<uint16_t>(os::USB_STRING_DESCRIPTOR_TYPE << 8 | index));
    common::WriteLe16(request, kSetup + offsetof(os::USB_SETUP_PACKET, wIndex), language);
    common::WriteLe16(request, kSetup + offsetof(os::USB_SETUP_PACKET, wLength), length);
    return Ioctl(hub, os::IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, request);
  }

  void RecordPort(os::HANDLE hub, const std::vector<uint8_t>& info, uint32_t port,
                  uint32_t portCount, bool recognised, uint32_t recognisedOrdinal,
                  uint32_t hubOrdinal) {
    uint16_t language = 0;
    bool languageKnown = false;
    std::string serial;
    std::vector<uint8_t> request;
    // Index 0 means the device has no such string.
    for (const size_t field : {kIManufacturer, kIProduct, kISerial}) {
      const uint8_t index = info[field];
      if (index == 0) continue;
      if (!languageKnown) {
        languageKnown = true;
        if (GetString(hub, port, 0, 0, kLanguageRequestLength, request))
          language = common::ReadLe16(request, kDescriptorData + 2);
      }
      if (!GetString(hub, port, index, language, kStringRequestLength, request)) continue;
      if (field != kISerial) continue;
      const size_t bLength = request[kDescriptorData];
      const size_t chars = bLength < 2 ? 0 : (bLength - 2) / 2;
      for (size_t i = 0; i < chars && i < kMaxSerialChars; ++i)
        serial.push_back(static_cast<char>(request[kDescriptorData + 2 + 2 * i]));
    }
    HubPortEntry entry{};
    entry.recognisedHub = recognised ? 1 : 0;
    entry.recognisedOrdinal = recognisedOrdinal;
    entry.hubPortCount = portCount;
    entry.port = port;
    entry.hubOrdinal = hubOrdinal;
    SetFixedText(entry.vid, common::Format("%04X", common::ReadLe16(info, kIdVendor)));
    SetFixedText(entry.pid, common::Format("%04X", common::ReadLe16(info, kIdProduct)));
    SetFixedText(entry.serial, serial);
    table_.Add(entry);
  }

  os::Os& os_;
  HubPortTable& table_;
  os::SECURITY_ATTRIBUTES sa_{};
};

}  // namespace

bool BuildHubPortTable(os::Os& os, HubPortTable& table) {
  table.Clear();
  HubWalker walker(os, table);
  bool failed = false;
  for (int k = 0; k < kHostControllerCount; ++k) {
    const os::HANDLE hcd = walker.Open(common::Format("\\\\.\\HCD%d", k));
    if (hcd == os::INVALID_HANDLE_VALUE) continue;
    if (!failed && !walker.WalkController(hcd)) failed = true;
    os.CloseHandle(hcd);
  }
  return !failed;
}

}  // namespace device
