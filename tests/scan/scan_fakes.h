#pragma once
// Test doubles for the device scan: drives whose controller answers are
// prepared byte by byte, a discovery that lists them, and scripted slot
// objects that answer for whichever drive they are attached to and record
// every call.
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "config/settings/controller_profile.h"
#include "device/core/dev_attribute.h"
#include "device/core/fixed_text.h"
#include "platform/os.h"
#include "scan/device_table.h"
#include "scan/drive_access.h"
#include "scan/drive_discovery.h"
#include "scan/scan_target.h"

namespace app::testing {

// --- Byte images of what controllers answer ---------------------------------

// ATA strings are stored with the two characters of each word swapped.
inline void PutAtaString(std::span<uint8_t> identify, size_t word, size_t words,
                         const std::string& text) {
  for (size_t i = 0; i < words * 2; ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    identify[word * 2 + (i ^ 1)] = static_cast<uint8_t>(c);
  }
}

inline std::array<uint8_t, 512> AtaIdentify(const std::string& serial, const std::string& fw,
                                            const std::string& model) {
  std::array<uint8_t, 512> id{};
  PutAtaString(id, 10, 10, serial);
  PutAtaString(id, 23, 4, fw);
  PutAtaString(id, 27, 20, model);
  return id;
}

inline void PutText(std::span<uint8_t> bytes, size_t offset, const std::string& text) {
  std::memcpy(bytes.data() + offset, text.data(), text.size());
}

// A parameter block with a signature, the retry tag (2 bytes) and the six raw
// firmware-tag bytes.
inline std::array<uint8_t, 1024> ParamBlock(const std::string& signature,
                                            const std::string& retryTag,
                                            const std::string& rawTag6) {
  std::array<uint8_t, 1024> pb{};
  PutText(pb, 0, signature);
  PutText(pb, 520, retryTag.substr(0, 2));
  PutText(pb, 522, rawTag6.substr(0, 6));
  return pb;
}

inline std::array<uint8_t, 4096> NvmeIdCtrl(const std::string& serial, const std::string& model,
                                            const std::string& fw) {
  std::array<uint8_t, 4096> id{};
  auto padded = [](const std::string& s, size_t n) {
    return (s + std::string(n, ' ')).substr(0, n);
  };
  PutText(id, 4, padded(serial, 20));
  PutText(id, 24, padded(model, 40));
  PutText(id, 64, padded(fw, 8));
  return id;
}

// --- Drives ---------------------------------------------------------------

struct FakeDrive {
  std::array<uint8_t, 512> identify{};
  int identifyFailuresLeft = 0;  // this many IDENTIFY DEVICE calls fail first
  bool identifyFails = false;
  std::array<uint8_t, 1024> parameterBlock{};
  std::array<uint8_t, 512> smart{};
  bool smartFails = false;
  std::array<uint8_t, 512> modeSector{};
  std::array<uint8_t, 2048> vendorPage0{};
  std::array<uint8_t, 2048> vendorPage1{};
  int vendorReadFailures = 0;  // this many vendor reads fail before one succeeds
  std::array<uint8_t, 4096> idCtrl{};
  std::array<uint8_t, 4096> idNs{};
  // Attach result for the controller name set before it; empty: always ready.
  std::set<std::string> acceptedNames;
  bool attachFails = false;
};

// What the scan sees of one drive: a StorageDevice for the device layer and the
// controller behind it.
class FakeMachine {
 public:
  explicit FakeMachine(os::Os& os) : os_(os) {}

  device::StorageDevice& Add(const std::string& name, uint32_t attribute, FakeDrive drive = {}) {
    auto dev = std::make_unique<device::StorageDevice>(os_);
    device::SetFixedText(dev->devName, name);
    dev->devAttribute = attribute;
    dev->devOrder = static_cast<uint32_t>(devices_.size());
    drives_[dev.get()] = std::move(drive);
    devices_.push_back(std::move(dev));
    return *devices_.back();
  }
  FakeDrive& DriveOf(const device::StorageDevice* dev) { return drives_.at(dev); }
  std::vector<std::unique_ptr<device::StorageDevice>>& Devices() { return devices_; }

 private:
  os::Os& os_;
  std::vector<std::unique_ptr<device::StorageDevice>> devices_;
  std::map<const device::StorageDevice*, FakeDrive> drives_;
};

class ListDiscovery : public DriveDiscovery {
 public:
  explicit ListDiscovery(FakeMachine& machine) : machine_(machine) {}
  void Scan(uint32_t flags, uint32_t timeout) override {
    ++scans;
    lastFlags = flags;
    lastTimeout = timeout;
  }
  int Count() const override { return static_cast<int>(machine_.Devices().size()); }
  device::StorageDevice& Device(int i) override {
    return *machine_.Devices()[static_cast<size_t>(i)];
  }
  void ReleaseAll() override { ++releases; }

  int scans = 0;
  int releases = 0;
  uint32_t lastFlags = 0;
  uint32_t lastTimeout = 0;

 private:
  FakeMachine& machine_;
};

// One slot's object. Calls are recorded as "<slot>:<call>" in the shared log.
class ScriptedController : public DriveAccess {
 public:
  ScriptedController(FakeMachine& machine, std::vector<std::string>& calls, int slot)
      : machine_(machine), calls_(calls), slot_(slot) {}

