#include "platform/linux/linux_usb.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <system_error>
#include <vector>

#include "common/bytes.h"
#include "common/text.h"
#include "platform/request_buffer.h"
#include "platform/usbioctl.h"

namespace os::linuxos {
namespace fs = std::filesystem;
namespace {

constexpr size_t kConnectionHeader = offsetof(USB_NODE_CONNECTION_INFORMATION, PipeList);
constexpr size_t kDescriptorAt = offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor);
constexpr size_t kNameRequestHeader = offsetof(USB_NODE_CONNECTION_NAME, NodeName);
constexpr size_t kDescriptorRequestHeader = offsetof(USB_DESCRIPTOR_REQUEST, Data);
constexpr size_t kSetupAt = offsetof(USB_DESCRIPTOR_REQUEST, SetupPacket);
constexpr size_t kDeviceDescriptorSize = sizeof(USB_DEVICE_DESCRIPTOR);
constexpr uint8_t kHubClass = 0x09;
constexpr uint8_t kHubDescriptorType = 0x29;
constexpr uint8_t kSuperSpeedHubDescriptorType = 0x2A;
constexpr uint8_t kConfigurationDescriptorType = 0x02;
constexpr uint8_t kSelfPowered = 0x40;  // bmAttributes of the configuration
constexpr uint16_t kEnglishUs = 0x0409;
// A string descriptor's length is one byte: 2 header bytes and 126 characters.
constexpr size_t kMaxStringChars = 126;
// Hubs have at most 255 ports in the descriptor's one byte.
constexpr unsigned long kMaxPorts = 255;
// Raw descriptors beyond this size are not read (a device and a few
// configurations need far less).
constexpr size_t kMaxDescriptorsFile = 64 * 1024;

fs::path DevicesDir(const std::string& sysRoot) { return fs::path(sysRoot) / "bus/usb/devices"; }

std::string ReadLine(const fs::path& p) {
  std::ifstream in(p);
  std::string line;
  if (in) std::getline(in, line);
  return common::Trim(line);
}

// A sysfs number attribute; `fallback` when missing or not a number.
unsigned long Number(const fs::path& p, int base, unsigned long fallback) {
  const std::string text = ReadLine(p);
  if (text.empty()) return fallback;
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, base);
  return end == text.c_str() ? fallback : v;
}

std::vector<uint8_t> ReadDescriptors(const fs::path& device) {
  std::ifstream in(device / "descriptors", std::ios::binary);
  std::vector<uint8_t> b;
  if (!in) return b;
  b.resize(kMaxDescriptorsFile);
  in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
  b.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return b;
}

// Names of USB devices as sysfs spells them: "usb2", "1-3", "2-1.4". Kept to
// these characters so that no name leads out of the devices folder.
bool IsDeviceName(const std::string& n) {
  if (n.empty() || n.front() == '.' || n.find("..") != std::string::npos) return false;
  return std::all_of(n.begin(), n.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '-' || c == '.';
  });
}

uint32_t PortCount(const fs::path& device) {
  return static_cast<uint32_t>(std::min(Number(device / "maxchild", 10, 0), kMaxPorts));
}

// Root hubs ("usbN") in bus order: host controller k is the k-th of them.
std::vector<std::string> RootHubs(const std::string& sysRoot) {
  std::vector<std::pair<unsigned, std::string>> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(DevicesDir(sysRoot), ec)) {
    const std::string name = e.path().filename().string();
    unsigned bus = 0;
    int used = 0;
    if (std::sscanf(name.c_str(), "usb%u%n", &bus, &used) == 1 &&
        static_cast<size_t>(used) == name.size())
      found.emplace_back(bus, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& f : found) names.push_back(std::move(f.second));
  return names;
}

// The device on `port` of hub `hub`: "usb2" port 3 is "2-3", "2-1" port 4 is "2-1.4".
std::string ChildName(const std::string& hub, uint32_t port) {
  if (hub.compare(0, 3, "usb") == 0) return hub.substr(3) + "-" + std::to_string(port);
  return hub + "." + std::to_string(port);
}

