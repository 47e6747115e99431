#include "record/ask_match.h"

#include "platform/storage_firmware.h"
#include "platform/zero_data.h"
#include "record/anonymizer.h"
#include "record/buffer_field.h"
#include "record/hex.h"

namespace record {
namespace {

std::string MapPath(std::string text, const PathMapping& paths) {
  if (!paths.replayHome.empty() && paths.replayHome != paths.recordedHome &&
      text.compare(0, paths.replayHome.size(), paths.replayHome) == 0)
    text.replace(0, paths.replayHome.size(), paths.recordedHome);
  return text;
}

bool TextMatches(const std::string& recorded, const std::string& actual, const PathMapping& p) {
  if (recorded == actual) return true;
  const std::string mapped = MapPath(actual, p);
  if (mapped == recorded) return true;
  if (!p.anonymized) return false;
  Anonymizer paths;
  return paths.ScrubText(mapped) == paths.ScrubText(recorded);
}

}  // namespace

bool AskMatches(const Json& recorded, const Json& actual, const PathMapping& paths) {
  if (recorded.kind == Json::Kind::kObject && actual.kind == Json::Kind::kString &&
      recorded.Find("sha256") != nullptr) {
    const auto bytes = FromHex(actual.text);
    return bytes && BufferMatches(recorded, *bytes);
  }
  if (recorded.kind != actual.kind) return false;
  switch (recorded.kind) {
    case Json::Kind::kString:
      return TextMatches(recorded.text, actual.text, paths);
    case Json::Kind::kObject:
      if (recorded.members.size() != actual.members.size()) return false;
      for (size_t i = 0; i < recorded.members.size(); ++i) {
        if (recorded.members[i].first != actual.members[i].first ||
            !AskMatches(recorded.members[i].second, actual.members[i].second, paths))
          return false;
      }
      return true;
    case Json::Kind::kArray:
      if (recorded.items.size() != actual.items.size()) return false;
      for (size_t i = 0; i < recorded.items.size(); ++i)
        if (!AskMatches(recorded.items[i], actual.items[i], paths)) return false;
      return true;
    default:
      return recorded == actual;
  }
}

bool IsDestructive(const std::string& call, const Json& ask) {
  if (call == "WriteFile" || call == "DeleteFileA" || call == "WinExec" ||
      call == "CreateProcessA")
    return true;
  if (call != "DeviceIoControl") return false;
  if (ask.Find("dataOut") != nullptr) return true;
  const Json* code = ask.Find("code");
  if (code == nullptr) return false;
  return code->number == os::IOCTL_STORAGE_FIRMWARE_DOWNLOAD ||
         code->number == os::IOCTL_STORAGE_FIRMWARE_ACTIVATE ||
         code->number == os::FSCTL_SET_ZERO_DATA;
}

}  // namespace record
