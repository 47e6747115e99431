#include "lab/drives/drive_state.h"

#include <algorithm>

#include "common/ini_file.h"
#include "common/text.h"
#include "lab/drives/value_text.h"

namespace lab::drives {

namespace {

constexpr std::string_view kSection = "DriveState";

std::string Quoted(std::string_view s) {
  // Quotes keep leading and trailing blanks through the INI reader's trim.
  std::string quoted;
  quoted.reserve(s.size() + 2);
  quoted.push_back('"');
  quoted.append(s);
  quoted.push_back('"');
  return quoted;
}

std::string Clean(std::string_view s, size_t max) {
  std::string out;
  for (char c : s) {
    if (out.size() == max) break;
    const auto u = static_cast<unsigned char>(c);
    out.push_back(u >= 0x20 && u < 0x7F ? c : ' ');
  }
  return out;
}

// A revision padded with zero bytes ("S0312A0" and a zero) keeps them: the
// text line holds the printable part, a second line the exact bytes.
bool HasZeroPad(std::string_view revision) { return revision.find('\0') != std::string_view::npos; }

std::string ReadRevision(const common::IniFile& ini, const std::string& key) {
  std::string text = Clean(ini.ReadString(kSection, key, ""), 8);
  const auto bytes = ParseHexBytes(ini.ReadString(kSection, key + "Bytes", ""));
  if (!bytes || bytes->empty() || bytes->size() > 8) return text;
  const std::string exact(bytes->begin(), bytes->end());
  const size_t zero = exact.find('\0');
  // Only printable text followed by zero bytes is a revision.
  if (zero == std::string::npos || exact.find_first_not_of('\0', zero) != std::string::npos ||
      Clean(exact.substr(0, zero), 8) != exact.substr(0, zero)) {
    return text;
  }
  return exact;
}

void ReadBytes(const common::IniFile& ini, std::string_view key, size_t size,
               std::vector<uint8_t>& out) {
  const auto bytes = ParseHexBytes(ini.ReadString(kSection, key, ""));
  if (bytes && bytes->size() == size) out = *bytes;
}

void ReadPassword(const common::IniFile& ini, std::string_view key, Password& out, bool* present) {
  const auto bytes = ParseHexBytes(ini.ReadString(kSection, key, ""));
  if (bytes && bytes->size() == kPasswordSize) {
    std::copy(bytes->begin(), bytes->end(), out.begin());
    if (present) *present = true;
  }
}

void ReadCount(const common::IniFile& ini, std::string_view key, uint64_t& out) {
  if (const auto v = ParseU64(ini.ReadString(kSection, key, ""))) out = *v;
}

}  // namespace

std::string DriveState::Serialise() const {
  std::string s = "[DriveState]\n";
  auto line = [&s](std::string_view key, const std::string& value) {
    s += std::string(key) + "=" + value + "\n";
  };
  for (const auto& [key, revision] :
       {std::pair<std::string, const std::string*>{"Firmware", &firmware},
        std::pair<std::string, const std::string*>{"PendingFirmware", &pendingFirmware}}) {
    line(key, Quoted(revision->substr(0, revision->find('\0'))));
    if (HasZeroPad(*revision)) {
      line(key + "Bytes", HexBytes(std::span(reinterpret_cast<const uint8_t*>(revision->data()),
                                             revision->size())));
    }
  }
  line("Cid", HexBytes(cid));
  line("PendingCid", HexBytes(pendingCid));
  // Quoted like the revisions: a damaged file can leave blanks at either end
  // (unprintable bytes are read as blanks), and the next read must see them.
  line("Mode", Quoted(mode));
  line("SmartEnabled", smartEnabled ? "1" : "0");
  line("SecurityEnabled", security.enabled ? "1" : "0");
  line("SecurityMaximum", security.maximumLevel ? "1" : "0");
  line("UserPassword", HexBytes(security.userPassword));
  line("MasterPassword", security.masterChanged ? HexBytes(security.masterPassword) : "");
  line("MasterPasswordId", std::to_string(security.masterPasswordId));
  line("PowerCycles", std::to_string(powerCycles));
  line("UnsafeShutdowns", std::to_string(unsafeShutdowns));
  line("SectorsRead", std::to_string(sectorsRead));
  line("SectorsWritten", std::to_string(sectorsWritten));
  for (size_t i = 0; i < slots.size(); ++i)
    line(common::Format("Slot%zu", i + 1), Quoted(slots[i]));
  line("ActiveSlot", std::to_string(activeSlot));
  line("NextSlot", std::to_string(nextSlot));
  line("FirmwareDownloads", std::to_string(firmwareDownloads));
  return s;
}

std::optional<DriveState> DriveState::Parse(std::string_view text) {
  const common::IniFile ini = common::IniFile::FromText(text);
  if (!ini.SectionExists(kSection)) return std::nullopt;
  DriveState st;
  st.firmware = ReadRevision(ini, "Firmware");
  st.pendingFirmware = ReadRevision(ini, "PendingFirmware");
  ReadBytes(ini, "Cid", kCidSize, st.cid);
  ReadBytes(ini, "PendingCid", kCidSize, st.pendingCid);
  st.mode = Clean(ini.ReadString(kSection, "Mode", ""), 8);
  st.smartEnabled = ini.ReadBool(kSection, "SmartEnabled", true);
  st.security.enabled = ini.ReadBool(kSection, "SecurityEnabled", false);
  st.security.maximumLevel = ini.ReadBool(kSection, "SecurityMaximum", false);
  ReadPassword(ini, "UserPassword", st.security.userPassword, nullptr);
  ReadPassword(ini, "MasterPassword", st.security.masterPassword, &st.security.masterChanged);
  if (const auto id = ParseU64(ini.ReadString(kSection, "MasterPasswordId", ""));
      id && *id <= 0xFFFF) {
    st.security.masterPasswordId = static_cast<uint16_t>(*id);
  }
  ReadCount(ini, "PowerCycles", st.powerCycles);
  ReadCount(ini, "UnsafeShutdowns", st.unsafeShutdowns);
  ReadCount(ini, "SectorsRead", st.sectorsRead);
  ReadCount(ini, "SectorsWritten", st.sectorsWritten);
  ReadCount(ini, "FirmwareDownloads", st.firmwareDownloads);
  for (size_t i = 0; i < st.slots.size(); ++i) {
    st.slots[i] = Clean(ini.ReadString(kSection, common::Format("Slot%zu", i + 1), ""), 8);
  }
  if (const auto a = ParseU64(ini.ReadString(kSection, "ActiveSlot", ""));
      a && *a >= 1 && *a <= kFirmwareSlots) {
    st.activeSlot = static_cast<uint8_t>(*a);
  }
  if (const auto n = ParseU64(ini.ReadString(kSection, "NextSlot", ""));
      n && *n <= kFirmwareSlots) {
    st.nextSlot = static_cast<uint8_t>(*n);
  }
  return st;
}

}  // namespace lab::drives
