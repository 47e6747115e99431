#include "lab/core/drive_state.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/str_to_int.h"

namespace lab {
namespace {

constexpr const char* kHeader = "; lab drive state, written by the lab";
constexpr size_t kMaxStateFileBytes = 1 << 20;
constexpr size_t kMaxBlobBytes = 256u << 20;

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char n = s[++i];
    out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
  }
  return out;
}

bool ValidKey(const std::string& key) {
  if (key.empty()) return false;
  for (char c : key)
    if (c == '=' || c == '\n' || c == '\r' || c == ';') return false;
  return true;
}

bool ValidBlobName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

std::optional<std::vector<uint8_t>> ReadAll(const std::string& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<uint8_t> data;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    data.insert(data.end(), buf, buf + in.gcount());
    if (data.size() > limit) return std::nullopt;
  }
  return data;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) std::remove(temp.c_str());
  return !ec;
}

DriveState::DriveState(std::string basePath) : basePath_(std::move(basePath)) {
  const auto data = ReadAll(basePath_ + ".state", kMaxStateFileBytes);
  if (!data) return;
  const std::string text(data->begin(), data->end());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    values_[line.substr(0, eq)] = Unescape(line.substr(eq + 1));
  }
}

std::string DriveState::Get(const std::string& key, const std::string& def) const {
  const auto it = values_.find(key);
  return it == values_.end() ? def : it->second;
}

int64_t DriveState::GetInt(const std::string& key, int64_t def) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return def;
  try {
    size_t used = 0;
    const long long v = std::stoll(it->second, &used, 0);
    return used == it->second.size() ? v : def;
  } catch (...) {
    return def;
  }
}

bool DriveState::Set(const std::string& key, const std::string& value) {
  if (!ValidKey(key)) return false;
  values_[key] = value;
  return Save();
}

bool DriveState::SetInt(const std::string& key, int64_t value) {
  return Set(key, std::to_string(value));
}

bool DriveState::Erase(const std::string& key) {
  if (values_.erase(key) == 0) return true;
  return Save();
}

bool DriveState::Save() const {
  std::string text = std::string(kHeader) + "\n";
  for (const auto& [k, v] : values_) text += k + "=" + Escape(v) + "\n";
  return WriteFileAtomically(basePath_ + ".state",
                             std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string DriveState::BlobPath(const std::string& name) const {
  return basePath_ + "." + name + ".bin";
}

std::optional<std::vector<uint8_t>> DriveState::GetBlob(const std::string& name) const {
  if (!ValidBlobName(name)) return std::nullopt;
  return ReadAll(BlobPath(name), kMaxBlobBytes);
}

bool DriveState::SetBlob(const std::string& name, std::span<const uint8_t> bytes) {
  if (!ValidBlobName(name) || bytes.size() > kMaxBlobBytes) return false;
  return WriteFileAtomically(BlobPath(name), bytes);
}

bool DriveState::EraseBlob(const std::string& name) {
  if (!ValidBlobName(name)) return false;
  std::error_code ec;
  std::filesystem::remove(BlobPath(name), ec);
  return !ec;
}

}  // namespace lab