// " 2.00" -> 0x0200, " 3.20" -> 0x0320: the version attribute is the BCD
// release number printed in hexadecimal with a point.
uint16_t BcdFromVersion(const std::string& text) {
  unsigned major = 0, minor = 0;
  if (std::sscanf(text.c_str(), "%x.%2x", &major, &minor) != 2) return 0;
  return static_cast<uint16_t>((major & 0xFF) << 8 | (minor & 0xFF));
}

struct PortDevice {
  fs::path dir;
  std::vector<uint8_t> descriptors;  // raw: device, then configurations
  std::vector<uint8_t> device;       // the 18-byte device descriptor
  bool hub = false;
};

// The device descriptor from the raw descriptors, or put together from the
// attributes when the raw ones cannot be read. Strings are then given the
// indexes 1 to 3 where the kernel knows them.
std::vector<uint8_t> DeviceDescriptorOf(const fs::path& dir, const std::vector<uint8_t>& raw) {
  if (raw.size() >= kDeviceDescriptorSize && raw[0] == kDeviceDescriptorSize &&
      raw[1] == USB_DEVICE_DESCRIPTOR_TYPE)
    return std::vector<uint8_t>(raw.begin(), raw.begin() + kDeviceDescriptorSize);
  USB_DEVICE_DESCRIPTOR d{};
  d.bLength = static_cast<UCHAR>(kDeviceDescriptorSize);
  d.bDescriptorType = USB_DEVICE_DESCRIPTOR_TYPE;
  d.bcdUSB = BcdFromVersion(ReadLine(dir / "version"));
  d.bDeviceClass = static_cast<UCHAR>(Number(dir / "bDeviceClass", 16, 0));
  d.bDeviceSubClass = static_cast<UCHAR>(Number(dir / "bDeviceSubClass", 16, 0));
  d.bDeviceProtocol = static_cast<UCHAR>(Number(dir / "bDeviceProtocol", 16, 0));
  d.bMaxPacketSize0 = static_cast<UCHAR>(Number(dir / "bMaxPacketSize0", 10, 0));
  d.idVendor = static_cast<USHORT>(Number(dir / "idVendor", 16, 0));
  d.idProduct = static_cast<USHORT>(Number(dir / "idProduct", 16, 0));
  d.bcdDevice = static_cast<USHORT>(Number(dir / "bcdDevice", 16, 0));
  d.iManufacturer = ReadLine(dir / "manufacturer").empty() ? 0 : 1;
  d.iProduct = ReadLine(dir / "product").empty() ? 0 : 2;
  d.iSerialNumber = ReadLine(dir / "serial").empty() ? 0 : 3;
  d.bNumConfigurations = static_cast<UCHAR>(Number(dir / "bNumConfigurations", 10, 1));
  std::vector<uint8_t> b(kDeviceDescriptorSize);
  std::memcpy(b.data(), &d, sizeof d);
  return b;
}

// The device on a port; false when the port is empty.
bool DeviceOnPort(const std::string& sysRoot, const std::string& hub, uint32_t port,
                  PortDevice* dev) {
  dev->dir = DevicesDir(sysRoot) / ChildName(hub, port);
  std::error_code ec;
  if (!fs::exists(dev->dir / "idVendor", ec)) return false;
  dev->descriptors = ReadDescriptors(dev->dir);
  dev->device = DeviceDescriptorOf(dev->dir, dev->descriptors);
  dev->hub = dev->device[offsetof(USB_DEVICE_DESCRIPTOR, bDeviceClass)] == kHubClass ||
             PortCount(dev->dir) > 0;
  return true;
}

// UTF-16LE of UTF-8 text, at most `maxChars` characters; what is not valid
// UTF-8 or lies outside the basic plane becomes '?'.
std::vector<uint8_t> Utf16Of(const std::string& text, size_t maxChars) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < text.size() && out.size() / 2 < maxChars) {
    const auto c = static_cast<unsigned char>(text[i]);
    uint32_t cp = '?';
    size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
    }
    if (len > 1) {
      bool valid = i + len <= text.size();
      uint32_t v = c & (0x7Fu >> len);
      for (size_t k = 1; valid && k < len; ++k) {
        const auto cc = static_cast<unsigned char>(text[i + k]);
        valid = (cc & 0xC0) == 0x80;
        v = v << 6 | (cc & 0x3F);
      }
      cp = valid && len < 4 && v >= 0x80 ? v : '?';
      if (!valid) len = 1;
    }
    out.push_back(static_cast<uint8_t>(cp & 0xFF));
    out.push_back(static_cast<uint8_t>(cp >> 8));
    i += len;
  }
  return out;
}

