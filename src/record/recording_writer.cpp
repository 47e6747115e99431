#include "record/recording_writer.h"

#include <chrono>
#include <cstdio>

#include "record/recording_format.h"

namespace record {
namespace {

// From the calendar of <chrono>: the C library's thread-safe UTC call has a
// different name on each system.
std::string UtcNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%04d-%02u-%02uT%02ld:%02ld:%02lldZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<long>(time.hours().count()), static_cast<long>(time.minutes().count()),
                static_cast<long long>(time.seconds().count()));
  return buf;
}

}  // namespace

Json HeaderJson(const RecordingHeader& h) {
  Json args = Json::Array();
  for (const std::string& a : h.commandLine) args.items.push_back(Json::String(a));
  Json j = Json::Object();
  j.Set("format", Json::String(kFormatName))
      .Set("version", Json::Number(kFormatVersion))
      .Set("tool", Json::String(h.tool))
      .Set("backend", Json::String(h.backend))
      .Set("commandLine", std::move(args))
      .Set("home", Json::String(h.home))
      .Set("start", Json::String(UtcNow()))
      .Set("data", Json::String(h.wholeData ? "whole" : "digest"))
      .Set("anonymized", Json::Bool(h.anonymized));
  return j;
}

std::unique_ptr<RecordingWriter> RecordingWriter::Create(const std::string& path,
                                                         const RecordingHeader& header,
                                                         std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    error = "cannot create the recording " + path;
    return nullptr;
  }
  std::unique_ptr<RecordingWriter> w(new RecordingWriter(f));
  w->WriteLine(HeaderJson(header));
  return w;
}

RecordingWriter::~RecordingWriter() { std::fclose(file_); }

void RecordingWriter::WriteLine(const Json& object) {
  std::string line = WriteJson(object);
  line.push_back('\n');
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) failed_ = true;
  if (std::fflush(file_) != 0) failed_ = true;
}

}  // namespace record
