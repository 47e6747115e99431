#pragma once
// Where things sit in a SATA ISP image and in the update file built from it.
// The builder and the update-file generator write these areas; the download
// flow reads some of them back (version, CID record).
#include <cstddef>
#include <cstdint>

#include "package/identity_field.h"

namespace firmware::isp_image {

// IDENTIFY DEVICE template: 512 bytes, the version text at words 23..26.
inline constexpr size_t kIdentifyTemplate = 0x0600;
inline constexpr size_t kIdentifyTemplateLength = 512;
inline constexpr size_t kIdentifyVersion = 46;  // inside the template
inline constexpr size_t kIdentifyVersionLength = 8;
inline constexpr size_t kImageVersion = kIdentifyTemplate + kIdentifyVersion;

// Configuration-identity record (CID) and the image checksum in its last bytes.
inline constexpr size_t kCidRecord = 0x0800;
inline constexpr size_t kCidRecordLength = 128;
inline constexpr size_t kImageChecksum = 0x087C;
// The byte sum covers every byte outside [kSumExcludedBegin, kSumExcludedEnd).
inline constexpr size_t kSumExcludedBegin = kIdentifyTemplate;
inline constexpr size_t kSumExcludedEnd = kCidRecord + kCidRecordLength;

// Retry data: the drive's own (update file) or a retry table (ISP builder).
inline constexpr size_t kRetryArea = 0x0880;
inline constexpr size_t kRetryTableMaxBytes = 512;
inline constexpr size_t kOldRetryTable = 0x08C0;
inline constexpr size_t kOldRetryTableLength = 448;
inline constexpr size_t kRetryParamA = 0x0891;
inline constexpr size_t kRetryParamB = 0x0894;
inline constexpr size_t kRetryAreaEnd = 0x0A80;

// The identity field (version, retry tag, firmware tag), as in the parameter block.
inline constexpr size_t kIdentityField = 0xEFF0;
inline constexpr size_t kIdentityFieldEnd = kIdentityField + identity_field::kSize;
// Image byte 0xEFF7 (the identity field's eighth byte) "R": the image keeps
// its own boot parameter record.
inline constexpr size_t kBootRecordSkipMark = kIdentityField + 7;
inline constexpr uint8_t kBootRecordSkipValue = 'R';

// The boot-ISP area is the last 16 KiB; the boot parameter record sits inside it.
inline constexpr size_t kBootIspArea = 0x4000;
inline constexpr size_t kBootParameterRecord = 0x1B80;  // from the area's start
inline constexpr size_t kBootParameterRecordLength = 16;

// The smallest image that holds every area above without the boot-ISP area
// overlapping the identity field.
inline constexpr size_t kMinImageSize = kIdentityFieldEnd + kBootIspArea;

static_assert(kImageVersion == 0x62E);
static_assert(kIdentifyTemplate + kIdentifyTemplateLength == kCidRecord);
static_assert(kImageChecksum + 4 == kSumExcludedEnd);
static_assert(kRetryArea + kRetryTableMaxBytes == kRetryAreaEnd);
static_assert(kOldRetryTable + kOldRetryTableLength == kRetryAreaEnd);
static_assert(kBootParameterRecord + kBootParameterRecordLength <= kBootIspArea);
static_assert(kBootRecordSkipMark == 0xEFF7);
static_assert(kRetryAreaEnd <= kIdentityField && kMinImageSize == 0x13000);

}  // namespace firmware::isp_image
