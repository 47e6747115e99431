#pragma once
// Small rules of identification: the probe options handed to the discovery
// and the masked compare of the model-name strategy.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/settings/app_options.h"
#include "device/core/identity_reader.h"

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

// The identity texts are read by the device layer's one reader; the scan's
// callers name them here as they always have.
using device::AtaIdentityTexts;
using device::AtaModelField;
using device::IdentityTexts;
using device::IdentityUnknown;
using device::NvmeIdentityTexts;
using device::TrimmedIdentity;

}  // namespace app
