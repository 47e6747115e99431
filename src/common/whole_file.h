#pragma once
// Writing an output file whole: the bytes go to a temporary file in the same
// folder, which replaces the target only once it is complete, so a failed
// write (disk full, a stick pulled out) leaves the previous file as it was.
#include <cstdint>
#include <span>
#include <string>

namespace common {

// `path` is a product path (backslashes). True when the file now holds `data`;
// on false the target is untouched and no temporary file is left behind.
bool WriteFileWhole(const std::string& path, std::span<const uint8_t> data);

}  // namespace common
