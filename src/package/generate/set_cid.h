#pragma once
// The per-tag configuration changes of SetCID.ini: section CID changes the
// drive's CID record, section IDTable its IDENTIFY template. Integer keys that
// are missing (or not numbers) leave their bytes alone.
#include <cstdint>
#include <span>
#include <string_view>

#include "common/ini_file.h"
#include "package/ic_family.h"

namespace firmware {

// CID record bytes the keys touch.
namespace cid_byte {
inline constexpr size_t kAdjTemp = 0;
inline constexpr size_t kFlashClock = 18;  // 16-bit little-endian
inline constexpr size_t kCtrlDrv[] = {20, 24, 28, 32};
inline constexpr size_t kDqsDrv[] = {22, 26, 30, 34};
inline constexpr size_t kFlashOdt[] = {49, 50};
inline constexpr size_t kSataPhyDefault = 57;
inline constexpr size_t kSmartSwitchesA = 62;  // bit 0 SMART 05/C5, bit 7 GC program suspend
inline constexpr size_t kSmartSwitchesB = 63;  // bit 3 SMART C7, bit 6 SMART C3
inline constexpr size_t kPhyEnable = 65;       // bit 0
inline constexpr size_t kTxPreEmphasis = 68;   // Gen1..3
inline constexpr size_t kTxAmplitude = 71;     // Gen1..3
inline constexpr size_t kSataPhyValue = 75;
inline constexpr size_t kWorkarounds = 82;  // bit 4 TSB power, bit 5 Hynix failure prevention
inline constexpr size_t kThermal = 92;      // LV2, LV1, LV3, LV3 - 1
inline constexpr size_t kRecordLength = 128;
}  // namespace cid_byte

// IDENTIFY template bytes of the IDTable switches.
namespace identify_byte {
inline constexpr size_t kHipm = 153;       // word 76 bit 9
inline constexpr size_t kDipm = 156;       // word 78 bit 3
inline constexpr size_t kDevSlp = 157;     // word 78 bit 8
inline constexpr size_t kSelfTestA = 168;  // word 84 bit 1
inline constexpr size_t kSelfTestB = 174;  // word 87 bit 1
inline constexpr size_t kLength = 512;
}  // namespace identify_byte

// Applies section CID in its fixed key order (the Offset_0x.. keys override
// the named keys before them; the last three override them) and section
// IDTable. `cid` is at least the 128-byte record, `identify` the 512-byte
// template. The SMART C3 switch is inverted except for the 4610 family and
// N18/N28/T28 tags.
void ApplySetCid(const common::IniFile& ini, IcFamily family, std::string_view mappedTag,
                 std::span<uint8_t> cid, std::span<uint8_t> identify);

}  // namespace firmware
