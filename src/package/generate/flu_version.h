#pragma once
// The version text an update file carries (and the drive reports after the
// update): the SetCID.ini override when the package sets one, else the text
// made from the image's identity field.
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace firmware {

// Eight bytes as written to IDENTIFY words 23..26; a seven-character version
// ends with a zero byte.
using BuildVersion = std::array<uint8_t, 8>;

// From the image's 16-byte identity field. A field that does not start with a
// digit gives its first 7 characters and a blank. A dated field ("20190220A0")
// gives the year letter (year - 1936: 2019 is "S") and the next six characters
// ("0220A0", a sixth "_" read as a blank), then a zero byte.
BuildVersion VersionFromIdentityField(std::span<const uint8_t> field);

// The override text (at most 8 characters, zero-padded) when it is non-empty,
// else the identity field's version.
BuildVersion BuildVersionText(const std::string& setCidOverride,
                              std::span<const uint8_t> identityField);

// The version as text: up to the first zero byte.
std::string BuildVersionString(const BuildVersion& v);

}  // namespace firmware
