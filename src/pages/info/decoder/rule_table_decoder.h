#pragma once
// Turns a raw table read from a drive (identify data, a SMART log) into rows of
// the information list, as an INI rule file describes each field: where it lies,
// its byte order, text or number, caption, pointers and bit fields.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/ini_file.h"
#include "pages/info/decoder/decode_reporter.h"
#include "pages/info/decoder/info_row.h"
#include "pages/info/decoder/value_text.h"

namespace info {

// An item is copied into a work buffer of this size; longer items are skipped.
inline constexpr size_t kWorkBufferBytes = 4096;
// Pointer slots are numbered 1 to 8.
inline constexpr int kPointerSlotCount = 8;

inline constexpr const char* kRuleSettingSection = "Setting";
inline constexpr const char* kItemSectionTag = "Item_";
inline constexpr const char* kLoadIniErrorCaption = "Load INI file Error";
// Tag of the debugger-output lines about rules that cannot be decoded.
inline constexpr const char* kRuleTraceTag = "[VKM_RULE]";

// Text of the error box for two item sections of one name.
std::string DuplicateSectionBoxText(const std::string& rulePath, const std::string& section);

// Appends rows to `rows` for every item section of `rules`, in file order. On
// two item sections of one name the list is emptied, the error is reported and
// decoding stops. Items the format cannot describe safely (past the table,
// longer than the work buffer, bad pointer slots, oversized bit fields) are
// skipped with a trace line; nothing is read outside `table`.
void DecodeRuleTable(std::span<const uint8_t> table, const common::IniFile& rules,
                     const std::string& rulePath, DecodeStyle style, RowSink& rows,
                     const DecodeReporter& report);

}  // namespace info
