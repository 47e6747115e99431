#pragma once
// What a lab drive keeps across a restart of the tool besides its media:
// installed firmware, CID, security password and the like. Values are saved
// beside lab.ini the moment they are set (a drive that loses power keeps what
// it had saved), as "<section>.state" plus one "<section>.<name>.bin" per blob.
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lab {

class DriveState {
 public:
  // `basePath` is the state folder plus the disk's section name. Loads what
  // is there; a missing or damaged file gives an empty state.
  explicit DriveState(std::string basePath);

  std::string Get(const std::string& key, const std::string& def = {}) const;
  int64_t GetInt(const std::string& key, int64_t def) const;
  bool Has(const std::string& key) const { return values_.count(key) != 0; }
  // Keys and values are one line each; line breaks are stored escaped.
  bool Set(const std::string& key, const std::string& value);
  bool SetInt(const std::string& key, int64_t value);
  bool Erase(const std::string& key);

  // Binary records (a CID block, a firmware image). Names are [A-Za-z0-9_-].
  std::optional<std::vector<uint8_t>> GetBlob(const std::string& name) const;
  bool SetBlob(const std::string& name, std::span<const uint8_t> bytes);
  bool EraseBlob(const std::string& name);

  const std::string& BasePath() const { return basePath_; }

 private:
  bool Save() const;
  std::string BlobPath(const std::string& name) const;

  std::string basePath_;
  std::map<std::string, std::string> values_;
};

// Writes the whole file through a temporary beside it and a rename, so a
// reader sees either the old or the new content.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace lab
