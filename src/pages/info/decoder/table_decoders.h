#pragma once
// The two ways the pages decode a table: a configuration table (NVMe Identify
// Controller or ATA IDENTIFY DEVICE) in the Device Info style, and the NVMe
// SMART / Health log in the SMART style, each with its profile's rule file.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "pages/info/decoder/decode_reporter.h"
#include "pages/info/decoder/info_row.h"
#include "pages/info/decoder/rule_source.h"

namespace info {

inline constexpr size_t kNvmeIdentifyBytes = 4096;
inline constexpr size_t kAtaIdentifyBufferBytes = 1024;
inline constexpr size_t kNvmeSmartLogBytes = 512;

// ATA IDENTIFY DEVICE strings are stored as byte-swapped words.
inline constexpr size_t kAtaSerialOffset = 20;  // words 10-19
inline constexpr size_t kAtaSerialBytes = 20;
inline constexpr size_t kAtaFirmwareOffset = 46;  // words 23-26
inline constexpr size_t kAtaFirmwareBytes = 8;
inline constexpr size_t kAtaModelOffset = 54;  // words 27-46
inline constexpr size_t kAtaModelBytes = 40;

enum class ConfigTableKind { kNvme, kAta };

// Decodes `data` (4096 bytes for NVMe, the 1024-byte IDENTIFY buffer for ATA;
// shorter data reads as zero-filled) with the profile's ECTableRule_FilePath.
// Rows are appended; a missing or unreadable rule file adds nothing and is
// returned as the page's text (empty when the file was decoded).
std::string DecodeConfigTable(ConfigTableKind kind, std::span<const uint8_t> data,
                              const RuleSource& source, RowSink& rows,
                              const DecodeReporter& report);

// Empties the list, then decodes the 512-byte log with the profile's
// SMARTRule_FilePath; a missing rule file leaves the list empty and is
// returned as the page's text.
std::string DecodeNvmeSmartLog(std::span<const uint8_t> log, const RuleSource& source,
                               RowSink& rows, const DecodeReporter& report);

}  // namespace info