// A string descriptor of a device: the language list for index 0, the
// manufacturer, product or serial string for the index its device
// descriptor gives them. Empty when the device has no such string.
std::vector<uint8_t> StringDescriptor(const PortDevice& dev, uint8_t index) {
  if (index == 0)
    return {4, USB_STRING_DESCRIPTOR_TYPE, static_cast<uint8_t>(kEnglishUs & 0xFF),
            static_cast<uint8_t>(kEnglishUs >> 8)};
  const std::pair<size_t, const char*> strings[] = {
      {offsetof(USB_DEVICE_DESCRIPTOR, iManufacturer), "manufacturer"},
      {offsetof(USB_DEVICE_DESCRIPTOR, iProduct), "product"},
      {offsetof(USB_DEVICE_DESCRIPTOR, iSerialNumber), "serial"}};
  for (const auto& [field, file] : strings) {
    if (dev.device[field] != index) continue;
    const std::string text = ReadLine(dev.dir / file);
    if (text.empty()) return {};
    const std::vector<uint8_t> chars = Utf16Of(text, kMaxStringChars);
    std::vector<uint8_t> d = {static_cast<uint8_t>(2 + chars.size()), USB_STRING_DESCRIPTOR_TYPE};
    d.insert(d.end(), chars.begin(), chars.end());
    return d;
  }
  return {};
}

// The first configuration as the raw descriptors hold it (wTotalLength long).
std::vector<uint8_t> ConfigurationDescriptor(const PortDevice& dev) {
  const std::vector<uint8_t>& raw = dev.descriptors;
  constexpr size_t kAt = kDeviceDescriptorSize;
  if (raw.size() < kAt + 4 || raw[kAt + 1] != kConfigurationDescriptorType) return {};
  const size_t total = std::min<size_t>(common::ReadLe16(raw, kAt + 2), raw.size() - kAt);
  return std::vector<uint8_t>(raw.begin() + kAt, raw.begin() + static_cast<ptrdiff_t>(kAt + total));
}

// A length and a wide name, as the name requests answer: the name is cut to
// the buffer, the length says what the whole needs.
std::vector<uint8_t> WideName(size_t header, size_t lengthAt, const std::string& name) {
  std::vector<uint8_t> b(header + 2 * (name.size() + 1), 0);
  common::WriteLe32(b, lengthAt, static_cast<uint32_t>(b.size()));
  for (size_t i = 0; i < name.size(); ++i) b[header + 2 * i] = static_cast<uint8_t>(name[i]);
  return b;
}

DWORD Reply(const std::vector<uint8_t>& b, void* out, DWORD outSize, DWORD* returned) {
  const size_t n = std::min<size_t>(b.size(), outSize);
  if (n > 0) std::memcpy(out, b.data(), n);
  if (returned != nullptr) *returned = static_cast<DWORD>(n);
  return ERROR_SUCCESS;
}

DWORD ControllerRequest(const std::string& sysRoot, const UsbNode& node, DWORD code, void* out,
                        DWORD outSize, DWORD* returned) {
  if (out == nullptr || outSize < sizeof(USB_ROOT_HUB_NAME)) return ERROR_INSUFFICIENT_BUFFER;
  if (code == IOCTL_USB_GET_ROOT_HUB_NAME)
    return Reply(
        WideName(offsetof(USB_ROOT_HUB_NAME, RootHubName), 0, kUsbHubNamePrefix + node.name), out,
        outSize, returned);
  if (code != IOCTL_GET_HCD_DRIVERKEY_NAME) return ERROR_INVALID_FUNCTION;
  // The controller's driver and PCI function ("xhci_hcd\0000:00:14.0").
  std::error_code ec;
  const fs::path controller = fs::canonical(DevicesDir(sysRoot) / node.name, ec).parent_path();
  std::string key = controller.filename().string();
  const fs::path driver = fs::read_symlink(controller / "driver", ec);
  if (!ec) key = driver.filename().string() + "\\" + key;
  return Reply(WideName(offsetof(USB_HCD_DRIVERKEY_NAME, DriverKeyName), 0, key), out, outSize,
               returned);
}

