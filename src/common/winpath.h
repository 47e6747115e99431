#pragma once
// Paths in the product are built Windows-style ("<ExeDir>\VK4610XT\ISP.bin") and
// packages are authored on Windows, where names are case-insensitive. These
// helpers turn such a path into a native one that exists on this file system.
#include <string>
#include <string_view>

namespace common {

// Backslashes become separators; each component that does not exist with its
// exact case is replaced by the first entry of its folder that matches it
// case-insensitively. Components that match nothing are kept as written, so the
// result of a missing file is still a usable path for creating it.
std::string ToNativePath(std::string_view windowsPath);

// Joins with a single backslash, the product's own separator.
std::string JoinWinPath(std::string_view a, std::string_view b);

// The folder part of a path (without the trailing separator); either separator counts.
std::string ParentFolder(std::string_view path);

}  // namespace common
