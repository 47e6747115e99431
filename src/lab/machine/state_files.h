#pragma once
// The files a lab keeps beside lab.ini, in its "state" folder: one sparse
// media file and one state text per disk ("<section>.img", "<section>.state").
// A state folder may sit where others can plant files, so its files are
// never reached through a symbolic link and temporaries are made exclusively.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lab {

// Writes the whole file through a temporary of its own beside it (created
// exclusively, never an existing file or link) and a rename, so a reader (or
// a restart after a crash) sees either the old or the new content.
bool WriteFileAtomically(const std::string& path, std::string_view text);

// Whether a file name is one of WriteFileAtomically's temporaries.
bool IsTemporaryName(std::string_view fileName);

enum class Links { kFollow, kRefuse };

// The text of an ordinary file, or nothing when it is missing, not an
// ordinary file, larger than `limit`, or (kRefuse) a symbolic link.
std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit = 1u << 20,
                                         Links links = Links::kFollow);

// A section name made safe as a file name: letters, digits, '-' and '_' kept,
// anything else turned into '_'.
std::string StateFileStem(std::string_view section);

}  // namespace lab
