#include "lab/edge/usb_replies.h"

#include "common/bytes.h"
#include "lab/machine/lab_machine.h"

namespace lab::edge {
namespace {
constexpr uint8_t kConfigurationDescriptorType = 0x02;
}  // namespace

// A length and a wide string, as the name requests answer: the name is cut to
// the buffer, the length says what the whole needs.
std::vector<uint8_t> WideNameReply(size_t headerBytes, uint32_t lengthOffset,
                                   const std::string& name) {
  std::vector<uint8_t> b(headerBytes + 2 * (name.size() + 1), 0);
  common::WriteLe32(b, lengthOffset, static_cast<uint32_t>(b.size()));
  for (size_t i = 0; i < name.size(); ++i) b[headerBytes + 2 * i] = static_cast<uint8_t>(name[i]);
  return b;
}

// A configuration of one interface: a hub's interrupt endpoint, or a storage
// device's two bulk endpoints.
std::vector<uint8_t> ConfigurationDescriptor(const UsbPortDevice& dev) {
  std::vector<uint8_t> d = {9, kConfigurationDescriptorType, 0, 0, 1, 1, 0, 0x80, 50};
  const bool hub = dev.hub != nullptr;
  const uint8_t protocol = dev.disk != nullptr && dev.disk->Config().usb.uas ? 0x62 : 0x50;
  const std::vector<uint8_t> iface = {9,
                                      4,
                                      0,
                                      0,
                                      static_cast<uint8_t>(hub ? 1 : 2),
                                      static_cast<uint8_t>(hub ? 9 : 8),
                                      static_cast<uint8_t>(hub ? 0 : 6),
                                      static_cast<uint8_t>(hub ? 0 : protocol),
                                      0};
  d.insert(d.end(), iface.begin(), iface.end());
  if (hub) {
    d.insert(d.end(), {7, 5, 0x81, 0x03, 2, 0, 12});
  } else {
    d.insert(d.end(), {7, 5, 0x81, 0x02, 0x00, 0x04, 0});
    d.insert(d.end(), {7, 5, 0x02, 0x02, 0x00, 0x04, 0});
  }
  common::WriteLe16(d, 2, static_cast<uint16_t>(d.size()));
  return d;
}

}  // namespace lab::edge