DWORD NodeInformation(const fs::path& hub, void* out, DWORD outSize, DWORD* returned) {
  USB_NODE_INFORMATION info{};
  info.NodeType = UsbHub;
  USB_HUB_DESCRIPTOR& d = info.u.HubInformation.HubDescriptor;
  const bool superSpeed = Number(hub / "speed", 10, 0) >= 5000;
  d.bDescriptorLength = superSpeed ? 12 : 9;
  d.bDescriptorType = superSpeed ? kSuperSpeedHubDescriptorType : kHubDescriptorType;
  d.bNumberOfPorts = static_cast<UCHAR>(PortCount(hub));
  info.u.HubInformation.HubIsBusPowered =
      (Number(hub / "bmAttributes", 16, kSelfPowered) & kSelfPowered) == 0 ? 1 : 0;
  if (!StoreReply(out, outSize, info)) return ERROR_INSUFFICIENT_BUFFER;
  if (returned != nullptr) *returned = sizeof info;
  return ERROR_SUCCESS;
}

DWORD ConnectionInformation(const std::string& sysRoot, const UsbNode& node, uint32_t port,
                            void* out, DWORD outSize, DWORD* returned) {
  if (out == nullptr || outSize < kConnectionHeader) return ERROR_INSUFFICIENT_BUFFER;
  std::vector<uint8_t> b(kConnectionHeader, 0);
  common::WriteLe32(b, offsetof(USB_NODE_CONNECTION_INFORMATION, ConnectionIndex), port);
  PortDevice dev;
  if (DeviceOnPort(sysRoot, node.name, port, &dev)) {
    std::copy(dev.device.begin(), dev.device.end(), b.begin() + kDescriptorAt);
    b[offsetof(USB_NODE_CONNECTION_INFORMATION, CurrentConfigurationValue)] =
        static_cast<uint8_t>(Number(dev.dir / "bConfigurationValue", 10, 0));
    b[offsetof(USB_NODE_CONNECTION_INFORMATION, LowSpeed)] =
        ReadLine(dev.dir / "speed") == "1.5" ? 1 : 0;
    b[offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceIsHub)] = dev.hub ? 1 : 0;
    common::WriteLe16(b, offsetof(USB_NODE_CONNECTION_INFORMATION, DeviceAddress),
                      static_cast<uint16_t>(Number(dev.dir / "devnum", 10, 0)));
    common::WriteLe32(b, offsetof(USB_NODE_CONNECTION_INFORMATION, ConnectionStatus),
                      DeviceConnected);
  }
  return Reply(b, out, outSize, returned);
}

DWORD ConnectionName(const std::string& sysRoot, const UsbNode& node, uint32_t port, void* out,
                     DWORD outSize, DWORD* returned) {
  if (out == nullptr || outSize < sizeof(USB_NODE_CONNECTION_NAME))
    return ERROR_INSUFFICIENT_BUFFER;
  PortDevice dev;
  const bool hub = DeviceOnPort(sysRoot, node.name, port, &dev) && dev.hub;
  std::vector<uint8_t> b =
      WideName(kNameRequestHeader, offsetof(USB_NODE_CONNECTION_NAME, ActualLength),
               hub ? kUsbHubNamePrefix + ChildName(node.name, port) : std::string());
  common::WriteLe32(b, offsetof(USB_NODE_CONNECTION_NAME, ConnectionIndex), port);
  return Reply(b, out, outSize, returned);
}

