#pragma once
// The demo tool folder's firmware package: which drives it is made for, and
// the writer that lays it out for both ways of finding firmware (configured
// paths and the automatic package walk).
#include <cstdint>
#include <string>
#include <vector>

#include "package/ic_family.h"

namespace firmware::demo {

// One kind of demo drive and the facts the lab gives it. Texts are stored as
// the controller stores them (the tag and retry tag are raw bytes).
struct DemoDrive {
  std::string label;
  std::string profile;  // the Setting.ini profile the drive belongs to
  bool nvme = false;
  IcFamily family = IcFamily::kNone;
  bool xt2 = false;            // mode sector bytes 52..53 "XA"
  uint8_t nandMaker = 0;       // parameter block byte 240
  std::string dieText;         // flash information 0x20C0
  int planeCount = 0;          // flash information 0x2638
  int retryTableNumber = 0;    // flash information 0x2688
  std::string rawTag;          // parameter block bytes 522..527
  std::string rawRetryTag;     // parameter block bytes 520..521
  uint8_t hardwareId = 0;      // controller memory 0x5000000B, byte 0
  std::string currentVersion;  // IDENTIFY words 23..26 / NVMe identify bytes 64..71
  std::string offeredVersion;  // what the package offers this drive
};

const std::vector<DemoDrive>& DemoDrives();

// The configured-mode image of a profile, relative to the tool folder.
struct ConfiguredImage {
  std::string profile;
  std::string fileName;       // the ISP_FilePath value
  std::string versionDbName;  // the FWVerDB_FilePath value
  std::string version;
};
const std::vector<ConfiguredImage>& ConfiguredImages();

// The UpdateFW keys automatic mode needs in Setting.ini, one "key=value" each.
std::vector<std::string> AutomaticPermissionLines();

// Writes the package into the tool folder `home` (a native path): Firmware\ and
// Tables\ are replaced; the profile folders get their images and databases.
// False with a message when a file cannot be written.
bool WriteDemoPackage(const std::string& home, std::string& error);

}  // namespace firmware::demo
