#include "device/core/identity_match.h"

#include <vector>

#include "common/text.h"
#include "device/core/device_identity.h"
#include "device/core/fixed_text.h"
#include "device/core/open_scope.h"

namespace device {
namespace {

constexpr const char* kDevicePrefix = "\\\\.\\";

std::string Quoted(const std::string& text) { return text.empty() ? "(none)" : text; }

}  // namespace

DriveIdentity DriveIdentity::FromTexts(const IdentityTexts& texts, uint64_t capacity) {
  const IdentityTexts shown = ShownIdentity(texts);
  return DriveIdentity{shown.model, shown.serial, capacity};
}

std::string IdentityChangeRefusal(const std::string& name, const DriveIdentity& listed,
                                  const std::optional<DriveIdentity>& now) {
  const std::string head = name + " is no longer the drive that was listed: ";
  if (!now) return head + "it cannot be identified";
  std::vector<std::string> changes;
  if (now->serial != listed.serial) {
    changes.push_back("serial " + Quoted(listed.serial) + " is now " + Quoted(now->serial));
  }
  if (now->model != listed.model) {
    changes.push_back("model " + Quoted(listed.model) + " is now " + Quoted(now->model));
  }
  if (now->capacity != listed.capacity) {
    changes.push_back(common::Format("capacity %llu sectors is now %llu",
                                     static_cast<unsigned long long>(listed.capacity),
                                     static_cast<unsigned long long>(now->capacity)));
  }
  if (changes.empty()) return "";
  std::string text = head;
  for (size_t i = 0; i < changes.size(); ++i) text += (i == 0 ? "" : ", ") + changes[i];
  return text;
}

std::optional<DriveIdentity> ReadIdentityAt(os::Os& os, const std::string& path,
                                            uint32_t attribute) {
  StorageDevice dev(os);
  const std::string bare = path.rfind(kDevicePrefix, 0) == 0 ? path.substr(4) : path;
  SetFixedText(dev.devPath, path);
  SetFixedText(dev.devName, bare);
  dev.devAttribute = attribute;
  // Only the disk is asked; a volume on it is neither locked nor dismounted.
  dev.SetNoVolumeLock(true);
  const OpenScope open(dev, true);
  if (!open) return std::nullopt;
  FillIdentityStrings(dev);
  ReadDeviceCapacity(dev);
  return DriveIdentity::FromTexts(
      {FixedText(dev.devSerial), FixedText(dev.devFirmware), FixedText(dev.devModel)},
      dev.devCapacity);
}

}  // namespace device
