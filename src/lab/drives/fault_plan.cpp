#include "lab/drives/fault_plan.h"

#include "common/text.h"
#include "lab/drives/value_text.h"

namespace lab::drives {

FaultPlan FaultPlan::Parse(std::string_view text) {
  FaultPlan plan;
  for (const std::string& raw : common::Split(text, ',')) {
    std::string entry = common::Trim(raw);
    if (entry.empty()) continue;
    Rule rule;
    const size_t colon = entry.find(':');
    const auto key = ParseHex32(entry.substr(0, colon));
    if (!key) continue;
    rule.key = *key;
    if (colon != std::string::npos) {
      std::string use = common::Trim(entry.substr(colon + 1));
      if (!use.empty() && use.back() == '+') {
        rule.onward = true;
        use.pop_back();
      }
      const auto n = ParseU64(use);
      if (!n || *n == 0 || *n > UINT32_MAX) continue;
      rule.use = static_cast<uint32_t>(*n);
    }
    plan.rules_.push_back(rule);
  }
  return plan;
}

bool FaultPlan::Hit(uint32_t key) {
  if (rules_.empty()) return false;
  uint32_t& count = uses_[key];
  if (count < UINT32_MAX) ++count;
  for (const Rule& r : rules_) {
    if (r.key != key) continue;
    if (r.use == 0 || count == r.use || (r.onward && count > r.use)) return true;
  }
  return false;
}

std::string FaultPlan::ToText() const {
  std::string out;
  for (const Rule& r : rules_) {
    if (!out.empty()) out += ',';
    out += common::Format("%X", r.key);
    if (r.use != 0) out += common::Format(":%u%s", r.use, r.onward ? "+" : "");
  }
  return out;
}

}  // namespace lab::drives
