#include "lab/faults/fault_list.h"

#include "common/text.h"

namespace lab {
namespace {

struct ProtocolName {
  CommandProtocol value;
  const char* name;
};
constexpr ProtocolName kProtocols[] = {
    {CommandProtocol::kAta, "ata"},
    {CommandProtocol::kScsi, "scsi"},
    {CommandProtocol::kNvme, "nvme"},
    {CommandProtocol::kNvmeIo, "nvme-io"},
};

std::optional<CommandProtocol> ProtocolFromName(std::string_view name) {
  for (const ProtocolName& p : kProtocols)
    if (common::EqualsNoCase(common::TrimView(name), p.name)) return p.value;
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `bareBase`: the base of a code written without "0x".
std::optional<uint8_t> ParseCode(std::string_view s, unsigned bareBase) {
  s = common::TrimView(s);
  unsigned base = bareBase;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    base = 16;
  }
  if (s.empty() || s.size() > 3) return std::nullopt;
  unsigned v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0 || static_cast<unsigned>(d) >= base) return std::nullopt;
    v = v * base + static_cast<unsigned>(d);
  }
  if (v > 0xFF) return std::nullopt;
  return static_cast<uint8_t>(v);
}

// A count from 1 that fits 32 bits.
std::optional<uint32_t> ParseCount(std::string_view s) {
  s = common::TrimView(s);
  if (s.empty() || s.size() > 10) return std::nullopt;
  uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v == 0 || v > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(v);
}

std::optional<FaultRule> ParseEntry(std::string_view entry, FaultListKind kind, std::string& why) {
  FaultRule rule;
  std::string_view rest = entry;
  if (const size_t colon = rest.find(':'); colon != std::string_view::npos) {
    if (auto p = ProtocolFromName(rest.substr(0, colon))) {
      rule.protocol = p;
      rest.remove_prefix(colon + 1);
    }
  }
  if (kind == FaultListKind::kTransport && !rule.protocol) {
    why = common::Format(
        "'%.*s': expected protocol:opcode (ata, scsi, nvme or nvme-io), for "
        "example ata:0x92@3",
        static_cast<int>(entry.size()), entry.data());
    return std::nullopt;
  }
  if (kind == FaultListKind::kDrive && rule.protocol) {
    why = common::Format("'%.*s': the drive's own list takes opcodes only, for example EC:2",
                         static_cast<int>(entry.size()), entry.data());
    return std::nullopt;
  }
  const size_t useMark = rest.find_first_of("@:");
  const size_t suffix = rest.find_first_of("+*");
  const size_t codeEnd = std::min(useMark, suffix);
  const auto code = ParseCode(rest.substr(0, codeEnd), rule.protocol ? 10 : 16);
  bool ok = code.has_value();
  std::optional<uint32_t> use;
  if (ok && useMark != std::string_view::npos) {
    ok = suffix == std::string_view::npos || suffix > useMark;
    if (ok) {
      const size_t end = suffix == std::string_view::npos ? rest.size() : suffix;
      use = ParseCount(rest.substr(useMark + 1, end - useMark - 1));
      ok = use.has_value();
    }
  }
  rule.first = use.value_or(kind == FaultListKind::kTransport ? 1 : 0);
  if (ok && suffix != std::string_view::npos) {
    if (rest[suffix] == '+') {
      ok = use.has_value() && common::TrimView(rest.substr(suffix + 1)).empty();
      rule.times = 0;
    } else {
      const auto times = ParseCount(rest.substr(suffix + 1));
      ok = times.has_value();
      rule.times = times.value_or(1);
      if (rule.first == 0) rule.first = 1;  // "25*2": the first two uses
    }
  }
  if (!ok) {
    why = common::Format(
        "'%.*s': expected [protocol:]opcode[@use][+ or *times], the opcode "
        "up to 0xFF, uses and times from 1",
        static_cast<int>(entry.size()), entry.data());
    return std::nullopt;
  }
  rule.code = *code;
  return rule;
}

}  // namespace

std::optional<std::vector<FaultRule>> ParseFaultList(std::string_view text, FaultListKind kind,
                                                     std::string& why) {
  std::vector<FaultRule> rules;
  for (const std::string& part : common::Split(text, ',')) {
    const std::string_view entry = common::TrimView(part);
    if (entry.empty()) continue;
    auto rule = ParseEntry(entry, kind, why);
    if (!rule) return std::nullopt;
    rules.push_back(*rule);
  }
  return rules;
}

FaultCounter::FaultCounter(const std::vector<FaultRule>& rules,
                           std::optional<CommandProtocol> protocol) {
  for (const FaultRule& r : rules)
    if (r.protocol == protocol) rules_.push_back(r);
}

bool FaultCounter::Hit(uint8_t code) {
  if (rules_.empty()) return false;
  uint32_t& n = uses_[code];
  if (n < UINT32_MAX) ++n;
  for (const FaultRule& r : rules_) {
    if (r.code != code) continue;
    if (r.first == 0) return true;
    if (n >= r.first && (r.times == 0 || n - r.first < r.times)) return true;
  }
  return false;
}

}  // namespace lab
