#pragma once
// A whole lab machine as lab.ini describes it: machine facts, USB host
// controllers and hubs, and the disks. Parsing never fails outright: every
// problem is collected as a readable message and the rest is kept.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lab/config/disk_config.h"

namespace lab {

struct MachineFacts {
  std::string systemDirectory = "C:\\Windows\\system32";
  // What GetVersionExA reports: Windows 8 and later say 6.2 to programs that
  // do not declare themselves compatible with newer versions.
  uint32_t osMajor = 6;
  uint32_t osMinor = 2;
  uint32_t osBuild = 9200;
  bool privilegesGranted = true;                             // the process runs as administrator
  std::string sataPci = "PCI bus 0, device 23, function 0";  // the AHCI controller
};

struct HostControllerConfig {
  uint32_t index = 0;  // \\.\HCD<index>
  std::string section;
  std::string pciLocation;
  uint32_t rootPorts = 10;
  bool usb3 = true;
  bool broken = false;  // opens, but its requests fail
};

struct HubConfig {
  std::string section;  // "Hub Front"
  std::string name;     // "Front"
  std::string parent;   // host controller section or another hub's name
  uint32_t port = 0;    // port of the parent
  uint16_t vid = 0;
  uint16_t pid = 0;
  uint16_t bcdDevice = 0x0100;
  uint32_t ports = 4;
  std::string manufacturer;
  std::string product;
  std::string serial;
};

struct LabConfig {
  MachineFacts machine;
  std::vector<HostControllerConfig> hostControllers;
  std::vector<HubConfig> hubs;
  std::vector<DiskConfig> disks;
  std::vector<DiskConfig> spares;  // Spare=1: in no slot until a disk is replaced by one
  std::vector<std::string> problems;  // empty when the file is sound

  // The upper-case letter of the system folder's drive, or 0.
  char SystemLetter() const;
};

LabConfig ParseLabConfig(std::string_view iniText);

}  // namespace lab
