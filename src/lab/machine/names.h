#pragma once
// How the lab makes up the names Windows would give its devices: stable
// pseudo-random parts of instance ids, id fields with blanks replaced.
#include <cstdint>
#include <string>
#include <string_view>

namespace lab {

// FNV-1a: the same text gives the same number on every run.
uint32_t StableHash(std::string_view text);

// A field of a device instance id ("VEN_...&PROD_..."): blanks and characters
// an id cannot hold become '_', trailing blanks are dropped first.
std::string IdField(std::string_view text, size_t maxLength);

}  // namespace lab
