#include "lab/machine/usb_tree.h"

#include "common/bytes.h"
#include "common/text.h"
#include "lab/machine/names.h"

namespace lab {
namespace {

constexpr char kHubInterface[] = "{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
constexpr uint8_t kHubClass = 9;
constexpr uint16_t kEnglishUs = 0x0409;
constexpr uint8_t kDescriptorDevice = 1;
constexpr uint8_t kDescriptorString = 3;
constexpr size_t kMaxStringChars = 126;  // a string descriptor holds at most 254 bytes of text

std::vector<uint8_t> StringDescriptorOf(const std::string& text) {
  const size_t chars = std::min(text.size(), kMaxStringChars);
  std::vector<uint8_t> d(2 + 2 * chars, 0);
  d[0] = static_cast<uint8_t>(d.size());
  d[1] = kDescriptorString;
  for (size_t i = 0; i < chars; ++i) d[2 + 2 * i] = static_cast<uint8_t>(text[i]);
  return d;
}

}  // namespace

std::vector<uint8_t> UsbPortDevice::DeviceDescriptor() const {
  std::vector<uint8_t> d(18, 0);
  d[0] = 18;
  d[1] = kDescriptorDevice;
  common::WriteLe16(d, 2, bcdUsb);
  d[4] = deviceClass;
  d[6] = hub ? 3 : 0;                // protocol: a USB 3 hub
  d[7] = bcdUsb >= 0x0300 ? 9 : 64;  // control endpoint size (2^9 for USB 3)
  common::WriteLe16(d, 8, vid);
  common::WriteLe16(d, 10, pid);
  common::WriteLe16(d, 12, bcdDevice);
  d[14] = manufacturer.empty() ? 0 : 1;
  d[15] = product.empty() ? 0 : 2;
  d[16] = serial.empty() ? 0 : 3;
  d[17] = 1;  // one configuration
  return d;
}

std::vector<uint8_t> UsbPortDevice::StringDescriptor(uint8_t index, uint16_t languageId) const {
  if (index == 0) {
    std::vector<uint8_t> d(4, 0);
    d[0] = 4;
    d[1] = kDescriptorString;
    common::WriteLe16(d, 2, kEnglishUs);
    return d;
  }
  if (languageId != kEnglishUs) return {};
  const std::string* text = index == 1   ? &manufacturer
                            : index == 2 ? &product
                            : index == 3 ? &serial
                                         : nullptr;
  if (text == nullptr || text->empty()) return {};
  return StringDescriptorOf(*text);
}

UsbTree::UsbTree(const LabConfig& config) {
  uint32_t hubNumber = 1;
  for (const HostControllerConfig& hc : config.hostControllers) {
    auto root = std::make_unique<UsbHub>();
    root->root = true;
    root->usb3 = hc.usb3;
    root->portCount = hc.rootPorts;
    root->number = hubNumber++;
    root->devicePath = common::Format("USB#ROOT_HUB%s#4&%08X&0&0#%s", hc.usb3 ? "30" : "",
                                      StableHash(hc.section), kHubInterface);
    UsbHostController c;
    c.index = hc.index;
    c.pciLocation = hc.pciLocation;
    c.broken = hc.broken;
    c.driverKey = common::Format("{36fc9e60-c465-11cf-8056-444553540000}\\%04u", hc.index);
    c.rootHub = root.get();
    byName_[common::ToLower(hc.section)] = root.get();
    controllers_.push_back(c);
    hubs_.push_back(std::move(root));
  }
  // Hubs are placed in an order where each parent exists already; a hub
  // whose parent never appears (a problem the parser reported) is left out.
  std::vector<const HubConfig*> waiting;
  for (const HubConfig& h : config.hubs) waiting.push_back(&h);
  bool progress = true;
  while (progress && !waiting.empty()) {
    progress = false;
    for (auto it = waiting.begin(); it != waiting.end();) {
      const HubConfig& h = **it;
      UsbHub* parent = HubByName(h.parent);
      if (parent == nullptr || byName_.count(common::ToLower(h.name))) {
        ++it;
        continue;
      }
      auto hub = std::make_unique<UsbHub>();
      hub->portCount = h.ports;
      hub->usb3 = parent->usb3;
      hub->number = hubNumber;
      const std::string instance =
          h.serial.empty() ? common::Format("5&%08X&0&%u", StableHash(h.section), h.port)
                           : IdField(h.serial, 64);
      hub->devicePath = common::Format("USB#VID_%04X&PID_%04X#%s#%s", h.vid, h.pid,
                                       instance.c_str(), kHubInterface);
      UsbPortDevice dev;
      dev.vid = h.vid;
      dev.pid = h.pid;
      dev.bcdDevice = h.bcdDevice;
      dev.bcdUsb = parent->usb3 ? 0x0300 : 0x0210;
      dev.deviceClass = kHubClass;
      dev.manufacturer = h.manufacturer;
      dev.product = h.product;
      dev.serial = h.serial;
      dev.hub = hub.get();
      UsbHub* raw = hub.get();
      if (h.port < 1 || h.port > parent->portCount || parent->ports.count(h.port)) {
        it = waiting.erase(it);  // reported by the parser
        continue;
      }
      dev.address = nextAddress_++;
      parent->ports[h.port] = dev;
      ++hubNumber;
      byName_[common::ToLower(h.name)] = raw;
      hubs_.push_back(std::move(hub));
      it = waiting.erase(it);
      progress = true;
    }
  }
}

const UsbHostController* UsbTree::HostController(uint32_t index) const {
  for (const UsbHostController& c : controllers_)
    if (c.index == index) return &c;
  return nullptr;
}

UsbHub* UsbTree::HubByPath(std::string_view devicePath) {
  for (auto& h : hubs_)
    if (common::EqualsNoCase(h->devicePath, devicePath)) return h.get();
  return nullptr;
}

UsbHub* UsbTree::HubByName(std::string_view name) {
  const auto it = byName_.find(common::ToLower(common::TrimView(name)));
  return it == byName_.end() ? nullptr : it->second;
}

std::vector<UsbHub*> UsbTree::Hubs() {
  std::vector<UsbHub*> all;
  for (auto& h : hubs_) all.push_back(h.get());
  return all;
}

bool UsbTree::Place(std::string_view hubName, uint32_t port, UsbPortDevice device) {
  UsbHub* hub = HubByName(hubName);
  if (hub == nullptr || port < 1 || port > hub->portCount || hub->ports.count(port)) return false;
  device.bcdUsb = hub->usb3 ? device.bcdUsb : std::min<uint16_t>(device.bcdUsb, 0x0210);
  device.address = nextAddress_++;
  hub->ports[port] = std::move(device);
  return true;
}

}  // namespace lab
