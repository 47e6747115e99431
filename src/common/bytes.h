#pragma once
// Little- and big-endian readers and writers over byte buffers. Every access is
// bounds-checked: a read that does not fit gives 0 and a write that does not fit
// changes nothing, so drive replies of any length can be parsed safely.
#include <cstddef>
#include <cstdint>
#include <span>

namespace common {

inline bool Fits(size_t size, size_t offset, size_t length) {
  return offset <= size && length <= size - offset;
}

template <typename T>
T ReadLe(std::span<const uint8_t> b, size_t off) {
  if (!Fits(b.size(), off, sizeof(T))) return 0;
  T v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>(v | static_cast<T>(T{b[off + i]} << (8 * i)));
  return v;
}

template <typename T>
T ReadBe(std::span<const uint8_t> b, size_t off) {
  if (!Fits(b.size(), off, sizeof(T))) return 0;
  T v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>((v << 8) | T{b[off + i]});
  return v;
}

template <typename T>
bool WriteLe(std::span<uint8_t> b, size_t off, T v) {
  if (!Fits(b.size(), off, sizeof(T))) return false;
  for (size_t i = 0; i < sizeof(T); ++i) b[off + i] = static_cast<uint8_t>(v >> (8 * i));
  return true;
}

template <typename T>
bool WriteBe(std::span<uint8_t> b, size_t off, T v) {
  if (!Fits(b.size(), off, sizeof(T))) return false;
  for (size_t i = 0; i < sizeof(T); ++i)
    b[off + i] = static_cast<uint8_t>(v >> (8 * (sizeof(T) - 1 - i)));
  return true;
}

inline uint8_t Read8(std::span<const uint8_t> b, size_t off) { return off < b.size() ? b[off] : 0; }
inline uint16_t ReadLe16(std::span<const uint8_t> b, size_t off) { return ReadLe<uint16_t>(b, off); }
inline uint32_t ReadLe32(std::span<const uint8_t> b, size_t off) { return ReadLe<uint32_t>(b, off); }
inline uint64_t ReadLe64(std::span<const uint8_t> b, size_t off) { return ReadLe<uint64_t>(b, off); }
inline uint16_t ReadBe16(std::span<const uint8_t> b, size_t off) { return ReadBe<uint16_t>(b, off); }
inline uint32_t ReadBe32(std::span<const uint8_t> b, size_t off) { return ReadBe<uint32_t>(b, off); }
inline uint64_t ReadBe64(std::span<const uint8_t> b, size_t off) { return ReadBe<uint64_t>(b, off); }
inline bool WriteLe16(std::span<uint8_t> b, size_t off, uint16_t v) { return WriteLe(b, off, v); }
inline bool WriteLe32(std::span<uint8_t> b, size_t off, uint32_t v) { return WriteLe(b, off, v); }
inline bool WriteLe64(std::span<uint8_t> b, size_t off, uint64_t v) { return WriteLe(b, off, v); }
inline bool WriteBe16(std::span<uint8_t> b, size_t off, uint16_t v) { return WriteBe(b, off, v); }
inline bool WriteBe32(std::span<uint8_t> b, size_t off, uint32_t v) { return WriteBe(b, off, v); }
inline bool WriteBe64(std::span<uint8_t> b, size_t off, uint64_t v) { return WriteBe(b, off, v); }

}  // namespace common
