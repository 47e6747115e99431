#pragma once
// Small rules of identification: the probe options handed to the discovery,
// the masked compare of the model-name strategy, and the identity texts read
// from IDENTIFY DEVICE and Identify Controller data.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/settings/app_options.h"

namespace app {

// SCAN_ATA_BUS | SCAN_NVME_MINIPORT | SCAN_NVME_BRIDGE, plus SCAN_ATAPI for
// ATA-PIFlag, SCAN_NVME for SupportInboxDriver and SCAN_VKM_UFD for EnableUFD.
uint32_t BuildScanFlags(const AppOptions& options);

// Positions 0..length-1 of `tag` and `text` are compared; with a non-empty
// mask only those whose mask character is "1" (positions past the mask's end
// are ignored). A position past the end of either text holds NUL.
bool MaskedCompare(std::string_view tag, std::string_view text, size_t length,
                   std::string_view mask);

// The bytes of `data` from `offset` equal `expected` over its whole length; a
// range that leaves the data never matches. An empty `expected` always matches.
bool BytesEqualAt(std::span<const uint8_t> data, int64_t offset, std::string_view expected);

// The texts of an identified drive as the lists show them, untrimmed.
struct IdentityTexts {
  std::string serial;    // up to 20 characters
  std::string firmware;  // up to 8
  std::string model;     // up to 40
};

// IDENTIFY DEVICE words 10..19, 23..26 and 27..46, the two bytes of each word
// swapped; each text ends at its first NUL.
IdentityTexts AtaIdentityTexts(std::span<const uint8_t> identify);
// Identify Controller bytes 4..23, 64..71 and 24..63.
IdentityTexts NvmeIdentityTexts(std::span<const uint8_t> identifyController);

// The same texts trimmed of blanks, raw bytes kept.
IdentityTexts TrimmedIdentity(const IdentityTexts& texts);
// No serial, model or firmware at all: the identify read failed (or the drive
// answered nothing), so its current firmware is unknown.
bool IdentityUnknown(const IdentityTexts& texts);

// The 40 model characters of IDENTIFY words 27..46, pair-swapped, NULs kept.
std::string AtaModelField(std::span<const uint8_t> identify);

}  // namespace app
