#include "package/generate/set_cid.h"

#include <string>

#include "common/text.h"
#include "package/generate/flash_clock.h"

namespace firmware {
namespace {

constexpr int32_t kUnchanged = -1;
constexpr const char* kCid = "CID";
constexpr const char* kIdTable = "IDTable";
constexpr uint8_t kSataPhyDefaultValue = 0x12;
constexpr uint8_t kSataPhyValueDefault = 0x28;
constexpr uint8_t kSignBit = 0x80;

uint8_t Low(int32_t v) { return static_cast<uint8_t>(v & 0xFF); }

void SetBit(std::span<uint8_t> b, size_t at, int bit, bool on) {
  const auto mask = static_cast<uint8_t>(1U << bit);
  b[at] = on ? static_cast<uint8_t>(b[at] | mask) : static_cast<uint8_t>(b[at] & ~mask);
}

class CidKeys {
 public:
  CidKeys(const common::IniFile& ini, std::span<uint8_t> cid) : ini_(ini), cid_(cid) {}

  int32_t Int(const std::string& key, int32_t def = kUnchanged) const {
    return ini_.ReadInteger(kCid, key, def);
  }
  // The key's value to each byte, when given.
  void Bytes(const std::string& key, std::span<const size_t> at) {
    const int32_t v = Int(key);
    if (v == kUnchanged) return;
    for (size_t a : at) cid_[a] = Low(v);
  }
  // Non-zero sets, zero clears the bit (inverted: the other way round).
  void Switch(const std::string& key, size_t at, int bit, bool inverted = false) {
    const int32_t v = Int(key);
    if (v != kUnchanged) SetBit(cid_, at, bit, (v != 0) != inverted);
  }
  void Clock(uint16_t code) {
    cid_[cid_byte::kFlashClock] = static_cast<uint8_t>(code & 0xFF);
    cid_[cid_byte::kFlashClock + 1] = static_cast<uint8_t>(code >> 8);
  }
  const common::IniFile& Ini() const { return ini_; }
  std::span<uint8_t> Cid() { return cid_; }

 private:
  const common::IniFile& ini_;
  std::span<uint8_t> cid_;
};

void ApplyCidSection(CidKeys& k, IcFamily family, std::string_view tag) {
  std::span<uint8_t> cid = k.Cid();
  if (k.Int("EnableAdjTemp", 0) == 1) {
    const int32_t t = k.Int("AdjTemp", 0);
    cid[cid_byte::kAdjTemp] = t < 0 ? static_cast<uint8_t>(Low(-t) | kSignBit) : Low(t);
  }
  if (k.Int("EnFlashClock", 0) == 1) {
    const auto code = FlashClockCode(k.Ini().ReadString(kCid, "FlashClock", "0"));
    if (code) k.Clock(*code);
  }
  k.Bytes("CTRLDRV", cid_byte::kCtrlDrv);
  k.Bytes("DQSDRV", cid_byte::kDqsDrv);
  k.Switch("ENABLESMART05C5BE0", cid_byte::kSmartSwitchesA, 0);
  k.Switch("EnGcProgSuspend", cid_byte::kSmartSwitchesA, 7);
  const int32_t odt = k.Int("ForceZeroToFlashODT");
  if (odt != kUnchanged && odt != 0) {
    for (size_t a : cid_byte::kFlashOdt) cid[a] = 0;
  }
  k.Switch("ENABLESMARTC7BE0", cid_byte::kSmartSwitchesB, 3);
  const auto has = [&](std::string_view w) { return tag.find(w) != std::string_view::npos; };
  const bool direct = family == IcFamily::k4610 || has("N18") || has("N28") || has("T28");
  k.Switch("ENABLESMARTC3BE0", cid_byte::kSmartSwitchesB, 6, !direct);
  for (size_t i = 0; i < 3; ++i) {
    const size_t pre[] = {cid_byte::kTxPreEmphasis + i};
    const size_t amp[] = {cid_byte::kTxAmplitude + i};
    k.Bytes(common::Format("TX_PREEPS_GEN%d", static_cast<int>(i + 1)), pre);
    k.Bytes(common::Format("TX_AMP_GEN%d", static_cast<int>(i + 1)), amp);
  }
  // The PHY defaults hold whether or not the package changes them.
  SetBit(cid, cid_byte::kPhyEnable, 0, true);
  cid[cid_byte::kSataPhyDefault] = kSataPhyDefaultValue;
  cid[cid_byte::kSataPhyValue] = kSataPhyValueDefault;
  const size_t phy[] = {cid_byte::kSataPhyValue};
  k.Bytes("SetSATAPhyValue", phy);
  k.Switch("DisHynixFailurePreventionWA", cid_byte::kWorkarounds, 5);
  for (size_t n = 0; n < cid_byte::kRecordLength; ++n) {
    const size_t at[] = {n};
    k.Bytes(common::Format("Offset_0x%.2X", static_cast<unsigned>(n)), at);
  }
  k.Switch("TSBPowerConsumption", cid_byte::kWorkarounds, 4);
  const int32_t lv1 = k.Int("ThermalThrottlingLV1");
  const int32_t lv2 = k.Int("ThermalThrottlingLV2");
  const int32_t lv3 = k.Int("ThermalThrottlingLV3");
  if (lv1 != kUnchanged && lv2 != kUnchanged && lv3 != kUnchanged) {
    cid[cid_byte::kThermal] = Low(lv2);
    cid[cid_byte::kThermal + 1] = Low(lv1);
    cid[cid_byte::kThermal + 2] = Low(lv3);
    cid[cid_byte::kThermal + 3] = Low(lv3 - 1);
  }
  // Only a number: a clock name was handled by EnFlashClock above.
  const int32_t clock = k.Int("FlashClock");
  if (clock != kUnchanged) k.Clock(static_cast<uint16_t>(clock & 0xFFFF));
}

void ApplyIdTableSection(const common::IniFile& ini, std::span<uint8_t> id) {
  const auto sw = [&](const char* key, std::initializer_list<size_t> at, int bit) {
    const int32_t v = ini.ReadInteger(kIdTable, key, kUnchanged);
    if (v == kUnchanged) return;
    for (size_t a : at) SetBit(id, a, bit, v == 1);
  };
  sw("EnableHIPM", {identify_byte::kHipm}, 1);
  sw("EnableDIPM", {identify_byte::kDipm}, 3);
  sw("EnableDevSlp", {identify_byte::kDevSlp}, 0);
  sw("EnSMARTSelfTest", {identify_byte::kSelfTestA, identify_byte::kSelfTestB}, 1);
}

}  // namespace

void ApplySetCid(const common::IniFile& ini, IcFamily family, std::string_view mappedTag,
                 std::span<uint8_t> cid, std::span<uint8_t> identify) {
  if (cid.size() >= cid_byte::kRecordLength) {
    CidKeys keys(ini, cid.first(cid_byte::kRecordLength));
    ApplyCidSection(keys, family, mappedTag);
  }
  if (identify.size() >= identify_byte::kLength) ApplyIdTableSection(ini, identify);
}

}  // namespace firmware
