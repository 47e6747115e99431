#pragma once
// The USB side of a lab machine: host controllers (\\.\HCD0..9), their root
// hubs, external hubs and the devices on their ports, each with the device
// descriptor and strings the hub requests read.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lab/config/lab_config.h"

namespace lab {

class LabDisk;
struct UsbHub;

// What sits on one hub port: a hub or a (storage) device.
struct UsbPortDevice {
  uint16_t vid = 0;
  uint16_t pid = 0;
  uint16_t bcdDevice = 0;
  uint16_t bcdUsb = 0x0300;
  uint8_t deviceClass = 0;  // 9 for a hub
  std::string manufacturer;
  std::string product;
  std::string serial;  // empty: the device has no serial string
  uint16_t address = 0;
  UsbHub* hub = nullptr;    // set when the device is a hub
  LabDisk* disk = nullptr;  // set for a storage device
  uint32_t devInst = 0;     // its device node

  // The 18-byte standard device descriptor.
  std::vector<uint8_t> DeviceDescriptor() const;
  // String descriptor `index` (0: the language list), or empty when the
  // device has no such string.
  std::vector<uint8_t> StringDescriptor(uint8_t index, uint16_t languageId) const;
};

struct UsbHub {
  std::string devicePath;  // without "\\.\", as the hub name requests return it
  uint32_t number = 0;     // the "Hub_#" of its ports' location texts
  uint32_t portCount = 0;
  bool root = false;
  bool usb3 = true;
  uint32_t devInst = 0;
  std::map<uint32_t, UsbPortDevice> ports;  // by port number, connected ones only
};

struct UsbHostController {
  uint32_t index = 0;
  std::string driverKey;
  std::string pciLocation;
  bool broken = false;
  UsbHub* rootHub = nullptr;
  uint32_t devInst = 0;
};

class UsbTree {
 public:
  // Builds controllers and hubs from the configuration; disks are placed
  // later with Place. Problems (already reported by the parser) are skipped.
  explicit UsbTree(const LabConfig& config);

  const UsbHostController* HostController(uint32_t index) const;
  std::vector<UsbHostController>& HostControllers() { return controllers_; }
  // By device path, case-insensitively.
  UsbHub* HubByPath(std::string_view devicePath);
  // By the lab.ini name: a host controller section or a hub name.
  UsbHub* HubByName(std::string_view name);
  std::vector<UsbHub*> Hubs();
  // Puts a storage device on a port; false when the port is missing or taken.
  bool Place(std::string_view hubName, uint32_t port, UsbPortDevice device);

 private:
  std::vector<UsbHostController> controllers_;
  std::vector<std::unique_ptr<UsbHub>> hubs_;
  std::map<std::string, UsbHub*> byName_;  // lower-case lab.ini names
  uint16_t nextAddress_ = 1;
};

}  // namespace lab