DWORD DescriptorRequest(const std::string& sysRoot, const UsbNode& node, uint32_t port,
                        std::span<const uint8_t> in, void* out, DWORD outSize, DWORD* returned) {
  if (in.size() < kDescriptorRequestHeader || out == nullptr || outSize < kDescriptorRequestHeader)
    return ERROR_INVALID_PARAMETER;
  const uint8_t bmRequest = in[kSetupAt + offsetof(USB_SETUP_PACKET, bmRequest)];
  const uint8_t bRequest = in[kSetupAt + offsetof(USB_SETUP_PACKET, bRequest)];
  const uint16_t wValue = common::ReadLe16(in, kSetupAt + offsetof(USB_SETUP_PACKET, wValue));
  const uint16_t wLength = common::ReadLe16(in, kSetupAt + offsetof(USB_SETUP_PACKET, wLength));
  if (bmRequest != 0x80 || bRequest != USB_REQUEST_GET_DESCRIPTOR) return ERROR_INVALID_PARAMETER;
  PortDevice dev;
  if (!DeviceOnPort(sysRoot, node.name, port, &dev)) return ERROR_DEV_NOT_EXIST;
  std::vector<uint8_t> desc;
  switch (wValue >> 8) {
    case USB_DEVICE_DESCRIPTOR_TYPE:
      desc = dev.device;
      break;
    case kConfigurationDescriptorType:
      desc = ConfigurationDescriptor(dev);
      break;
    case USB_STRING_DESCRIPTOR_TYPE:
      desc = StringDescriptor(dev, static_cast<uint8_t>(wValue & 0xFF));
      break;
    default:
      break;
  }
  // A device stalls a request for a descriptor it does not have.
  if (desc.empty()) return ERROR_GEN_FAILURE;
  const size_t n = std::min({desc.size(), size_t{wLength}, outSize - kDescriptorRequestHeader});
  std::vector<uint8_t> b(in.begin(), in.begin() + kDescriptorRequestHeader);
  b.insert(b.end(), desc.begin(), desc.begin() + static_cast<ptrdiff_t>(n));
  return Reply(b, out, outSize, returned);
}

}  // namespace

bool IsUsbNodeName(const std::string& fileName) {
  const std::string hub = std::string("\\\\.\\") + kUsbHubNamePrefix;
  return fileName.compare(0, std::strlen(kHostControllerPrefix), kHostControllerPrefix) == 0 ||
         fileName.compare(0, hub.size(), hub) == 0;
}

DWORD OpenUsbNode(const std::string& sysRoot, const std::string& fileName, UsbNode* node) {
  const std::string hubPrefix = std::string("\\\\.\\") + kUsbHubNamePrefix;
  if (fileName.compare(0, hubPrefix.size(), hubPrefix) == 0) {
    const std::string name = fileName.substr(hubPrefix.size());
    if (!IsDeviceName(name) || PortCount(DevicesDir(sysRoot) / name) == 0)
      return ERROR_FILE_NOT_FOUND;
    *node = UsbNode{false, name};
    return ERROR_SUCCESS;
  }
  const std::string digits = fileName.substr(std::strlen(kHostControllerPrefix));
  if (digits.empty() || digits.size() > 3 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return ERROR_FILE_NOT_FOUND;
  const std::vector<std::string> roots = RootHubs(sysRoot);
  const size_t k = static_cast<size_t>(std::stoul(digits));
  if (k >= roots.size()) return ERROR_FILE_NOT_FOUND;
  *node = UsbNode{true, roots[k]};
  return ERROR_SUCCESS;
}

DWORD UsbNodeRequest(const std::string& sysRoot, const UsbNode& node, DWORD code, const void* in,
                     DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
  if (returned != nullptr) *returned = 0;
  if (node.controller) return ControllerRequest(sysRoot, node, code, out, outSize, returned);
  const fs::path hub = DevicesDir(sysRoot) / node.name;
  if (code == IOCTL_USB_GET_NODE_INFORMATION) return NodeInformation(hub, out, outSize, returned);
  // The per-port requests name the port first. `in` and `out` may be the
  // same buffer: the request is read whole before any reply is written.
  const std::span<const uint8_t> request = BytesOf(in, inSize);
  if (request.size() < sizeof(ULONG)) return ERROR_INVALID_PARAMETER;
  const uint32_t port = common::ReadLe32(request, 0);
  if (port < 1 || port > PortCount(hub)) return ERROR_INVALID_PARAMETER;
  switch (code) {
    case IOCTL_USB_GET_NODE_CONNECTION_INFORMATION:
      return ConnectionInformation(sysRoot, node, port, out, outSize, returned);
    case IOCTL_USB_GET_NODE_CONNECTION_NAME:
      return ConnectionName(sysRoot, node, port, out, outSize, returned);
    case IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION:
      return DescriptorRequest(sysRoot, node, port, request, out, outSize, returned);
    default:
      return ERROR_INVALID_FUNCTION;
  }
}

}  // namespace os::linuxos
