#pragma once
// Which controller IC version a drive carries (`szICVer`, e.g. "4620AC"): it
// selects the boot ISP and the family folder of the update file.
#include <cstdint>
#include <string>
#include <string_view>

#include "package/ic_family.h"
#include "package/ic_version_probe.h"
#include "package/mode_sector.h"
#include "platform/os.h"

namespace firmware {

inline constexpr uint32_t kHardwareIdRegister = 0x5000000B;
// ROM identification strings of the 4610 ROM check, tried in this order.
inline constexpr uint32_t kRom4610AbAddress = 0x4FE2;
inline constexpr uint32_t kRom4610AdAddress = 0x50AA;
inline constexpr uint32_t kRom4620AbAddress = 0x5C5A;
inline constexpr uint32_t kRom4620AcAddress = 0x60FE;
inline constexpr int kCheckICVerAttempts = 5;
inline constexpr uint32_t kCheckICVerRetryDelayMs = 100;
inline constexpr size_t kCheckICVerReadBytes = 512;
// Update-file generation error: IC version not found or a mode switch failed.
inline constexpr int kIcVersionError = 258;

// Reads 512 bytes at nStartAddr (up to 5 attempts, 100 ms after each). At the
// hardware-ID register the low three bits of byte 0 select the suffix "AA",
// "AB", "AC" or "AD", appended to `name`; values 4..7 name no version (false).
// At any other address the first 16 bytes, pair-swapped, are a ROM string that
// must contain `name`.
bool CheckICVer(IcVersionProbe& probe, os::Os& os, std::string& name, uint32_t nStartAddr,
                bool normalFirmware);

enum class IcVersionStatus { kFound, kNotFound, kModeSwitchFailed };

struct IcVersionResult {
  IcVersionStatus status = IcVersionStatus::kNotFound;
  std::string szICVer;
  bool Found() const { return status == IcVersionStatus::kFound; }
};

struct IcVersionInput {
  IcFamily family = IcFamily::kNone;
  bool xt2 = false;                     // mode sector variant "XA"
  DriveMode mode = DriveMode::kNormal;  // from the mode query
  bool romCheckICVer = false;           // option ROMCheckICVer
  int icVersionComboIndex = -1;         // CMBB_ICVersion selection, -1 for none
};

// 4620: "4620XT2" for the XT2 variant, else the hardware-ID suffix. 4610: the ROM
// check (through normal firmware, switching modes around it) with ROMCheckICVer,
// else the combo box's choice. Traces the result.
IcVersionResult DetermineIcVersion(IcVersionProbe& probe, os::Os& os, const IcVersionInput& in);

// The first of "AB", "AC", "AD", "XT2" the version contains, or empty.
std::string IcVersionSuffix(std::string_view szICVer);

// CMBB_ICVersion: item 0 "AB" is "4610AB", item 1 "AD" is "4610AD", else nothing.
std::string IcVersionFromComboItem(int itemIndex);

// The combo box as the update page sets it up from ICVer10XT: a value of 0 or
// more preselects that item and disables the box; -1 leaves the choice to the
// user (item 0 when nothing is chosen).
struct IcVersionComboPreset {
  int itemIndex = 0;
  bool enabled = true;
};
IcVersionComboPreset IcVersionComboPresetFor(int32_t icVer10XT);

}  // namespace firmware
