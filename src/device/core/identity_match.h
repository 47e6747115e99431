#pragma once
// Whether a drive is still the one that was listed. Destructive work reads the
// drive's identity again right before it acts and compares it with what the
// list showed: a disk swapped in under the same name (the same drive number,
// the same port) must never be erased or overwritten in place of the chosen one.
#include <cstdint>
#include <optional>
#include <string>

#include "device/core/identity_reader.h"
#include "device/core/storage_device.h"
#include "platform/os.h"

namespace device {

// What tells two drives apart: model and serial as shown (trimmed, escaped;
// the escaping keeps different raw bytes different) and the capacity in
// sectors. The firmware is not part of it: an update changes it.
struct DriveIdentity {
  std::string model;
  std::string serial;
  uint64_t capacity = 0;

  static DriveIdentity FromTexts(const IdentityTexts& texts, uint64_t capacity);
  friend bool operator==(const DriveIdentity&, const DriveIdentity&) = default;
};

// "" when `now` is the drive that was listed; otherwise why the drive named
// `name` ("PHYSICALDRIVE3") is refused: "PHYSICALDRIVE3 is no longer the drive
// that was listed: serial VK1 is now VK2" (each differing fact named), or
// "...: it cannot be identified" when nothing could be read.
std::string IdentityChangeRefusal(const std::string& name, const DriveIdentity& listed,
                                  const std::optional<DriveIdentity>& now);

// Opens `path` ("\\.\PHYSICALDRIVE3") on a fresh device with the access path
// `attribute`, and reads its identity strings (as the discovery does) and its
// capacity (READ CAPACITY); nothing when it cannot be opened.
std::optional<DriveIdentity> ReadIdentityAt(os::Os& os, const std::string& path,
                                            uint32_t attribute);

}  // namespace device
