#pragma once
// The files a lab keeps beside lab.ini, in its "state" folder: one sparse
// media file and one state text per disk ("<section>.img", "<section>.state").
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lab {

// Writes the whole file through a temporary beside it and a rename, so a
// reader (or a restart after a crash) sees either the old or the new content.
bool WriteFileAtomically(const std::string& path, std::string_view text);

// The file's text, or nothing when it is missing or larger than `limit`.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit = 1u << 20);

// A section name made safe as a file name: letters, digits, '-' and '_' kept,
// anything else turned into '_'.
std::string StateFileStem(std::string_view section);

}  // namespace lab
