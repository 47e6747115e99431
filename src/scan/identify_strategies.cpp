#include "scan/identify_strategies.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "scan/scan_rules.h"
#include "package/firmware_tag.h"
#include "package/mode_sector.h"
#include "package/parameter_block.h"

namespace app {
namespace {

std::span<uint8_t> Sector(std::span<uint8_t> buffer) { return buffer.first(kAtaSectorBytes); }

// Every attempt starts by naming the profile's controller and attaching.
bool StartAttempt(const IdentifyTarget& t, const ControllerProfile& p) {
  t.dev.SetControllerName(p.VKMStrTag, static_cast<uint32_t>(p.VKMStrTag.size()));
  return t.dev.Attach(&t.drive);
}

const ControllerProfile& ProfileAt(const ProfileTable& table, int index) {
  return table.Profiles[static_cast<size_t>(index)];
}

int ProfileCount(const ProfileTable& table) {
  return table.ProfileCount < 0 ? 0 : std::min(table.ProfileCount, kMaxProfiles);
}

// Up to kNvmeVendorReadAttempts reads until one succeeds; a series that never
// succeeds leaves whatever the buffer holds.
void VendorReadSeries(const IdentifyTarget& t, uint8_t selector) {
  for (int attempt = 0; attempt < kNvmeVendorReadAttempts; ++attempt) {
    if (t.dev.NvmeVendorRead(t.slot.nvmeVendorInfo, selector) == 0) return;
  }
}

void ReadSmart(const IdentifyTarget& t) {
  t.dev.SmartEnableOperations();
  t.dev.SmartReadData(Sector(t.slot.smartData));
}

// The profile tag a parameter block of this family and variant answers to.
const char* FamilyTag(firmware::IcFamily family, bool xt2) {
  switch (family) {
    case firmware::IcFamily::k4610:
      return kTag4610;
    case firmware::IcFamily::k4620:
      return xt2 ? kTag4620Xt2 : kTag4620;
    case firmware::IcFamily::kNone:
      break;
  }
  return nullptr;
}

}  // namespace

IdentifyStrategy ChooseStrategy(uint32_t devAttribute, const AppOptions& options) {
  if (device::IsNvme(devAttribute)) return IdentifyStrategy::kNvme;
  if (options.EnableUseModelNameToFindIC) return IdentifyStrategy::kModelName;
  if (options.EnableUseSMARTToFindIC) return IdentifyStrategy::kSmart;
  return IdentifyStrategy::kParameterBlock;
}

int IdentifyNvme(const IdentifyTarget& t) {
  for (int i = 0; i < ProfileCount(t.profiles); ++i) {
    const ControllerProfile& p = ProfileAt(t.profiles, i);
    if (!StartAttempt(t, p)) continue;
    t.os.Sleep(kNvmeVendorReadPauseMs);
    VendorReadSeries(t, 0);
    t.os.Sleep(kNvmeVendorReadPauseMs);
    if (t.slot.nvmeVendorInfo[kNvmeVendorInfoMoreFlag] != 0) VendorReadSeries(t, 1);
    t.dev.NvmeIdentify(t.slot.nvmeIdentifyController, 0, true);
    t.dev.NvmeIdentify(t.slot.nvmeIdentifyNamespace, kFirstNamespace, false);
    if (BytesEqualAt(t.slot.nvmeVendorInfo, p.SubVKMStrTagOffset, p.SubVKMStrTag)) return i;
  }
  return kNoProfile;
}

int IdentifyByModelName(const IdentifyTarget& t) {
  for (int i = 0; i < ProfileCount(t.profiles); ++i) {
    const ControllerProfile& p = ProfileAt(t.profiles, i);
    StartAttempt(t, p);  // a drive that refuses the vendor attach may still be named
    t.dev.IdentifyDevice(Sector(t.slot.ataIdentify));
    t.dev.ReadParameterBlock(t.slot.parameterBlock);
    ReadSmart(t);
    if (!t.dev.IdentifyDevice(Sector(t.slot.ataIdentify))) continue;
    const std::string model = AtaModelField(t.slot.ataIdentify);
    if (MaskedCompare(p.VKMStrTag, model, p.VKMStrTag.size(), p.VKMStrTagMask)) return i;
  }
  return kNoProfile;
}

int IdentifyBySmart(const IdentifyTarget& t) {
  for (int i = 0; i < ProfileCount(t.profiles); ++i) {
    const ControllerProfile& p = ProfileAt(t.profiles, i);
    StartAttempt(t, p);
    t.dev.ReadParameterBlock(t.slot.parameterBlock);
    t.dev.SmartEnableOperations();
    if (!t.dev.SmartReadData(Sector(t.slot.smartData))) continue;
    // Only the sector that was read is searched.
    const std::span<const uint8_t> smart = Sector(t.slot.smartData);
    if (!BytesEqualAt(smart, p.SMARTSearchStrOffset, p.VKMStrTag)) continue;
    t.dev.IdentifyDevice(Sector(t.slot.ataIdentify));
    ReadSmart(t);
    return i;
  }
  return kNoProfile;
}

int IdentifyByParameterBlock(const IdentifyTarget& t) {
  for (int i = 0; i < ProfileCount(t.profiles); ++i) {
    const ControllerProfile& p = ProfileAt(t.profiles, i);
    if (!StartAttempt(t, p) || (t.drive.devAttribute & device::STORAGE_ATA) == 0) continue;
    t.dev.IdentifyDevice(Sector(t.slot.ataIdentify));
    t.dev.ReadParameterBlock(t.slot.parameterBlock);
    std::array<uint8_t, firmware::ModeSector::kSize> modeBytes{};
    int mode = 0;
    t.dev.ModeQuery(&mode, modeBytes);

    const firmware::ParameterBlock block(t.slot.parameterBlock);
    if (firmware::ExtractFirmwareIdentity(block).tag.empty()) continue;
    // The family is judged afresh for each attempt: the block was just read again.
    const char* tag = FamilyTag(block.Family(), firmware::ModeSector(modeBytes).IsXt2());
    if (tag == nullptr || p.VKMStrTag != tag) continue;
    ReadSmart(t);
    return i;
  }
  return kNoProfile;
}

int Identify(IdentifyStrategy strategy, const IdentifyTarget& t) {
  switch (strategy) {
    case IdentifyStrategy::kNvme:
      return IdentifyNvme(t);
    case IdentifyStrategy::kModelName:
      return IdentifyByModelName(t);
    case IdentifyStrategy::kSmart:
      return IdentifyBySmart(t);
    case IdentifyStrategy::kParameterBlock:
      return IdentifyByParameterBlock(t);
  }
  return kNoProfile;
}

}  // namespace app
