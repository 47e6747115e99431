#pragma once
// A drive's firmware tag and retry tag, cut from the identity field, and the
// rewriting of the tag into the package's NAND folder levels.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "package/parameter_block.h"

namespace firmware {

// szFWTag and szRetryTag as the controller reports them (no mapping, no normalising).
struct FirmwareIdentity {
  std::string tag;
  std::string retryTag;
};

// Cuts the tag from its six raw bytes: leading blanks, "F" and NUL go, trailing
// blanks and NUL go; when every byte would go the cut starts at the first byte.
// The tag ends at an embedded NUL, as the text it is used as does.
std::string CutFirmwareTag(std::span<const uint8_t> raw);

// From a 16-byte identity field (parameter block byte 512, image offset 0xEFF0).
FirmwareIdentity ExtractFirmwareIdentity(std::span<const uint8_t> identityField);
FirmwareIdentity ExtractFirmwareIdentity(const ParameterBlock& block);

// A retry tag that does not start with a decimal digit becomes empty.
std::string NormaliseRetryTag(std::string_view retryTag);

// "SNK" for 0x45, "TSB" for 0x98, empty for any other maker.
std::string NandMakerName(uint8_t makerCode);

// Rewrites the tag for the automatic package walk: BiCS and 1Z tags get their
// maker and die-count levels, IM27A/IM27B/YMTC tags become that word alone, others
// stay. A BiCS or 1Z tag from a maker without a name has no folder in any
// package: the result is empty then and automatic mode does not apply.
std::optional<std::string> MapNandType(uint8_t makerCode, std::string_view dieText,
                                       std::string_view tag);

}  // namespace firmware
