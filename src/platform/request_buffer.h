#pragma once
// Safe access to the raw buffers of a device request: a backend copies a
// request layout out of the caller's buffer (and a reply back) only when the
// buffer is large enough, never by casting the pointer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

namespace os {

template <typename T>
bool LoadRequest(const void* buffer, size_t size, T* out) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (buffer == nullptr || out == nullptr || size < sizeof(T)) return false;
  std::memcpy(out, buffer, sizeof(T));
  return true;
}

template <typename T>
bool StoreReply(void* buffer, size_t size, const T& value) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (buffer == nullptr || size < sizeof(T)) return false;
  std::memcpy(buffer, &value, sizeof(T));
  return true;
}

inline std::span<uint8_t> BytesOf(void* buffer, size_t size) {
  if (buffer == nullptr) return {};
  return {static_cast<uint8_t*>(buffer), size};
}

inline std::span<const uint8_t> BytesOf(const void* buffer, size_t size) {
  if (buffer == nullptr) return {};
  return {static_cast<const uint8_t*>(buffer), size};
}

}  // namespace os