  void SetControllerName(std::string_view text, uint32_t n) override {
    name_ = std::string(text.substr(0, n));
    Note("name " + name_);
  }
  bool Attach(device::StorageDevice* dev) override {
    bound_ = dev;
    timeoutAtAttach = dev->devTimeout;
    Note("attach " + device::FixedText(dev->devName));
    const FakeDrive& d = Drive();
    if (d.attachFails) return false;
    return d.acceptedNames.empty() || d.acceptedNames.count(name_) > 0;
  }
  bool IdentifyDevice(std::span<uint8_t> out) override {
    Note("identify");
    FakeDrive& d = Drive();
    if (d.identifyFails) return false;
    if (d.identifyFailuresLeft > 0) {
      --d.identifyFailuresLeft;
      return false;
    }
    Copy(d.identify, out);
    return true;
  }
  int ReadParameterBlock(std::span<uint8_t> out) override {
    Note("parameter block");
    Copy(Drive().parameterBlock, out);
    return 0;
  }
  bool SmartEnableOperations() override {
    Note("smart enable");
    return true;
  }
  bool SmartReadData(std::span<uint8_t> out) override {
    Note("smart read");
    if (Drive().smartFails) return false;
    Copy(Drive().smart, out);
    return true;
  }
  int ModeQuery(int* mode, std::span<uint8_t> sector) override {
    Note("mode query");
    Copy(Drive().modeSector, sector);
    *mode = 0;
    return 0;
  }
  int NvmeVendorRead(std::span<uint8_t> out, uint8_t selector) override {
    Note("vendor read " + std::to_string(selector));
    FakeDrive& d = Drive();
    if (d.vendorReadFailures > 0) {
      --d.vendorReadFailures;
      return -3;
    }
    Copy(selector == 0 ? d.vendorPage0 : d.vendorPage1, out);
    return 0;
  }
  bool NvmeIdentify(std::span<uint8_t> out, uint32_t nsid, bool controller) override {
    Note(controller ? "identify controller" : "identify namespace " + std::to_string(nsid));
    Copy(controller ? Drive().idCtrl : Drive().idNs, out);
    return true;
  }
  int ReadSmartHealthLog(std::span<uint8_t>) override { return -1; }
  uint16_t NvmeStatusCode() const override { return 0; }
  uint16_t NvmeStatusCodeType() const override { return 0; }
  void Close() override {
    Note("close");
    if (bound_) bound_->Close();
  }

  std::string DevName() const override {
    return bound_ ? device::FixedText(bound_->devName) : std::string();
  }
  bool IsNvmeDrive() const override { return bound_ && device::IsNvme(bound_->devAttribute); }

  uint32_t timeoutAtAttach = 0;

 private:
  FakeDrive& Drive() { return machine_.DriveOf(bound_); }
  template <size_t N>
  static void Copy(const std::array<uint8_t, N>& from, std::span<uint8_t> to) {
    std::memcpy(to.data(), from.data(), std::min(N, to.size()));
  }
  void Note(const std::string& call) { calls_.push_back(std::to_string(slot_) + ":" + call); }

  FakeMachine& machine_;
  std::vector<std::string>& calls_;
  int slot_;
  std::string name_;
  device::StorageDevice* bound_ = nullptr;
};

class ScriptedControllers : public SlotDeviceSource {
 public:
  explicit ScriptedControllers(FakeMachine& machine) {
    for (int i = 0; i < kMaxDeviceSlots; ++i) {
      slots_.push_back(std::make_unique<ScriptedController>(machine, calls, i));
    }
  }
  DriveAccess& At(int slot) override { return *slots_.at(static_cast<size_t>(slot)); }
  ScriptedController& Controller(int slot) { return *slots_.at(static_cast<size_t>(slot)); }

  std::vector<std::string> calls;

 private:
  std::vector<std::unique_ptr<ScriptedController>> slots_;
};

// --- Profiles ---------------------------------------------------------------

inline ControllerProfile Profile(const std::string& name, const std::string& tag) {
  ControllerProfile p;
  p.Name = name;
  p.VKMStrTag = tag;
  return p;
}

inline ProfileTable Profiles(std::vector<ControllerProfile> list) {
  ProfileTable t;
  for (auto& p : list) t.Profiles[static_cast<size_t>(t.ProfileCount++)] = std::move(p);
  return t;
}

// The four profiles of the family, in the usual table order.
inline ProfileTable FamilyProfiles() {
  return Profiles({Profile("VK4610XT", "VKM4610XT"), Profile("VK4620XT", "VKM4620XT"),
                   Profile("VK4620XT2", "VKM4620XT2"), Profile("VK4630", "VKM4630")});
}

// A SATA drive of the 4620 family with its identity.
inline FakeDrive Sata4620(const std::string& serial, const std::string& fw = "S0220A0",
                          const std::string& model = "VK SSD 256GB") {
  FakeDrive d;
  d.identify = AtaIdentify(serial, fw, model);
  d.parameterBlock = ParamBlock("VK4620PARA", "01", "  B27A");
  return d;
}

}  // namespace app::testing
