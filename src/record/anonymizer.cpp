#include "record/anonymizer.h"

#include <algorithm>
#include <string_view>

#include "record/identity_finder.h"

namespace record {
namespace {

// Shorter values would be found by chance in unrelated bytes.
constexpr size_t kMinSerialLength = 4;

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string StandIn(size_t length, size_t number) {
  std::string digits = std::to_string(number);
  std::string s = "ANON";
  if (length < s.size() + digits.size()) s.clear();
  while (s.size() + digits.size() < length) s.push_back('0');
  s += digits;
  return s.substr(s.size() > length ? s.size() - length : 0);
}

std::vector<uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> Swapped(std::vector<uint8_t> v) {
  for (size_t i = 0; i + 1 < v.size(); i += 2) std::swap(v[i], v[i + 1]);
  return v;
}

// Replaces the path component that follows `marker` (case-insensitive).
std::string ReplaceComponentAfter(std::string text, std::string_view marker,
                                  const std::string& with) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  size_t from = 0;
  while ((from = lower.find(marker, from)) != std::string::npos) {
    const size_t start = from + marker.size();
    size_t end = start;
    while (end < text.size() && text[end] != '/' && text[end] != '\\' && text[end] != ' ' &&
           text[end] != '"' && text[end] != '\'')
      ++end;
    if (end > start && text.compare(start, end - start, with) != 0) {
      text.replace(start, end - start, with);
      lower.replace(start, end - start, with);
    }
    from = start + with.size();
  }
  return text;
}

}  // namespace

void Anonymizer::Learn(const std::string& serial) { LearnSerial(serial, false); }

void Anonymizer::LearnSerial(std::string_view raw, bool swapped) {
  std::string field(raw);
  if (swapped) {
    const auto plain = Swapped(Bytes(field));
    field.assign(plain.begin(), plain.end());
  }
  const std::string value = Trim(field);
  if (value.size() < kMinSerialLength) return;
  auto [known, added] = serials_.emplace(value, "");
  if (added) {
    known->second = StandIn(value.size(), serials_.size());
    patterns_.push_back({Bytes(value), Bytes(known->second)});
  }
  // The ATA form: the padded field with its byte pairs swapped. A value first
  // met as plain text gets it when an IDENTIFY block shows its padding.
  if (field.size() % 2 != 0 || !fields_.insert(field).second) return;
  std::string fieldStandIn = field;
  fieldStandIn.replace(field.find(value), value.size(), known->second);
  patterns_.push_back({Swapped(Bytes(field)), Swapped(Bytes(fieldStandIn))});
  std::stable_sort(patterns_.begin(), patterns_.end(),
                   [](const Pattern& a, const Pattern& b) { return a.from.size() > b.from.size(); });
}

void Anonymizer::LearnWwn(std::span<const uint8_t> raw) {
  std::vector<uint8_t> from(raw.begin(), raw.end());
  const std::string key(from.begin(), from.end());
  if (wwns_.count(key)) return;
  // A made-up NAA 5 name: the first word keeps its place in the IDENTIFY
  // order, the rest counts.
  std::vector<uint8_t> to(from.size(), 0);
  to[1] = 0x50;
  to.back() = static_cast<uint8_t>(wwns_.size() + 1);
  wwns_[key] = to;
  patterns_.push_back({from, to});
}

void Anonymizer::ReplaceAll(std::span<uint8_t> bytes, const Pattern& p) {
  if (p.from.empty() || p.from.size() > bytes.size()) return;
  auto it = bytes.begin();
  while ((it = std::search(it, bytes.end(), p.from.begin(), p.from.end())) != bytes.end()) {
    std::copy(p.to.begin(), p.to.end(), it);
    it += static_cast<std::ptrdiff_t>(p.to.size());
  }
}

void Anonymizer::ScrubReply(std::span<uint8_t> bytes) {
  for (const FoundIdentity& f : FindIdentities(bytes)) {
    const auto field = bytes.subspan(f.offset, f.length);
    const std::string_view text(reinterpret_cast<const char*>(field.data()), field.size());
    switch (f.kind) {
      case FoundIdentity::Kind::kAtaSerial: LearnSerial(text, true); break;
      case FoundIdentity::Kind::kText: LearnSerial(text, false); break;
      case FoundIdentity::Kind::kAtaWwn: LearnWwn(field); break;
    }
  }
  for (const Pattern& p : patterns_) ReplaceAll(bytes, p);
}

std::string Anonymizer::ScrubPaths(std::string text) {
  for (const char* marker : {"/home/", "\\users\\", "/users/"})
    text = ReplaceComponentAfter(std::move(text), marker, "user");
  // Mount points named after volumes: /media/USER/LABEL, /run/media/USER/LABEL.
  text = ReplaceComponentAfter(std::move(text), "/media/", "user");
  for (const char* marker : {"/media/user/", "/mnt/"}) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const size_t at = lower.find(marker);
    if (at == std::string::npos) continue;
    const size_t start = at + std::string_view(marker).size();
    size_t end = start;
    while (end < text.size() && text[end] != '/' && text[end] != ' ' && text[end] != '"' &&
           text[end] != ')' && text[end] != ',')
      ++end;
    if (end == start) continue;
    const std::string label = text.substr(start, end - start);
    auto [v, added] = volumes_.emplace(label, "volume" + std::to_string(volumes_.size() + 1));
    text = ReplaceComponentAfter(std::move(text), marker, v->second);
  }
  return text;
}

std::string Anonymizer::ScrubText(std::string text) {
  std::vector<uint8_t> bytes(text.begin(), text.end());
  for (const Pattern& p : patterns_) ReplaceAll(bytes, p);
  text.assign(bytes.begin(), bytes.end());
  for (const auto& [label, standIn] : volumes_) {
    for (size_t at = 0; (at = text.find(label, at)) != std::string::npos; at += standIn.size())
      text.replace(at, label.size(), standIn);
  }
  return ScrubPaths(std::move(text));
}

}  // namespace record
