#include "device/enumeration/location_text.h"

#include <cctype>

namespace device {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal value of the digits in text (at most `width` characters read),
// stopping at the first non-digit.
uint32_t DecimalPrefix(std::string_view text, size_t width) {
  uint32_t v = 0;
  for (size_t i = 0; i < text.size() && i < width && IsDigit(text[i]); ++i)
    v = v * 10 + static_cast<uint32_t>(text[i] - '0');
  return v;
}

}  // namespace

uint32_t PciLocationCode(std::string_view text) {
  if (text.substr(0, 3) != "PCI") return 0;
  uint32_t numbers[2] = {0, 0};
  uint32_t function = 0;
  int index = 0;
  size_t i = 3;
  while (i < text.size() && index < 3) {
    if (!IsDigit(text[i])) {
      ++i;
      continue;
    }
    if (index == 2) {
      // Only the first digit of the function counts.
      const uint32_t digit = static_cast<uint32_t>(text[i] - '0');
      function = digit > 7 ? 0 : digit;
      break;
    }
    uint32_t v = 0;
    while (i < text.size() && IsDigit(text[i])) v = v * 10 + static_cast<uint32_t>(text[i++] - '0');
    numbers[index++] = v;
  }
  return (numbers[0] & 0xFF) << 16 | ((numbers[1] << 3) & 0xF8) | (function & 7);
}

bool ParseUsbHardwareId(std::string_view text, std::string* vid, std::string* pid) {
  constexpr std::string_view kPrefix = "USB\\VID_";
  if (text.substr(0, kPrefix.size()) != kPrefix) return false;
  const size_t v = text.find("VID_");
  if (vid != nullptr) *vid = std::string(text.substr(v + 4, 4));
  const size_t p = text.find("PID_");
  if (pid != nullptr)
    *pid = p == std::string_view::npos ? std::string() : std::string(text.substr(p + 4, 4));
  return true;
}

bool ParseUsbPortLocation(std::string_view text, uint32_t* port, uint32_t* hub) {
  constexpr std::string_view kPort = "Port_#";
  if (text.substr(0, kPort.size()) != kPort) return false;
  if (port != nullptr) *port = DecimalPrefix(text.substr(kPort.size()), 4);
  const size_t h = text.find("Hub_#");
  if (hub != nullptr) *hub = h == std::string_view::npos ? 0 : DecimalPrefix(text.substr(h + 5), 4);
  return true;
}

std::string UsbstorSerialToken(std::string_view instanceId) {
  const size_t slash = instanceId.find_last_of("/\\");
  const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t end = instanceId.find_last_of("/&");
  if (end == std::string_view::npos || end <= start) return std::string();
  return std::string(instanceId.substr(start, end - start));
}

bool IsRecognisedHub(uint16_t vid, uint16_t pid) {
  return (vid == 0x05E3 && (pid & 0xFFF0) == 0x0610) ||
         (vid == 0x2109 && (pid & 0x0FFF) == 0x0817) || (vid == 0x174C && (pid & 0x0FFF) == 0x074);
}

}  // namespace device
