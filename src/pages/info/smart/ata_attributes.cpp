#include "pages/info/smart/ata_attributes.h"

#include <array>
#include <bitset>

#include "common/bytes.h"
#include "pages/info/smart/ata_smart_table.h"

namespace info {
namespace {

size_t TableEntry(int i) {
  return kSmartAttributeTableOffset + static_cast<size_t>(i) * kSmartAttributeBytes;
}

size_t VendorEntry(int i) {
  return kSmartVendorAreaOffset + static_cast<size_t>(i) * kSmartAttributeBytes;
}

}  // namespace

std::vector<AtaAttribute> AtaAttributes(std::span<const uint8_t> smartData,
                                        std::span<const uint8_t> thresholds,
                                        bool addVendorSpecific) {
  // Threshold by ID; the first entry of an ID counts, as for the values.
  std::array<std::optional<uint8_t>, 256> limit{};
  if (!thresholds.empty()) {
    for (int i = 0; i < kSmartAttributeCount; ++i) {
      const uint8_t id = common::Read8(thresholds, TableEntry(i) + kThresholdId);
      if (id != 0 && !limit[id])
        limit[id] = common::Read8(thresholds, TableEntry(i) + kThresholdValue);
    }
  }
  std::vector<AtaAttribute> out;
  std::bitset<256> seen;
  // False at an entry of ID 0.
  auto add = [&](size_t at, bool vendorArea) {
    const uint8_t id = common::Read8(smartData, at + kAttrId);
    if (id == 0) return false;
    if (seen.test(id)) return true;
    seen.set(id);
    AtaAttribute a;
    a.id = id;
    a.current = common::Read8(smartData, at + kAttrCurrent);
    a.worst = common::Read8(smartData, at + kAttrWorst);
    for (size_t b = 0; b < kAttrRawBytes; ++b) {
      a.raw |= uint64_t{common::Read8(smartData, at + kAttrRaw + b)} << (8 * b);
    }
    a.vendorArea = vendorArea;
    if (!vendorArea) a.threshold = limit[id];
    out.push_back(a);
    return true;
  };
  for (int i = 0; i < kSmartAttributeCount; ++i) add(TableEntry(i), false);
  if (addVendorSpecific) {
    for (int i = 0; i < kSmartVendorAttributeCount; ++i) {
      if (!add(VendorEntry(i), true)) break;
    }
  }
  return out;
}

}  // namespace info
