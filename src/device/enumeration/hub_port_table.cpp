#include "device/enumeration/hub_port_table.h"

#include <cstring>
#include <string>

#include "device/core/fixed_text.h"

namespace device {
namespace {

template <size_t N, size_t M>
bool BeginsWith(const char (&text)[N], const char (&prefix)[M]) {
  const std::string t = FixedText(text);
  const std::string p = FixedText(prefix);
  return t.compare(0, p.size(), p) == 0;
}

}  // namespace

void HubPortTable::Clear() {
  entries_ = {};
  count_ = 0;
  hubCount_ = 0;
  recognisedCount_ = 0;
}

bool HubPortTable::Add(const HubPortEntry& entry) {
  if (count_ >= kMaxEntries) return false;
  entries_[static_cast<size_t>(count_++)] = entry;
  return true;
}

bool HubPortTable::Match(UsbLocationRecord& record) const {
  for (int i = 0; i < count_; ++i) {
    const HubPortEntry& e = entries_[static_cast<size_t>(i)];
    if (BeginsWith(record.vid, e.vid) && BeginsWith(record.pid, e.pid) &&
        BeginsWith(record.serialToken, e.serial) && record.port == e.port) {
      record.hubPortCount = e.hubPortCount;
      record.recognisedOrdinal = e.recognisedOrdinal;
      record.recognisedHub = static_cast<uint8_t>(e.recognisedHub);
      return true;
    }
  }
  return false;
}

}  // namespace device
