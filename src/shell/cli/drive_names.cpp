#include "shell/cli/drive_names.h"

#include <cstdint>
#include <string_view>

#include "common/str_to_int.h"
#include "common/text.h"
#include "shell/cli/cli_options.h"

namespace app::cli {
namespace {

// How a word matched a disk; the order is the order candidates are told.
enum class MatchKind { kIndex, kName, kSerial };

struct Match {
  size_t at;
  MatchKind kind;
};

// Indexes are longer than this never: the enumeration holds a few dozen disks.
constexpr size_t kMaxIndexDigits = 6;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         common::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// An index is written as `list` prints it: "0", "7", "12". A word with a
// leading zero ("000000000001") is no index; it can only be a serial number.
bool IsIndexWord(const std::string& w) {
  if (w.empty() || w.size() > kMaxIndexDigits) return false;
  if (w.size() > 1 && w[0] == '0') return false;
  return w.find_first_not_of("0123456789") == std::string::npos;
}

void Add(std::vector<Match>& matches, size_t at, MatchKind kind) {
  for (const Match& m : matches)
    if (m.at == at) return;  // the same disk read two ways is still one disk
  matches.push_back({at, kind});
}

void AddSerials(const std::vector<CliDrive>& disks, const std::string& serial,
                std::vector<Match>& matches) {
  for (size_t i = 0; i < disks.size(); ++i)
    if (!disks[i].serial.empty() && disks[i].serial == serial) Add(matches, i, MatchKind::kSerial);
}

void AddNames(const std::vector<CliDrive>& disks, const std::string& name,
              std::vector<Match>& matches) {
  for (size_t i = 0; i < disks.size(); ++i)
    if (common::EqualsNoCase(disks[i].name, name)) Add(matches, i, MatchKind::kName);
}

// Every disk `word` can be read as naming.
std::vector<Match> Matches(const std::vector<CliDrive>& disks, const std::string& word) {
  std::vector<Match> matches;
  if (StartsWithNoCase(word, kSerialPrefix)) {
    AddSerials(disks, common::Trim(word.substr(std::string_view(kSerialPrefix).size())), matches);
    return matches;
  }
  if (StartsWithNoCase(word, kDevicePrefix)) {
    AddNames(disks, word.substr(std::string_view(kDevicePrefix).size()), matches);
    return matches;
  }
  if (IsIndexWord(word)) {
    const int32_t index = common::StrToIntDef(word, -1);
    for (size_t i = 0; i < disks.size(); ++i)
      if (disks[i].index == index) Add(matches, i, MatchKind::kIndex);
  }
  AddNames(disks, word, matches);
  AddSerials(disks, word, matches);
  return matches;
}

std::string Describe(const CliDrive& d, MatchKind kind) {
  const std::string serial = d.serial.empty() ? "" : ", serial " + d.serial;
  switch (kind) {
    case MatchKind::kIndex:
      return common::Format("index %d (%s%s)", d.index, d.name.c_str(), serial.c_str());
    case MatchKind::kName:
      return common::Format("%s (index %d%s)", d.name.c_str(), d.index, serial.c_str());
    case MatchKind::kSerial:
      break;
  }
  return "serial " + d.serial + " (" + d.name + ")";
}

// The first way of writing disk `at` that names it alone, the way it was
// meant first: a serial meant as a serial stays one where it can.
std::string UnambiguousForm(const std::vector<CliDrive>& disks, size_t at, MatchKind kind) {
  const CliDrive& d = disks[at];
  const std::string bySerial = d.serial.empty() ? "" : kSerialPrefix + d.serial;
  const std::string byIndex = d.index >= 0 ? std::to_string(d.index) : "";
  std::vector<std::string> forms{d.name, kDevicePrefix + d.name, byIndex, bySerial};
  if (kind == MatchKind::kSerial) forms.insert(forms.begin(), bySerial);
  for (const std::string& form : forms) {
    if (form.empty()) continue;
    const std::vector<Match> m = Matches(disks, form);
    if (m.size() == 1 && m.front().at == at) return form;
  }
  return {};
}

std::string OrList(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
    text += items[i];
  }
  return text;
}

}  // namespace

DriveChoice FindDrive(const std::vector<CliDrive>& disks, const std::string& given) {
  const std::string word = common::Trim(given);
  DriveChoice choice;
  if (common::EqualsNoCase(word, kSerialPrefix)) {
    choice.exitCode = kExitUsage;
    choice.error = "drive 'serial:' names no serial number";
    return choice;
  }
  const std::vector<Match> matches = Matches(disks, word);
  if (matches.empty()) {
    choice.exitCode = kExitNothingToDo;
    choice.error = "no such drive: " + word;
    return choice;
  }
  if (matches.size() == 1) {
    choice.at = static_cast<int>(matches.front().at);
    return choice;
  }
  std::vector<std::string> readings;
  std::vector<std::string> forms;
  for (const Match& m : matches) {
    readings.push_back(Describe(disks[m.at], m.kind));
    const std::string form = UnambiguousForm(disks, m.at, m.kind);
    if (!form.empty()) forms.push_back(form);
  }
  choice.exitCode = kExitUsage;
  choice.error = "drive '" + word + "' is ambiguous: " + OrList(readings);
  if (!forms.empty()) choice.error += "; use " + OrList(forms);
  return choice;
}

}  // namespace app::cli
