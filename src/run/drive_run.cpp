#include "run/drive_run.h"

#include <algorithm>

namespace app {

const char* OutcomeName(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kWaiting:
      return "waiting";
    case RunOutcome::kRunning:
      return "running";
    case RunOutcome::kPassed:
      return "passed";
    case RunOutcome::kFailed:
      return "failed";
  }
  return "waiting";
}

int RunReport::Chosen() const {
  return static_cast<int>(
      std::count_if(drives.begin(), drives.end(), [](const DriveReport& d) { return d.chosen; }));
}

int RunReport::Passed() const {
  return static_cast<int>(std::count_if(drives.begin(), drives.end(), [](const DriveReport& d) {
    return d.outcome == RunOutcome::kPassed;
  }));
}

int RunReport::Failed() const {
  return static_cast<int>(std::count_if(drives.begin(), drives.end(), [](const DriveReport& d) {
    return d.outcome == RunOutcome::kFailed;
  }));
}

DriveRun::DriveRun(DriveReport& report, RunSink& sink, RunLog& log, os::Os& os,
                   const std::function<bool()>& cancelled)
    : report_(report), sink_(sink), log_(log), os_(os), cancelled_(cancelled) {}

void DriveRun::Step(const std::string& name) {
  report_.step = name;
  report_.steps.push_back(name);
  sink_.StepChanged(report_);
}

void DriveRun::Progress(int value) {
  value = std::clamp(value, 0, 100);
  if (value <= report_.progress) return;
  report_.progress = value;
  sink_.ProgressChanged(report_);
}

void DriveRun::ResetProgress() {
  report_.progress = 0;
  sink_.ProgressChanged(report_);
}

void DriveRun::Pass(const std::string& result) {
  report_.outcome = RunOutcome::kPassed;
  report_.result = result;
  ended_ = true;
}

void DriveRun::Fail(const std::string& result) {
  report_.outcome = RunOutcome::kFailed;
  report_.result = result;
  ended_ = true;
}

void DriveRun::Log(const std::string& line) {
  report_.log.push_back(line);
  log_.Append(line);
}

void DriveRun::Notice(const std::string& text) {
  report_.notices.push_back(text);
  Log(text);
}

void DriveRun::Trace(const std::string& line) { os_.OutputDebugStringA(line); }

RunReport DriveRunner::Run(std::vector<RunEntry> entries) {
  RunReport report;
  report.drives.reserve(entries.size());
  for (RunEntry& e : entries) {
    DriveReport& d = report.drives.emplace_back();
    d.row = e.row;
    d.drive = e.drive;
    d.chosen = e.operation != nullptr;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    DriveReport& d = report.drives[i];
    sink_.RowReached(d);
    sink_.Idle();
    if (!entries[i].operation) {
      sink_.DriveFinished(d);
      continue;
    }
    if (cancelled && cancelled()) {
      // Not reached: it stays waiting, so a cancelled run never counts as all passed.
      report.cancelled = true;
      sink_.DriveFinished(d);
      continue;
    }
    d.outcome = RunOutcome::kRunning;
    sink_.DriveStarted(d);
    DriveRun run(d, sink_, log_, os_, cancelled);
    entries[i].operation->Run(run);
    if (!run.Ended()) {
      // Returning without a verdict is not a success.
      d.outcome = RunOutcome::kFailed;
      if (d.result.empty()) d.result = "Error";
    }
    d.progress = 100;
    sink_.ProgressChanged(d);
    sink_.DriveFinished(d);
  }
  return report;
}

}  // namespace app
