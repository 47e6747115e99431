#pragma once
// Where a USB drive sits: the serial token, VID/PID texts, port, the hub it
// was matched on and whether that hub is one of the recognised external hubs.
// 68 bytes, the size of the per-drive record the enumeration fills.
#include <cstdint>
#include <string>

namespace device {

struct UsbLocationRecord {
  char serialToken[30];  // NUL-terminated
  char vid[8];           // 4 hexadecimal characters
  char pid[8];
  uint32_t port;
  uint32_t hubPortCount;
  uint32_t recognisedOrdinal;
  uint32_t hubNumber;
  uint8_t recognisedHub;
};
static_assert(sizeof(UsbLocationRecord) == 68);

inline std::string SerialTokenOf(const UsbLocationRecord& r) {
  size_t n = 0;
  while (n < sizeof r.serialToken && r.serialToken[n] != '\0') ++n;
  return std::string(r.serialToken, n);
}

}  // namespace device
