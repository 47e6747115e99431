#include "package/ic_version.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/text.h"

namespace firmware {
namespace {

constexpr std::array<const char*, 4> kHwIdSuffixes = {"AA", "AB", "AC", "AD"};
constexpr size_t kRomStringBytes = 16;
constexpr uint8_t kHwIdMask = 0x07;

void Trace(os::Os& os, const std::string& line) { os.OutputDebugStringA(line); }

// The 4610 ROM check: which of the ROM strings the controller holds.
bool RomCheck(IcVersionProbe& probe, os::Os& os, std::string& szICVer) {
  std::string name = "4610AB";
  if (CheckICVer(probe, os, name, kRom4610AbAddress, true)) {
    szICVer = name;
    return true;
  }
  name = "4610AB";
  if (CheckICVer(probe, os, name, kRom4610AdAddress, true)) {
    szICVer = "4610AD";
    return true;
  }
  name = "4620AB";
  if (CheckICVer(probe, os, name, kRom4620AbAddress, true)) {
    szICVer = name;
    return true;
  }
  name = "4620AC";
  if (CheckICVer(probe, os, name, kRom4620AcAddress, true)) {
    szICVer = name;
    return true;
  }
  return false;
}

}  // namespace

bool CheckICVer(IcVersionProbe& probe, os::Os& os, std::string& name, uint32_t nStartAddr,
                bool normalFirmware) {
  std::vector<uint8_t> data(kCheckICVerReadBytes);
  int status = -1;
  for (int attempt = 0; attempt < kCheckICVerAttempts; ++attempt) {
    std::fill(data.begin(), data.end(), uint8_t{0});
    status = probe.ReadMemory(nStartAddr, data, normalFirmware);
    os.Sleep(kCheckICVerRetryDelayMs);
    if (status == 0) break;
  }
  Trace(os, common::Format("[VKM_DEBUG] CheckICVer: nStartAddr = 0x%X, ReadMemory = %d\n",
                           nStartAddr, status));
  if (status != 0) return false;

  if (nStartAddr == kHardwareIdRegister) {
    const int nHWID = data[0] & kHwIdMask;
    Trace(os, common::Format("[VKM_DEBUG] CheckICVer: nHWID = %d\n", nHWID));
    // The register has three bits but only four versions exist.
    if (nHWID >= static_cast<int>(kHwIdSuffixes.size())) return false;
    name += kHwIdSuffixes[static_cast<size_t>(nHWID)];
    return true;
  }

  std::array<uint8_t, kRomStringBytes> rom{};
  std::copy_n(data.begin(), kRomStringBytes, rom.begin());
  common::SwapBytePairs(rom);
  return common::TextFromBytes(rom).find(name) != std::string::npos;
}

IcVersionResult DetermineIcVersion(IcVersionProbe& probe, os::Os& os, const IcVersionInput& in) {
  IcVersionResult r;
  bool found = false;
  if (in.family == IcFamily::k4620) {
    if (in.xt2) {
      r.szICVer = "4620XT2";
      found = true;
    } else {
      r.szICVer = "4620";
      found = CheckICVer(probe, os, r.szICVer, kHardwareIdRegister, in.mode == DriveMode::kNormal);
    }
  } else if (in.family == IcFamily::k4610 && in.romCheckICVer) {
    const bool switched = in.mode != DriveMode::kNormal;
    if (switched && probe.SwitchMode(1) != 0) {
      r.status = IcVersionStatus::kModeSwitchFailed;
      return r;
    }
    found = RomCheck(probe, os, r.szICVer);
    if (switched && probe.SwitchMode(0) != 0) {
      r.status = IcVersionStatus::kModeSwitchFailed;
      return r;
    }
  } else if (in.family == IcFamily::k4610) {
    r.szICVer = IcVersionFromComboItem(in.icVersionComboIndex);
    found = !r.szICVer.empty();
  }
  Trace(os, common::Format("[VKM_FFU] DoAutoGenFlu: szICVer = %s\n", r.szICVer.c_str()));
  r.status = found ? IcVersionStatus::kFound : IcVersionStatus::kNotFound;
  return r;
}

std::string IcVersionSuffix(std::string_view szICVer) {
  for (const char* s : {"AB", "AC", "AD", "XT2"}) {
    if (szICVer.find(s) != std::string_view::npos) return s;
  }
  return {};
}

std::string IcVersionFromComboItem(int itemIndex) {
  if (itemIndex == 0) return "4610AB";
  if (itemIndex == 1) return "4610AD";
  return {};
}

IcVersionComboPreset IcVersionComboPresetFor(int32_t icVer10XT) {
  IcVersionComboPreset p;
  if (icVer10XT >= 0) {
    // An index past the two items selects nothing, as the box itself would.
    p.itemIndex = icVer10XT <= 1 ? icVer10XT : -1;
    p.enabled = false;
  }
  return p;
}

}  // namespace firmware
