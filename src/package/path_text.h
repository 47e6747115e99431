#pragma once
// Text operations on product paths: the case-insensitive placeholder
// replacement, and the check that text taken from a drive stays inside the
// folder it is put into.
#include <string>
#include <string_view>

namespace firmware {

// Every occurrence of `from` (compared ignoring case) replaced by `to`; the
// inserted text is not searched again. An empty `from` changes nothing.
std::string ReplaceAllNoCase(std::string_view text, std::string_view from, std::string_view to);

// True when the text, split at either separator, has a ".." level: a drive's
// tag, model name or version must not lead out of the package folder.
bool LeavesFolder(std::string_view text);

// True when drive text may name exactly one folder level inside the package:
// no separator, no drive or stream colon, not "." or "..". Empty is allowed
// (an empty level is the folder itself).
bool IsSafeFolderLevel(std::string_view text);

// True when text built from drive data (a mapped tag such as BiCS\TSB\8die\BiCS4)
// stays inside the folder it is joined to: every level is safe and non-empty,
// so it neither starts at a root nor climbs out.
bool IsSafeRelativeFolder(std::string_view text);

}  // namespace firmware
