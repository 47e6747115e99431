#include "record/buffer_field.h"

#include <algorithm>
#include <cstring>

#include "record/hex.h"
#include "record/recording_format.h"
#include "record/sha256.h"

namespace record {

Json BufferJson(std::span<const uint8_t> bytes, bool whole) {
  if (whole || bytes.size() <= kWholeDataBound) return Json::String(ToHex(bytes));
  Json j = Json::Object();
  j.Set("length", Json::Number(bytes.size()));
  j.Set("sha256", Json::String(Sha256Hex(bytes)));
  return j;
}

size_t BufferLength(const Json& recorded) {
  if (recorded.kind == Json::Kind::kString) {
    return recorded.text.size() % 2 == 0 ? recorded.text.size() / 2 : SIZE_MAX;
  }
  const Json* length = recorded.Find("length");
  if (recorded.kind != Json::Kind::kObject || length == nullptr ||
      length->kind != Json::Kind::kNumber || length->number > kMaxBufferBytes)
    return SIZE_MAX;
  return static_cast<size_t>(length->number);
}

bool BufferMatches(const Json& recorded, std::span<const uint8_t> actual) {
  if (recorded.kind == Json::Kind::kString) return recorded.text == ToHex(actual);
  const Json* digest = recorded.Find("sha256");
  return BufferLength(recorded) == actual.size() && digest != nullptr &&
         digest->kind == Json::Kind::kString && digest->text == Sha256Hex(actual);
}

bool FillBuffer(const Json& recorded, std::span<uint8_t> out) {
  const size_t length = BufferLength(recorded);
  if (length == SIZE_MAX || length > out.size()) return false;
  if (recorded.kind != Json::Kind::kString) {
    std::fill_n(out.begin(), length, uint8_t{0});
    return true;
  }
  const auto bytes = FromHex(recorded.text);
  if (!bytes) return false;
  if (!bytes->empty()) std::memcpy(out.data(), bytes->data(), bytes->size());
  return true;
}

std::span<const uint8_t> WithoutZeroTail(std::span<const uint8_t> bytes) {
  size_t n = bytes.size();
  while (n > 0 && bytes[n - 1] == 0) --n;
  return bytes.first(n);
}

}  // namespace record
