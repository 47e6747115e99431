#pragma once
// The health verdict and the SMART numbers on the command line: the text
// line, the JSON members and the exit-status bits of `summary` and `smart`.
#include <iosfwd>
#include <optional>

#include "common/json_writer.h"
#include "pages/info/health/health_verdict.h"
#include "pages/info/info_pages.h"

namespace app::cli {

// Bits added to the exit code of a `summary` or `smart` that read the drive,
// apart from the low codes (0..4) every subcommand keeps.
inline constexpr int kExitHealthBad = 8;
inline constexpr int kExitHealthCaution = 16;

// kExitHealthBad, kExitHealthCaution or 0 (Good, or no verdict).
int HealthExitBits(const std::optional<info::HealthVerdict>& verdict);

// "health": {"verdict": "...", "reasons": [...]}; nothing without a verdict.
void WriteHealthJson(common::JsonWriter& j, const std::optional<info::HealthVerdict>& verdict);
// "Health: <word>: <reasons>", the label padded to at least `labelWidth`.
void PrintHealth(std::ostream& out, const std::optional<info::HealthVerdict>& verdict,
                 int labelWidth);

// The numbers behind the SMART rows the last click read: "attributes" for an
// ATA drive (one per row, in row order), "temperatures" for an NVMe drive.
void WriteSmartNumbersJson(common::JsonWriter& j, const info::InfoPages& pages);

}  // namespace app::cli
