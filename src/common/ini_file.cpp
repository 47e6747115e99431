#include "common/ini_file.h"

#include <fstream>
#include <iterator>

#include "common/str_to_int.h"
#include "common/text.h"

namespace common {
namespace {

// Settings and rule files are a few kilobytes; anything far larger is not one.
constexpr std::streamsize kMaxIniFileBytes = 64 * 1024 * 1024;

std::string StripQuotes(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return std::string(v.substr(1, v.size() - 2));
  }
  return std::string(v);
}

}  // namespace

IniFile IniFile::FromText(std::string_view text) {
  // Editors write a UTF-8 byte-order mark in front of the first section; it
  // is no part of the text.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  IniFile ini;
  Section* current = nullptr;
  std::unordered_map<std::string, size_t>* currentKeys = nullptr;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    const std::string_view line = TrimView(text.substr(pos, eol - pos));
    pos = eol + 1;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      const std::string_view name = TrimView(
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      ini.sections_.push_back(Section{std::string(name), {}});
      ini.firstKey_.emplace_back();
      ini.firstSection_.emplace(ToLower(name), ini.sections_.size() - 1);
      current = &ini.sections_.back();
      currentKeys = &ini.firstKey_.back();
      continue;
    }
    const size_t eq = line.find('=');
    if (current == nullptr || eq == std::string_view::npos) continue;
    const std::string_view key = TrimView(line.substr(0, eq));
    current->entries.push_back(Entry{std::string(key), StripQuotes(TrimView(line.substr(eq + 1)))});
    currentKeys->emplace(ToLower(key), current->entries.size() - 1);
  }
  return ini;
}

std::optional<IniFile> IniFile::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  // Read in blocks up to the cap rather than trusting a size the file reports.
  std::string data;
  char block[64 * 1024];
  while (in && static_cast<std::streamsize>(data.size()) < kMaxIniFileBytes) {
    in.read(block, sizeof(block));
    data.append(block, static_cast<size_t>(in.gcount()));
  }
  if (static_cast<std::streamsize>(data.size()) > kMaxIniFileBytes) {
    data.resize(static_cast<size_t>(kMaxIniFileBytes));
  }
  return FromText(data);
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

const IniFile::Section* IniFile::FindSection(std::string_view section) const {
  const auto it = firstSection_.find(ToLower(section));
  return it == firstSection_.end() ? nullptr : &sections_[it->second];
}

bool IniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

const std::string* IniFile::Find(std::string_view section, std::string_view key) const {
  const auto sit = firstSection_.find(ToLower(section));
  if (sit == firstSection_.end()) return nullptr;
  const auto& keys = firstKey_[sit->second];
  const auto kit = keys.find(ToLower(key));
  if (kit == keys.end()) return nullptr;
  return &sections_[sit->second].entries[kit->second].value;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return Find(section, key) != nullptr;
}

std::vector<std::string> IniFile::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  const auto sit = firstSection_.find(ToLower(section));
  if (sit == firstSection_.end()) return keys;
  const Section& s = sections_[sit->second];
  const auto& first = firstKey_[sit->second];
  for (size_t i = 0; i < s.entries.size(); ++i) {
    if (first.at(ToLower(s.entries[i].key)) == i) keys.push_back(s.entries[i].key);
  }
  return keys;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  const std::string* v = Find(section, key);
  return v ? *v : std::string(def);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const std::string* v = Find(section, key);
  return v ? StrToIntDef(*v, def) : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

}  // namespace common
