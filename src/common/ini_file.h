#pragma once
// Read-only INI file with the Windows private-profile semantics the product's
// settings and rule files are written for: section and key names compare
// case-insensitively, the first section of a name and the first key in it win,
// values are trimmed (and lose one pair of surrounding quotes), ';' starts a
// comment line, CRLF and LF both end a line. Any byte content loads.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace common {

class IniFile {
 public:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  IniFile() = default;
  static IniFile FromText(std::string_view text);
  // Empty when the file cannot be read; the path is a native path.
  static std::optional<IniFile> Load(const std::string& path);

  // Every section header in file order, duplicates kept.
  std::vector<std::string> SectionNames() const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Keys of the first section of that name, in file order, duplicates dropped.
  std::vector<std::string> SectionKeys(std::string_view section) const;
  // The first section of that name, or nullptr.
  const Section* FindSection(std::string_view section) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  // A flag is an integer; any non-zero value is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

 private:
  const std::string* Find(std::string_view section, std::string_view key) const;

  std::vector<Section> sections_;
  // Lower-cased section name -> index of its first occurrence.
  std::unordered_map<std::string, size_t> firstSection_;
  // Per section: lower-cased key -> index of its first entry.
  std::vector<std::unordered_map<std::string, size_t>> firstKey_;
};

}  // namespace common
