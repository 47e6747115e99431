#include "record/recording_reader.h"

#include <fstream>
#include <sstream>

#include "record/recording_format.h"

namespace record {
namespace {

// A recording bigger than this is no recording of one run.
constexpr uint64_t kMaxFileBytes = uint64_t{4} << 30;
constexpr size_t kMaxTraceLinesPerCall = 4096;

const Json* Member(const Json& o, std::string_view key, Json::Kind kind) {
  const Json* v = o.Find(key);
  return v != nullptr && v->kind == kind ? v : nullptr;
}

bool ReadHeader(const Json& h, Recording& r, std::string& error) {
  const Json* format = Member(h, "format", Json::Kind::kString);
  const Json* version = Member(h, "version", Json::Kind::kNumber);
  if (!format || format->text != kFormatName || !version) {
    error = "line 1 is no recording header";
    return false;
  }
  if (version->number != kFormatVersion) {
    error = "the recording has format version " + std::to_string(version->number) +
            "; this tool reads version " + std::to_string(kFormatVersion);
    return false;
  }
  const Json* args = Member(h, "commandLine", Json::Kind::kArray);
  if (!args) {
    error = "the recording header has no command line";
    return false;
  }
  for (const Json& a : args->items) {
    if (a.kind != Json::Kind::kString) {
      error = "the recording header's command line holds a value that is no text";
      return false;
    }
    r.commandLine.push_back(a.text);
  }
  if (const Json* v = Member(h, "tool", Json::Kind::kString)) r.tool = v->text;
  if (const Json* v = Member(h, "backend", Json::Kind::kString)) r.backend = v->text;
  if (const Json* v = Member(h, "home", Json::Kind::kString)) r.home = v->text;
  if (const Json* v = Member(h, "anonymized", Json::Kind::kBool)) r.anonymized = v->flag;
  return true;
}

bool ReadCall(Json&& j, size_t line, Recording& r, std::vector<std::string>& backendTrace,
              std::string& error) {
  const Json* call = Member(j, "call", Json::Kind::kString);
  const Json* ask = Member(j, "ask", Json::Kind::kObject);
  const Json* answer = Member(j, "answer", Json::Kind::kObject);
  const Json* handle = j.Find("handle");
  if (!call || !ask || !answer || (handle && handle->kind != Json::Kind::kNumber)) {
    error = "line " + std::to_string(line) + " is no recorded call (call, ask and answer needed)";
    return false;
  }
  if (call->text == kTraceCall) {
    const Json* text = Member(*ask, "text", Json::Kind::kString);
    const Json* backend = Member(*ask, "backend", Json::Kind::kBool);
    if (text && backend && backend->flag && backendTrace.size() < kMaxTraceLinesPerCall)
      backendTrace.push_back(text->text);
    return true;
  }
  if (r.calls.size() >= kMaxEntries) {
    error = "the recording holds more calls than a replay takes";
    return false;
  }
  RecordedCall c;
  c.line = line;
  c.call = call->text;
  if (handle) c.handle = handle->number;
  c.ask = *ask;
  c.answer = *answer;
  c.backendTrace = std::move(backendTrace);
  backendTrace.clear();
  r.calls.push_back(std::move(c));
  return true;
}

}  // namespace

std::optional<Recording> ParseRecording(std::string_view text, std::string& error) {
  Recording r;
  std::vector<std::string> backendTrace;
  size_t at = 0;
  size_t line = 0;
  while (at < text.size()) {
    ++line;
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos) {
      error = "the recording ends in the middle of line " + std::to_string(line) +
              " (the file was cut off)";
      return std::nullopt;
    }
    const std::string_view l = text.substr(at, end - at);
    at = end + 1;
    if (l.size() > kMaxLineBytes) {
      error = "line " + std::to_string(line) + " is longer than a recording line can be";
      return std::nullopt;
    }
    std::string why;
    auto j = ParseJson(l, why);
    if (!j || j->kind != Json::Kind::kObject) {
      error = "line " + std::to_string(line) + " is no JSON object" + (why.empty() ? "" : ": " + why);
      return std::nullopt;
    }
    if (line == 1) {
      if (!ReadHeader(*j, r, error)) return std::nullopt;
    } else if (!ReadCall(std::move(*j), line, r, backendTrace, error)) {
      return std::nullopt;
    }
  }
  if (line == 0) {
    error = "the recording is empty";
    return std::nullopt;
  }
  r.lines = line;
  return r;
}

std::optional<Recording> LoadRecording(const std::string& path, std::string& error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "cannot read the recording " + path;
    return std::nullopt;
  }
  f.seekg(0, std::ios::end);
  const std::streamoff size = f.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > kMaxFileBytes) {
    error = "the recording " + path + " is too large";
    return std::nullopt;
  }
  f.seekg(0);
  std::string text(static_cast<size_t>(size), '\0');
  f.read(text.data(), size);
  if (!f) {
    error = "cannot read the recording " + path;
    return std::nullopt;
  }
  auto r = ParseRecording(text, error);
  if (!r) error = path + ": " + error;
  return r;
}

}  // namespace record
