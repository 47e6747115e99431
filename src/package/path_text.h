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

}  // namespace firmware
