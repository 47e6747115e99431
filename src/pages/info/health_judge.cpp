// The health verdict the Summary and SMART pages keep for the drive they
// read: ATA attributes with the thresholds read here, or the NVMe health log.
#include "pages/info/info_pages.h"

namespace info {

void InfoPages::JudgeAtaHealth(std::span<const uint8_t> smartData) {
  std::array<uint8_t, kSmartDataBytes> thresholds{};
  // A drive or bridge that refuses the thresholds still has its counts judged.
  const bool thresholdsRead = Current().SmartReadThresholds(thresholds);
  const RuleSource rules = CurrentRules();
  lastAttributes_ = AtaAttributes(
      smartData, thresholdsRead ? std::span<const uint8_t>(thresholds) : std::span<const uint8_t>(),
      rules.profile.SMARTDataAddVendorSpecific);
  // Names only make the reasons readable: without the rule file, IDs do.
  SmartAttributeNames names;
  if (const auto file = LoadRuleFile(rules.os, rules.SmartRulePath())) {
    names = ReadSmartAttributeNames(*file, rules.profile.SMARTRule_SectionName);
  }
  lastHealth_ = AtaHealthVerdict(lastAttributes_, thresholdsRead, names);
  lastHealthNvme_ = false;
}

void InfoPages::JudgeNvmeHealth() {
  lastAttributes_.clear();
  lastHealth_ = NvmeHealthVerdict(smartLog_);
  lastHealthNvme_ = true;
}

}  // namespace info
