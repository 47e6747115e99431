#pragma once
// Setting.ini files that would otherwise start the tool as if there were no
// drives: one stored as UTF-16 (the 8-bit reader finds no section in it) and
// one that names no controller profile (no drive can ever be identified).
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace app {

// How many leading bytes SettingsEncodingProblem looks at.
inline constexpr size_t kSettingsHeadBytes = 64;

inline constexpr const char* kSettingsUtf16Problem =
    "Setting.ini is stored as UTF-16 text, which the tool cannot read: save it as ANSI or "
    "UTF-8 and start the tool again. No setting was read.";
inline constexpr const char* kSettingsNoProfileProblem =
    "Setting.ini names no controller profile (ICType_0 to ICType_15 in [Option] are all "
    "missing or N/A), so no drive can be identified.";

// The message for a file whose first bytes (`head`, up to kSettingsHeadBytes)
// are UTF-16 text: a UTF-16 byte-order mark, or ASCII text with every other
// byte zero. A UTF-8 byte-order mark is no problem: the reader skips it.
std::optional<std::string> SettingsEncodingProblem(std::span<const uint8_t> head);

}  // namespace app
