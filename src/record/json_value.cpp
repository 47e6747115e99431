#include "record/json_value.h"

#include <cstdio>

namespace record {

Json Json::Null() { return Json(); }

Json Json::Object() {
  Json j;
  j.kind = Kind::kObject;
  return j;
}

Json Json::Array() {
  Json j;
  j.kind = Kind::kArray;
  return j;
}

Json Json::Bool(bool b) {
  Json j;
  j.kind = Kind::kBool;
  j.flag = b;
  return j;
}

Json Json::Number(uint64_t n) {
  Json j;
  j.kind = Kind::kNumber;
  j.number = n;
  return j;
}

Json Json::Signed(int64_t n) {
  Json j = Number(n < 0 ? uint64_t{0} - static_cast<uint64_t>(n) : static_cast<uint64_t>(n));
  j.negative = n < 0;
  return j;
}

Json Json::String(std::string s) {
  Json j;
  j.kind = Kind::kString;
  j.text = std::move(s);
  return j;
}

Json& Json::Set(std::string key, Json value) {
  members.push_back({std::move(key), std::move(value)});
  return *this;
}

const Json* Json::Find(std::string_view key) const {
  for (const auto& [k, v] : members)
    if (k == key) return &v;
  return nullptr;
}

bool Json::operator==(const Json& o) const {
  return kind == o.kind && flag == o.flag && number == o.number && negative == o.negative &&
         text == o.text && items == o.items && members == o.members;
}

namespace {

class Parser {
 public:
  Parser(std::string_view text, std::string& error) : s_(text), error_(error) {}

  std::optional<Json> Document() {
    auto v = Value(0);
    if (!v) return std::nullopt;
    SkipSpace();
    if (at_ != s_.size()) return Fail("text after the value");
    return v;
  }

 private:
  std::nullopt_t Fail(const std::string& what) {
    if (error_.empty()) error_ = what + " at column " + std::to_string(at_ + 1);
    return std::nullopt;
  }
  void SkipSpace() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\r')) ++at_;
  }
  bool Take(char c) {
    SkipSpace();
    if (at_ < s_.size() && s_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(std::string_view w) {
    if (s_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }

  std::optional<Json> Value(int depth) {
    if (depth > kMaxJsonDepth) return Fail("nesting too deep");
    SkipSpace();
    if (at_ >= s_.size()) return Fail("value missing");
    const char c = s_[at_];
    if (c == '{') return ObjectValue(depth);
    if (c == '[') return ArrayValue(depth);
    if (c == '"') {
      std::string text;
      if (!StringText(text)) return std::nullopt;
      return Json::String(std::move(text));
    }
    if (Word("true")) return Json::Bool(true);
    if (Word("false")) return Json::Bool(false);
    if (Word("null")) return Json::Null();
    return NumberValue();
  }

  std::optional<Json> NumberValue() {
    const bool negative = at_ < s_.size() && s_[at_] == '-';
    if (negative) ++at_;
    const size_t start = at_;
    uint64_t n = 0;
    while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') {
      const uint64_t digit = static_cast<uint64_t>(s_[at_] - '0');
      if (n > (UINT64_MAX - digit) / 10) return Fail("number too large");
      n = n * 10 + digit;
      ++at_;
    }
    if (at_ == start) return Fail("unexpected character");
    if (at_ - start > 1 && s_[start] == '0') return Fail("number with a leading zero");
    Json j = Json::Number(n);
    j.negative = negative && n != 0;
    return j;
  }

  bool StringText(std::string& out) {
    ++at_;  // the opening quote
    while (at_ < s_.size()) {
      const char c = s_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in a string"), false;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (at_ >= s_.size()) break;
      const char e = s_[at_++];
      switch (e) {
        case '"': case '\\': case '/': out.push_back(e); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'u': {
          // Only the escapes the writer makes: one byte, \u0000 to \u00ff.
          if (at_ + 4 > s_.size()) return Fail("short \\u escape"), false;
          unsigned v = 0;
          for (int i = 0; i < 4; ++i) {
            const char h = s_[at_++];
            v <<= 4;
            if (h >= '0' && h <= '9') v |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f') v |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') v |= static_cast<unsigned>(h - 'A' + 10);
            else return Fail("bad \\u escape"), false;
          }
          if (v > 0xFF) return Fail("\\u escape above 00ff"), false;
          out.push_back(static_cast<char>(v));
          break;
        }
        default:
          return Fail("bad escape"), false;
      }
    }
    return Fail("unterminated string"), false;
  }

  std::optional<Json> ArrayValue(int depth) {
    ++at_;
    Json j = Json::Array();
    if (Take(']')) return j;
    do {
      auto v = Value(depth + 1);
      if (!v) return std::nullopt;
      j.items.push_back(std::move(*v));
    } while (Take(','));
    if (!Take(']')) return Fail("',' or ']' expected");
    return j;
  }

  std::optional<Json> ObjectValue(int depth) {
    ++at_;
    Json j = Json::Object();
    if (Take('}')) return j;
    do {
      SkipSpace();
      if (at_ >= s_.size() || s_[at_] != '"') return Fail("member name expected");
      std::string key;
      if (!StringText(key)) return std::nullopt;
      if (!Take(':')) return Fail("':' expected");
      auto v = Value(depth + 1);
      if (!v) return std::nullopt;
      j.members.push_back({std::move(key), std::move(*v)});
    } while (Take(','));
    if (!Take('}')) return Fail("',' or '}' expected");
    return j;
  }

  std::string_view s_;
  std::string& error_;
  size_t at_ = 0;
};

void WriteString(const std::string& s, std::string& out) {
  out.push_back('"');
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (u < 0x20 || u >= 0x7F) {
      // Every byte stays one byte: recorded texts need not be UTF-8.
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\u%04x", u);
      out += buf;
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void Write(const Json& v, std::string& out) {
  switch (v.kind) {
    case Json::Kind::kNull: out += "null"; break;
    case Json::Kind::kBool: out += v.flag ? "true" : "false"; break;
    case Json::Kind::kNumber:
      if (v.negative) out.push_back('-');
      out += std::to_string(v.number);
      break;
    case Json::Kind::kString: WriteString(v.text, out); break;
    case Json::Kind::kArray:
      out.push_back('[');
      for (size_t i = 0; i < v.items.size(); ++i) {
        if (i) out.push_back(',');
        Write(v.items[i], out);
      }
      out.push_back(']');
      break;
    case Json::Kind::kObject:
      out.push_back('{');
      for (size_t i = 0; i < v.members.size(); ++i) {
        if (i) out.push_back(',');
        WriteString(v.members[i].first, out);
        out.push_back(':');
        Write(v.members[i].second, out);
      }
      out.push_back('}');
      break;
  }
}

}  // namespace

std::optional<Json> ParseJson(std::string_view text, std::string& error) {
  error.clear();
  return Parser(text, error).Document();
}

std::string WriteJson(const Json& value) {
  std::string out;
  Write(value, out);
  return out;
}

}  // namespace record
