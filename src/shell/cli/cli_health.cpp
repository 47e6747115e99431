#include "shell/cli/cli_health.h"

#include <ostream>
#include <string>

#include "common/bytes.h"

namespace app::cli {
namespace {

// NVMe health log temperatures, in kelvins: the composite and sensors 1..8
// (a sensor reading 0 is not fitted).
constexpr size_t kCompositeTemperature = 1;
constexpr size_t kTemperatureSensors = 200;
constexpr size_t kTemperatureSensorCount = 8;
constexpr int kZeroCelsiusKelvins = 273;

void WriteTemperature(common::JsonWriter& j, const std::string& name, uint16_t kelvin) {
  j.BeginObject();
  j.Key("name").String(name);
  j.Key("kelvin").Uint(kelvin);
  j.Key("celsius").Int(int64_t{kelvin} - kZeroCelsiusKelvins);
  j.EndObject();
}

}  // namespace

int HealthExitBits(const std::optional<info::HealthVerdict>& verdict) {
  if (!verdict) return 0;
  switch (verdict->level) {
    case info::Health::kBad:
      return kExitHealthBad;
    case info::Health::kCaution:
      return kExitHealthCaution;
    case info::Health::kGood:
      break;
  }
  return 0;
}

void WriteHealthJson(common::JsonWriter& j, const std::optional<info::HealthVerdict>& verdict) {
  if (!verdict) return;
  j.Key("health").BeginObject();
  j.Key("verdict").String(std::string(info::HealthText(verdict->level)));
  j.Key("reasons").BeginArray();
  for (const std::string& r : verdict->reasons) j.String(r);
  j.EndArray();
  j.EndObject();
}

void PrintHealth(std::ostream& out, const std::optional<info::HealthVerdict>& verdict,
                 int labelWidth) {
  if (!verdict) return;
  std::string label = "Health: ";
  if (static_cast<int>(label.size()) < labelWidth)
    label.resize(static_cast<size_t>(labelWidth), ' ');
  out << label << info::HealthLine(*verdict) << "\n";
}

void WriteSmartNumbersJson(common::JsonWriter& j, const info::InfoPages& pages) {
  if (!pages.LastHealth()) return;  // the drive's SMART data was not read
  if (pages.LastHealthFromNvme()) {
    const std::span<const uint8_t> log = pages.LastHealthLog();
    j.Key("temperatures").BeginArray();
    WriteTemperature(j, "Composite temperature", common::ReadLe16(log, kCompositeTemperature));
    for (size_t i = 0; i < kTemperatureSensorCount; ++i) {
      const uint16_t k = common::ReadLe16(log, kTemperatureSensors + 2 * i);
      if (k != 0) WriteTemperature(j, "Temperature sensor " + std::to_string(i + 1), k);
    }
    j.EndArray();
    return;
  }
  j.Key("attributes").BeginArray();
  for (const info::AtaAttribute& a : pages.LastAtaAttributes()) {
    j.BeginObject();
    j.Key("id").Uint(a.id);
    j.Key("current").Uint(a.current);
    j.Key("worst").Uint(a.worst);
    j.Key("threshold");
    if (a.threshold) {
      j.Uint(*a.threshold);
    } else {
      j.Null();
    }
    j.Key("raw").Uint(a.raw);
    j.EndObject();
  }
  j.EndArray();
}

}  // namespace app::cli
