#pragma once
// A small writer of JSON text for the command line's --json output: objects,
// arrays, strings (escaped, bytes above 0x7F passed through as they are),
// numbers and booleans, indented by two spaces. Counters wider than a double
// holds exactly are written as decimal strings by the caller.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace common {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next value inside an object.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view value);
  JsonWriter& Int(int64_t value);
  // Integers above 2^53 lose precision in a double: such values go out as
  // decimal strings so that every reader gets them exactly.
  JsonWriter& Uint(uint64_t value);
  JsonWriter& Double(double value, int decimals);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // The text so far, with a final line feed once every container is closed.
  std::string Text() const;

 private:
  void BeforeValue();
  void NewLine();

  struct Level {
    bool array = false;
    bool empty = true;
  };
  std::string out_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

// `text` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace common
