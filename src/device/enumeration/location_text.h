#pragma once
// Parsers for the texts the configuration manager reports about a drive's
// parent device: PCI location, USB hardware id and port location, and the
// serial token of a USBSTOR instance id. Pure functions over untrusted text.
#include <cstdint>
#include <string>
#include <string_view>

namespace device {

// "PCI bus 3, device 0, function 1" -> 0x030001: (bus & 0xFF) << 16 |
// (device << 3 & 0xF8) | function. Text not beginning with "PCI" gives 0.
uint32_t PciLocationCode(std::string_view text);

// "USB\VID_05E3&PID_0618\..." -> "05E3", "0618". False unless the text
// begins with "USB\VID_".
bool ParseUsbHardwareId(std::string_view text, std::string* vid, std::string* pid);

// "Port_#0002.Hub_#0003" -> 2, 3. False unless the text begins with "Port_#".
bool ParseUsbPortLocation(std::string_view text, uint32_t* port, uint32_t* hub);

// The text between the last '/' or '\' and the last '/' or '&' of a USBSTOR
// instance id; empty when there is none.
std::string UsbstorSerialToken(std::string_view instanceId);

// One of the recognised external hubs: Genesys Logic 05E3:061x, VIA Labs
// 2109:x817, ASMedia 174C:x074.
bool IsRecognisedHub(uint16_t vid, uint16_t pid);

}  // namespace device
