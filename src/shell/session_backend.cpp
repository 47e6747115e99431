#include "shell/session_backend.h"

#include <cctype>
#include <iostream>

#include "build_version.h"
#include "lab/edge/lab_os.h"
#include "platform/host_os.h"
#include "platform/virtual_os.h"
#ifndef _WIN32
#include "platform/linux/linux_os.h"
#endif
#include "record/recording_format.h"
#include "record/recording_os.h"
#include "record/replay_os.h"
#include "shell/session.h"

namespace app {
namespace {

constexpr char kSerialPrefix[] = "serial:";
constexpr size_t kMinBareSerial = 8;

// A DRIVE given as a bare serial number: letters and digits, both, and no
// display name.
bool LooksLikeSerial(const std::string& a) {
  if (a.size() < kMinBareSerial || a.rfind("PHYSICALDRIVE", 0) == 0) return false;
  bool letter = false, digit = false;
  for (char c : a) {
    if (std::isdigit(static_cast<unsigned char>(c))) digit = true;
    else if (std::isalpha(static_cast<unsigned char>(c))) letter = true;
    else if (c != '-' && c != '_') return false;
  }
  return letter && digit;
}

std::string ToolVersion() {
  return std::to_string(buildinfo::kVersionMajor) + "." +
         std::to_string(buildinfo::kVersionMinor) + "." +
         std::to_string(buildinfo::kVersionBuild) + "." +
         std::to_string(buildinfo::kVersionPrivate);
}

// Ends the run like a divergence when a checked replay leaves calls unasked.
class WholeReplayOs : public record::ReplayOs {
 public:
  using ReplayOs::ReplayOs;
  ~WholeReplayOs() override {
    if (const auto unasked = Unasked()) {
      std::cout.flush();
      std::cerr << "ssdtools: the replay did not reach the end of the recording: " << *unasked
                << "\n";
      std::cerr.flush();
      std::_Exit(record::kExitReplayDiverged);
    }
  }
};

std::unique_ptr<os::Os> OpenReplay(const RecordingArgs& rec, const std::string& home,
                                   std::string& error) {
  auto recording = record::LoadRecording(rec.replay, error);
  if (!recording) return nullptr;
  std::unique_ptr<record::ReplayOs> replay;
  if (rec.wholeReplay)
    replay = std::make_unique<WholeReplayOs>(std::move(*recording), rec.replay);
  else
    replay = std::make_unique<record::ReplayOs>(std::move(*recording), rec.replay);
  replay->SetReplayHome(home);
  return replay;
}

}  // namespace

bool TakeRecordingArgs(std::vector<std::string>& args, RecordingArgs& out, std::string& error) {
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--record" || a == "--replay" || a == kWholeReplayOption) {
      if (i + 1 >= args.size()) {
        error = a + " needs a FILE";
        return false;
      }
      (a == "--record" ? out.record : out.replay) = args[++i];
      out.wholeReplay = a == kWholeReplayOption;
    } else if (a == "--record-data") {
      out.recordData = true;
    } else if (a == "--record-anonymize") {
      out.anonymize = true;
    } else {
      rest.push_back(a);
    }
  }
  if (!out.record.empty() && !out.replay.empty()) {
    error = "--record and --replay do not go together";
    return false;
  }
  if ((out.recordData || out.anonymize) && out.record.empty()) {
    error = "--record-data and --record-anonymize go with --record FILE";
    return false;
  }
  args = std::move(rest);
  return true;
}

std::string RecordingUsageText() {
  return "  recording: --record FILE [--record-data] [--record-anonymize] | --replay FILE;\n"
         "             ssdtools replay --check FILE [--home DIR] (exit code 5: the run left\n"
         "             the recording)\n";
}

std::unique_ptr<os::Os> OpenSessionBackend(const std::string& lab, const RecordingArgs& rec,
                                           const std::string& home,
                                           const std::vector<std::string>& commandLine,
                                           std::string& error) {
  if (!rec.replay.empty()) return OpenReplay(rec, home, error);
  auto backend = OpenBackend(lab, error);
  if (!backend || rec.record.empty()) return backend;

  std::unique_ptr<record::Anonymizer> anonymizer;
  record::RecordingHeader header;
  header.tool = ToolVersion();
#ifdef _WIN32
  header.backend = lab.empty() ? "windows" : "lab";
#else
  header.backend = lab.empty() ? "linux" : "lab";
#endif
  header.home = home;
  header.commandLine = commandLine;
  header.wholeData = rec.recordData;
  header.anonymized = rec.anonymize;
  if (rec.anonymize) {
    anonymizer = std::make_unique<record::Anonymizer>();
    // A serial the user typed gets the stand-in its drive's replies will get.
    for (const std::string& a : commandLine) {
      if (a.rfind(kSerialPrefix, 0) == 0) anonymizer->Learn(a.substr(sizeof(kSerialPrefix) - 1));
      else if (LooksLikeSerial(a)) anonymizer->Learn(a);
    }
    header.home = anonymizer->ScrubText(header.home);
    for (std::string& a : header.commandLine) a = anonymizer->ScrubText(a);
  }
  auto writer = record::RecordingWriter::Create(rec.record, header, error);
  if (!writer) return nullptr;
  return std::make_unique<record::RecordingOs>(
      std::move(backend), std::move(writer),
      record::RecordOptions{rec.recordData, rec.anonymize}, std::move(anonymizer));
}

bool IsMachineBackend(os::Os& os) {
  if (auto* recording = dynamic_cast<record::RecordingOs*>(&os))
    return IsMachineBackend(recording->Inner());
  if (auto* replay = dynamic_cast<record::ReplayOs*>(&os)) {
    const std::string& backend = replay->Source().backend;
    return backend == "linux" || backend == "windows" || backend == "lab";
  }
  if (dynamic_cast<lab::LabOs*>(&os) != nullptr) return true;
#ifdef _WIN32
  // The Windows backend stands on the host's clock and processes; a
  // virtual-time Os never does.
  return dynamic_cast<os::HostOs*>(&os) != nullptr && dynamic_cast<os::VirtualOs*>(&os) == nullptr;
#else
  return dynamic_cast<os::LinuxOs*>(&os) != nullptr;
#endif
}

}  // namespace app
