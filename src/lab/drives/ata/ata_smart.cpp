#include "lab/drives/ata/ata_smart.h"

#include <algorithm>

#include "common/bytes.h"

namespace lab::drives {

namespace {

constexpr uint16_t kPrefail = 0x0001;
constexpr uint16_t kOnline = 0x0002;
constexpr uint16_t kPerformance = 0x0004;
constexpr uint16_t kErrorRate = 0x0008;
constexpr uint16_t kEventCount = 0x0010;
constexpr uint16_t kSelfPreserving = 0x0020;

uint8_t Percent(uint64_t v) { return static_cast<uint8_t>(std::min<uint64_t>(v, 100)); }

}  // namespace

std::vector<SmartAttribute> SsdAttributes(const SmartCounters& c) {
  const uint8_t life = Percent(c.lifeLeft);
  const uint8_t spare = static_cast<uint8_t>(c.reallocated >= 100 ? 1 : 100 - c.reallocated);
  const uint8_t temp = static_cast<uint8_t>(100 - std::min<uint8_t>(c.temperature, 99));
  // Temperature: current and lowest/highest seen, as SSDs pack them.
  const uint64_t tempRaw = uint64_t{c.temperature} | uint64_t{20} << 16 | uint64_t{70} << 32;
  return {
      {0x01, kOnline | kErrorRate | kSelfPreserving, 100, 100, 50, 0},
      {0x05, kPrefail | kOnline | kEventCount | kSelfPreserving, spare, spare, 10, c.reallocated},
      {0x09, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.powerOnHours},
      {0x0C, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.powerCycles},
      {0xA0, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, 0},
      {0xA1, kPrefail | kOnline | kEventCount | kSelfPreserving, 100, 100, 0, 100},
      {0xA3, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, 12},
      {0xA4, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.averageEraseCount * 64},
      {0xA5, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.averageEraseCount + 7},
      {0xA6, kOnline | kEventCount | kSelfPreserving, 100, 100, 0,
       c.averageEraseCount > 3 ? c.averageEraseCount - 3 : 0},
      {0xA7, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.averageEraseCount},
      {0xA8, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, 3000},
      {0xA9, kOnline | kEventCount | kSelfPreserving, life, life, 10, life},
      {0xAF, kPrefail | kOnline | kEventCount | kSelfPreserving, 100, 100, 10, 0},
      {0xC0, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.unsafeShutdowns},
      {0xC2, kOnline | kSelfPreserving, temp, temp, 0, tempRaw},
      {0xC3, kOnline | kErrorRate | kSelfPreserving, 100, 100, 0, 0},
      {0xC4, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.reallocated},
      {0xC5, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, 0},
      {0xC6, kEventCount | kSelfPreserving, 100, 100, 0, 0},
      {0xC7, kOnline | kErrorRate | kSelfPreserving, 100, 100, 0, 0},
      {0xE8, kPrefail | kOnline | kPerformance | kSelfPreserving, 100, 100, 10, 100},
      {0xF1, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.hostWrites32MiB},
      {0xF2, kOnline | kEventCount | kSelfPreserving, 100, 100, 0, c.hostReads32MiB},
  };
}

void SetRaw(std::vector<SmartAttribute>& attrs, uint8_t id, uint64_t raw) {
  for (SmartAttribute& a : attrs) {
    if (a.id == id) {
      a.raw = raw;
      return;
    }
  }
  attrs.push_back({id, kOnline | kEventCount, 100, 100, 0, raw});
}

void SetValue(std::vector<SmartAttribute>& attrs, uint8_t id, uint8_t current, uint8_t threshold) {
  for (SmartAttribute& a : attrs) {
    if (a.id == id) {
      a.current = current;
      a.worst = std::min(a.worst, current);
      a.threshold = threshold;
      return;
    }
  }
  attrs.push_back({id, kOnline | kEventCount, current, current, threshold, 0});
}

void SealSmart(std::span<uint8_t> sector) {
  if (sector.size() < kSectorSize) return;
  uint8_t sum = 0;
  for (size_t i = 0; i < smart::kChecksum; ++i) sum = static_cast<uint8_t>(sum + sector[i]);
  sector[smart::kChecksum] = static_cast<uint8_t>(0x100 - sum);
}

Sector BuildSmartData(std::span<const SmartAttribute> attrs, const SmartTag& tag) {
  Sector s{};
  common::WriteLe16(s, smart::kRevision, 0x0010);
  for (size_t i = 0; i < attrs.size() && i < smart::kEntries; ++i) {
    const size_t at = smart::kTable + i * smart::kEntrySize;
    const SmartAttribute& a = attrs[i];
    s[at] = a.id;
    common::WriteLe16(s, at + 1, a.flags);
    s[at + 3] = a.current;
    s[at + 4] = a.worst;
    for (size_t b = 0; b < 6; ++b) s[at + 5 + b] = static_cast<uint8_t>(a.raw >> (8 * b));
  }
  s[smart::kOfflineStatus] = 0x00;   // never started
  s[smart::kSelfTestStatus] = 0x00;  // last self-test completed without error
  common::WriteLe16(s, smart::kOfflineTime, 0);
  s[smart::kOfflineCapability] = 0x5B;  // offline immediate, self-tests, error recovery
  common::WriteLe16(s, smart::kSmartCapability, 0x0003);  // saves data over power cycles
  s[smart::kErrorLogCapability] = 0x01;
  s[smart::kShortTestMinutes] = 2;
  s[smart::kExtendedTestMinutes] = 10;
  for (size_t i = 0; i < tag.text.size(); ++i) {
    const size_t at = tag.offset + i;
    if (at >= smart::kChecksum) break;
    s[at] = static_cast<uint8_t>(tag.text[i]);
  }
  SealSmart(s);
  return s;
}

Sector BuildSmartThresholds(std::span<const SmartAttribute> attrs) {
  Sector s{};
  common::WriteLe16(s, smart::kRevision, 0x0010);
  for (size_t i = 0; i < attrs.size() && i < smart::kEntries; ++i) {
    const size_t at = smart::kTable + i * smart::kEntrySize;
    s[at] = attrs[i].id;
    s[at + 1] = attrs[i].threshold;
  }
  SealSmart(s);
  return s;
}

}  // namespace lab::drives
