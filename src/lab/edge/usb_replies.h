#pragma once
// Pieces of the USB replies both the host controller and the hub answer with.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lab/machine/usb_tree.h"

namespace lab::edge {

// A length and a wide string, as the name requests answer: the name is cut to
// the buffer, the length says what the whole needs.
std::vector<uint8_t> WideNameReply(size_t headerBytes, uint32_t lengthOffset,
                                   const std::string& name);

// A configuration of one interface: a hub's interrupt endpoint, or a storage
// device's two bulk endpoints.
std::vector<uint8_t> ConfigurationDescriptor(const UsbPortDevice& dev);

}  // namespace lab::edge
