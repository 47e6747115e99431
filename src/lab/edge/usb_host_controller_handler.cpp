// USB host controller handles (\\.\HCDn): the driver key and root hub names.
#include "lab/edge/usb_host_controller_handler.h"

#include <algorithm>
#include <cstring>

#include "lab/edge/usb_replies.h"
#include "platform/request_buffer.h"
#include "platform/usbioctl.h"

namespace lab::edge {

Reply UsbHostControllerHandler::Control(const Request& r) {
  const UsbHostController& hc = *r.target.controller;
  if (hc.broken) return Reply::Fail(os::ERROR_GEN_FAILURE);
  std::vector<uint8_t> b;
  if (r.code == os::IOCTL_GET_HCD_DRIVERKEY_NAME) {
    b = WideNameReply(offsetof(os::USB_HCD_DRIVERKEY_NAME, DriverKeyName), 0, hc.driverKey);
  } else if (r.code == os::IOCTL_USB_GET_ROOT_HUB_NAME) {
    b = WideNameReply(offsetof(os::USB_ROOT_HUB_NAME, RootHubName), 0, hc.rootHub->devicePath);
  } else {
    return Reply::Fail(os::ERROR_INVALID_FUNCTION);
  }
  if (r.out == nullptr || r.outSize < sizeof(os::USB_ROOT_HUB_NAME)) {
    return Reply::Fail(os::ERROR_INSUFFICIENT_BUFFER);
  }
  const size_t n = std::min<size_t>(b.size(), r.outSize);
  std::memcpy(r.out, b.data(), n);
  return Reply::Done(static_cast<os::DWORD>(n));
}

}  // namespace lab::edge
