#pragma once
// How a buffer goes into a recording line: hex when it is small or the data
// was asked for, else its length and SHA-256 digest; and how a replay checks a
// request's bytes against it and fills a reply from it.
#include <cstdint>
#include <span>
#include <string>

#include "record/json_value.h"

namespace record {

// `whole`: keep the bytes even above the bound.
Json BufferJson(std::span<const uint8_t> bytes, bool whole);
// Same bytes (or, when only the digest was kept, the same length and digest).
bool BufferMatches(const Json& recorded, std::span<const uint8_t> actual);
// Copies the recorded bytes into `out` (a digest-only buffer reads as zeros;
// bytes past the recorded length are left as they are). False when the
// recorded buffer is malformed or longer than `out`.
bool FillBuffer(const Json& recorded, std::span<uint8_t> out);
// The recorded length, or SIZE_MAX when malformed.
size_t BufferLength(const Json& recorded);

// Bytes with their zero tail dropped: a reply buffer the caller sized
// generously is kept only as far as it holds data.
std::span<const uint8_t> WithoutZeroTail(std::span<const uint8_t> bytes);

}  // namespace record
