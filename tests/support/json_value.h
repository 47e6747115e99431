#pragma once
// A small JSON reader for tests that check --json output: parses a whole
// document into a tree, or fails (nullopt) on anything that is not JSON.
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;

  const JsonValue& operator[](const std::string& key) const {
    static const JsonValue none;
    const auto it = members.find(key);
    return it == members.end() ? none : it->second;
  }
  const JsonValue& operator[](size_t i) const {
    static const JsonValue none;
    return i < items.size() ? items[i] : none;
  }
  bool Has(const std::string& key) const { return members.count(key) > 0; }
};

class JsonReader {
 public:
  static std::optional<JsonValue> Parse(std::string_view text) {
    JsonReader r(text);
    JsonValue v;
    if (!r.Value(v, 0)) return std::nullopt;
    r.Space();
    if (r.pos_ != text.size()) return std::nullopt;
    return v;
  }

 private:
  explicit JsonReader(std::string_view t) : t_(t) {}
  void Space() {
    while (pos_ < t_.size() && std::isspace(static_cast<unsigned char>(t_[pos_]))) ++pos_;
  }
  bool Eat(char c) {
    Space();
    if (pos_ < t_.size() && t_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool Literal(std::string_view w) {
    if (t_.substr(pos_, w.size()) != w) return false;
    pos_ += w.size();
    return true;
  }
  bool String(std::string& out) {
    if (!Eat('"')) return false;
    while (pos_ < t_.size()) {
      const char c = t_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= t_.size()) return false;
      const char e = t_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          if (pos_ + 4 > t_.size()) return false;
          const long code = std::strtol(std::string(t_.substr(pos_, 4)).c_str(), nullptr, 16);
          pos_ += 4;
          if (code > 0x7F) return false;  // the tool writes no such escapes
          out += static_cast<char>(code);
          break;
        }
        default: return false;
      }
    }
    return false;
  }
  bool Value(JsonValue& v, int depth) {
    if (depth > 64) return false;
    Space();
    if (pos_ >= t_.size()) return false;
    const char c = t_[pos_];
    if (c == '{') {
      ++pos_;
      v.kind = JsonValue::Kind::kObject;
      if (Eat('}')) return true;
      do {
        std::string key;
        Space();
        if (!String(key) || !Eat(':')) return false;
        JsonValue member;
        if (!Value(member, depth + 1)) return false;
        v.members[key] = std::move(member);
      } while (Eat(','));
      return Eat('}');
    }
    if (c == '[') {
      ++pos_;
      v.kind = JsonValue::Kind::kArray;
      if (Eat(']')) return true;
      do {
        JsonValue item;
        if (!Value(item, depth + 1)) return false;
        v.items.push_back(std::move(item));
      } while (Eat(','));
      return Eat(']');
    }
    if (c == '"') {
      v.kind = JsonValue::Kind::kString;
      return String(v.text);
    }
    if (Literal("true")) {
      v.kind = JsonValue::Kind::kBool;
      v.boolean = true;
      return true;
    }
    if (Literal("false")) {
      v.kind = JsonValue::Kind::kBool;
      return true;
    }
    if (Literal("null")) return true;
    const size_t start = pos_;
    while (pos_ < t_.size() && (std::isdigit(static_cast<unsigned char>(t_[pos_])) ||
                                t_[pos_] == '-' || t_[pos_] == '.' || t_[pos_] == 'e' ||
                                t_[pos_] == 'E' || t_[pos_] == '+'))
      ++pos_;
    if (pos_ == start) return false;
    char* end = nullptr;
    const std::string num(t_.substr(start, pos_ - start));
    v.number = std::strtod(num.c_str(), &end);
    v.kind = JsonValue::Kind::kNumber;
    return end && *end == '\0';
  }

  std::string_view t_;
  size_t pos_ = 0;
};

}  // namespace testsupport
