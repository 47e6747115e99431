#include "pages/info/summary_values.h"

#include <algorithm>

#include "common/bytes.h"
#include "common/text.h"
#include "device/core/identity_reader.h"
#include "pages/info/decoder/table_decoders.h"
#include "pages/info/format_thousands.h"
#include "pages/info/smart/ata_smart_table.h"

namespace info {
namespace {

// The identity texts shown as the drive stores them: blanks kept, any other
// byte outside printable ASCII escaped.
void SetShownIdentity(SummaryValues& v, const device::IdentityTexts& t) {
  v.model = common::ShownText(t.model);
  v.firmware = common::ShownText(t.firmware);
  v.serial = common::ShownText(t.serial);
}

bool Bit16(std::span<const uint8_t> block, size_t offset, uint16_t mask) {
  return (common::ReadLe16(block, offset) & mask) != 0;
}

// The raw value of the last entry with `id` among the 30 attribute entries,
// or nothing (all zero) when no entry has it.
std::span<const uint8_t> LastRawValue(std::span<const uint8_t> smart, uint8_t id) {
  std::span<const uint8_t> raw;
  for (int i = 0; i < kSmartAttributeCount; ++i) {
    const size_t entry = kSmartAttributeTableOffset + static_cast<size_t>(i) * kSmartAttributeBytes;
    if (!common::Fits(smart.size(), entry, kSmartAttributeBytes)) break;
    if (smart[entry + kAttrId] == id) raw = smart.subspan(entry + kAttrRaw, kAttrRawBytes);
  }
  return raw;
}

std::span<const uint8_t> Field(std::span<const uint8_t> block, size_t offset, size_t length) {
  if (!common::Fits(block.size(), offset, length)) return {};
  return block.subspan(offset, length);
}

}  // namespace

SummaryFeatures AtaSummaryFeatures(std::span<const uint8_t> identify) {
  SummaryFeatures f;
  f.smart = Bit16(identify, kIdWord82, kIdSmartBit);
  f.ncq = Bit16(identify, kIdWord76, kIdNcqBit);
  f.apm = Bit16(identify, kIdWord83, kIdApmBit);
  f.trim = Bit16(identify, kIdWord169, kIdTrimBit);
  return f;
}

SummaryValues AtaSummaryValues(std::span<const uint8_t> identify, std::span<const uint8_t> smart) {
  SummaryValues v;
  SetShownIdentity(v, device::AtaIdentityTexts(identify));
  v.features = AtaSummaryFeatures(identify);

  // Power-on hours: the low 32 bits of the raw value.
  v.powerOnHours = std::to_string(common::ReadLe32(LastRawValue(smart, kAttrPowerOnHours), 0));
  v.lifePercent = common::Read8(LastRawValue(smart, kAttrRemainingLife), 0);
  v.bytesWritten = ScaledDecimal(LastRawValue(smart, kAttrTotalWritten), kTotalWrittenUnitBytes);
  return v;
}

SummaryValues NvmeSummaryValues(std::span<const uint8_t> identifyController,
                                std::span<const uint8_t> healthLog) {
  SummaryValues v;
  SetShownIdentity(v, device::NvmeIdentityTexts(identifyController));
  v.features.smart = true;
  v.features.ncq = true;
  v.features.apm = (common::Read8(identifyController, kNvmeIdApsta) & kNvmeApstaBit) != 0;
  v.features.trim = Bit16(identifyController, kNvmeIdOncs, kNvmeOncsDatasetManagementBit);

  v.powerOnHours = ScaledDecimal(Field(healthLog, kNvmeLogPowerOnHours, kNvmeLogCounterBytes));
  // Percentage used may pass 100 on a drive used beyond its rated life.
  v.lifePercent = std::max(0, 100 - int{common::Read8(healthLog, kNvmeLogPercentageUsed)});
  v.bytesWritten = ScaledDecimal(Field(healthLog, kNvmeLogDataUnitsWritten, kNvmeLogCounterBytes),
                                 kNvmeDataUnitBytes);
  return v;
}

SummaryTexts FormatSummary(const SummaryValues& values) {
  SummaryTexts t;
  t.modelName = values.model;
  t.fwVersion = values.firmware;
  t.serialNumber = values.serial;
  t.powerOnTime = values.powerOnHours + " Hours";
  t.ssdLife = common::Format("%d.00%%", values.lifePercent);
  t.bytesWritten = GroupThousands(values.bytesWritten);
  return t;
}

}  // namespace info
