#pragma once
// The USB host-controller and hub walk answered from sysfs
// (<sys>/bus/usb/devices). Every USB bus is one host controller
// ("\\.\HCD0" is the bus with the lowest number, and so on); its root hub
// ("usbN") and every hub below it open as "\\.\USBHUB#<sysfs name>". The
// hub requests are answered from the attributes the kernel keeps for each
// device: maxchild (the port count), the raw descriptors, idVendor,
// idProduct, version, devnum, speed and the strings. The walk visits buses
// in bus order and hubs depth first by port, the order in which the disk
// list numbers hubs, so both speak of the same hubs in the same order.
#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace os::linuxos {

inline constexpr char kHostControllerPrefix[] = "\\\\.\\HCD";
// Hub names as the name requests return them (without "\\.\").
inline constexpr char kUsbHubNamePrefix[] = "USBHUB#";

// What a USB handle stands for: a host controller (its root hub's sysfs
// name) or a hub.
struct UsbNode {
  bool controller = false;
  std::string name;  // "usb1", "1-3", "2-1.4"
};

// True for the names of host controllers and hubs.
bool IsUsbNodeName(const std::string& fileName);

// Opens a host controller or hub by its file name; ERROR_SUCCESS, or
// ERROR_FILE_NOT_FOUND when the machine has no such controller or hub.
DWORD OpenUsbNode(const std::string& sysRoot, const std::string& fileName, UsbNode* node);

// Answers one host-controller or hub request; ERROR_SUCCESS with the reply
// in `out`, or why not.
DWORD UsbNodeRequest(const std::string& sysRoot, const UsbNode& node, DWORD code, const void* in,
                     DWORD inSize, void* out, DWORD outSize, DWORD* returned);

}  // namespace os::linuxos
