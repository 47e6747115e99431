// USB hub handles: hub information, the connection on each port, the name of
// a hub on a port and descriptors read from a device.
#include "lab/edge/usb_hub_handler.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "lab/edge/usb_replies.h"
#include "platform/request_buffer.h"
#include "platform/usbioctl.h"

namespace lab::edge {
namespace {

constexpr uint8_t kHubDescriptorType = 0x29;
constexpr uint8_t kSuperSpeedHubDescriptorType = 0x2A;
constexpr uint8_t kConfigurationDescriptorType = 0x02;
constexpr size_t kConnectionHeader = offsetof(os::USB_NODE_CONNECTION_INFORMATION, PipeList);
constexpr size_t kNameRequestHeader = offsetof(os::USB_NODE_CONNECTION_NAME, NodeName);
constexpr size_t kDescriptorRequestHeader = offsetof(os::USB_DESCRIPTOR_REQUEST, Data);

}  // namespace

Reply UsbHubHandler::Control(const Request& r) {
  UsbHub& hub = *r.target.hub;
  if (r.code == os::IOCTL_USB_GET_NODE_INFORMATION) {
    os::USB_NODE_INFORMATION info{};
    info.NodeType = os::UsbHub;
    os::USB_HUB_DESCRIPTOR& d = info.u.HubInformation.HubDescriptor;
    d.bDescriptorLength = hub.usb3 ? 12 : 9;
    d.bDescriptorType = hub.usb3 ? kSuperSpeedHubDescriptorType : kHubDescriptorType;
    d.bNumberOfPorts = static_cast<os::UCHAR>(hub.portCount);
    d.wHubCharacteristics = 0x0009;  // per-port power switching and over-current
    d.bPowerOnToPowerGood = 50;
    info.u.HubInformation.HubIsBusPowered = 0;
    if (!os::StoreReply(r.out, r.outSize, info)) return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
    return Reply::Done(sizeof info);
  }

  // The per-port requests name the port first.
  if (r.in == nullptr || r.inSize < sizeof(os::ULONG)) {
    return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  }
  const uint32_t portNumber =
      common::ReadLe32(os::BytesOf(static_cast<const void*>(r.in), r.inSize), 0);
  if (portNumber < 1 || portNumber > hub.portCount) return Reply::Fail(os::ERROR_INVALID_PARAMETER);
  const auto at = hub.ports.find(portNumber);
  const UsbPortDevice* dev = at == hub.ports.end() ? nullptr : &at->second;

  if (r.code == os::IOCTL_USB_GET_NODE_CONNECTION_INFORMATION) {
    if (r.out == nullptr || r.outSize < kConnectionHeader) {
      return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
    }
    std::vector<uint8_t> b(kConnectionHeader, 0);
    common::WriteLe32(b, 0, portNumber);
    uint32_t pipes = 0;
    if (dev != nullptr) {
      const std::vector<uint8_t> desc = dev->DeviceDescriptor();
      std::copy(desc.begin(), desc.end(),
                b.begin() + offsetof(os::USB_NODE_CONNECTION_INFORMATION, DeviceDescriptor));
      b[offsetof(os::USB_NODE_CONNECTION_INFORMATION, CurrentConfigurationValue)] = 1;
      b[offsetof(os::USB_NODE_CONNECTION_INFORMATION, DeviceIsHub)] = dev->hub ? 1 : 0;
      common::WriteLe16(b, offsetof(os::USB_NODE_CONNECTION_INFORMATION, DeviceAddress),
                        dev->address);
      pipes = dev->hub ? 1 : 2;
      common::WriteLe32(b, offsetof(os::USB_NODE_CONNECTION_INFORMATION, NumberOfOpenPipes), pipes);
      common::WriteLe32(b, offsetof(os::USB_NODE_CONNECTION_INFORMATION, ConnectionStatus),
                        os::DeviceConnected);
      for (uint32_t i = 0; i < pipes; ++i) {
        const uint8_t endpoint = dev->hub ? 0x81 : (i == 0 ? 0x81 : 0x02);
        const uint8_t type = dev->hub ? 0x03 : 0x02;
        b.insert(b.end(), {7, 5, endpoint, type, 0x00, 0x04, 0, 0, 0, 0, 0});
      }
    }
    const size_t n = std::min<size_t>(b.size(), r.outSize);
    std::memcpy(r.out, b.data(), n);
    return Reply::Done(static_cast<os::DWORD>(n));
  }

  if (r.code == os::IOCTL_USB_GET_NODE_CONNECTION_NAME) {
    if (r.out == nullptr || r.outSize < sizeof(os::USB_NODE_CONNECTION_NAME)) {
      return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
    }
    std::vector<uint8_t> b =
        WideNameReply(kNameRequestHeader, offsetof(os::USB_NODE_CONNECTION_NAME, ActualLength),
                      dev != nullptr && dev->hub != nullptr ? dev->hub->devicePath : std::string());
    common::WriteLe32(b, 0, portNumber);
    const size_t n = std::min<size_t>(b.size(), r.outSize);
    std::memcpy(r.out, b.data(), n);
    return Reply::Done(static_cast<os::DWORD>(n));
  }

  if (r.code == os::IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION) {
    const std::span<const uint8_t> in = os::BytesOf(static_cast<const void*>(r.in), r.inSize);
    if (in.size() < kDescriptorRequestHeader || r.out == nullptr ||
        r.outSize < kDescriptorRequestHeader) {
      return Reply::Fail(os::ERROR_INVALID_PARAMETER);
    }
    if (dev == nullptr) return Reply::Fail(os::ERROR_DEV_NOT_EXIST);
    constexpr size_t kSetup = offsetof(os::USB_DESCRIPTOR_REQUEST, SetupPacket);
    const uint8_t bmRequest = in[kSetup];
    const uint8_t bRequest = in[kSetup + 1];
    const uint16_t wValue = common::ReadLe16(in, kSetup + 2);
    const uint16_t wIndex = common::ReadLe16(in, kSetup + 4);
    const uint16_t wLength = common::ReadLe16(in, kSetup + 6);
    if (bmRequest != 0x80 || bRequest != os::USB_REQUEST_GET_DESCRIPTOR) {
      return Reply::Fail(os::ERROR_INVALID_PARAMETER);
    }
    std::vector<uint8_t> desc;
    switch (wValue >> 8) {
      case os::USB_DEVICE_DESCRIPTOR_TYPE:
        desc = dev->DeviceDescriptor();
        break;
      case kConfigurationDescriptorType:
        desc = ConfigurationDescriptor(*dev);
        break;
      case os::USB_STRING_DESCRIPTOR_TYPE:
        desc = dev->StringDescriptor(static_cast<uint8_t>(wValue & 0xFF), wIndex);
        break;
      default:
        break;
    }
    // The device stalls a request for a descriptor it does not have.
    if (desc.empty()) return Reply::Fail(os::ERROR_GEN_FAILURE);
    const size_t n = std::min({desc.size(), size_t{wLength}, r.outSize - kDescriptorRequestHeader});
    std::vector<uint8_t> b(in.begin(), in.begin() + kDescriptorRequestHeader);
    b.insert(b.end(), desc.begin(), desc.begin() + static_cast<ptrdiff_t>(n));
    std::memcpy(r.out, b.data(), b.size());
    return Reply::Done(static_cast<os::DWORD>(b.size()));
  }
  return Reply::Fail(os::ERROR_INVALID_FUNCTION);
}

}  // namespace lab::edge
