#pragma once
// The JSON values of a recording line: objects keep their members in order,
// numbers are whole (64 bits and a sign), as every field of a recording is.
// The parser is for untrusted files: depth, sizes and numbers are bounded and
// anything else is an error, never a crash.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace record {

struct JsonMember;

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool flag = false;
  uint64_t number = 0;
  bool negative = false;
  std::string text;
  std::vector<Json> items;
  std::vector<JsonMember> members;  // of an object, in order

  static Json Null();
  static Json Bool(bool b);
  static Json Number(uint64_t n);
  static Json Signed(int64_t n);
  static Json String(std::string s);
  static Json Object();
  static Json Array();

  // Adds a member to an object; returns *this for chaining.
  Json& Set(std::string key, Json value);
  const Json* Find(std::string_view key) const;
  bool operator==(const Json& other) const;
};

struct JsonMember {
  std::string first;  // the name
  Json second;
  bool operator==(const JsonMember& other) const = default;
};

inline constexpr int kMaxJsonDepth = 8;

// One JSON value with nothing after it but spaces.
std::optional<Json> ParseJson(std::string_view text, std::string& error);
// The value on one line, without spaces.
std::string WriteJson(const Json& value);

}  // namespace record
