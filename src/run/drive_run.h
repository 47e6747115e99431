#pragma once
// One run model for work over many drives (firmware update, security erase,
// disk clone): the run walks its drives in order and gives each drive's
// operation a DriveRun to report through: the step it is in, a progress value
// 0..100, trace and run-log lines, and finally passed or failed with a result
// text. What the operation reports reaches a RunSink (the page's list row, the
// status bar, the progress bar) and is kept in the RunReport that a command
// line prints.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/run_log/run_log.h"
#include "platform/os.h"

namespace app {

enum class RunOutcome {
  kWaiting,  // not reached yet, or not chosen in this run
  kRunning,
  kPassed,
  kFailed,
};

// Text of an outcome for logs and JSON: "waiting", "running", "passed", "failed".
const char* OutcomeName(RunOutcome outcome);

// What one drive did in a run.
struct DriveReport {
  int row = -1;       // the drive's row in the page's list
  std::string drive;  // its display name
  bool chosen = false;
  RunOutcome outcome = RunOutcome::kWaiting;
  std::string result;              // the result text as the list shows it
  std::string step;                // the step in progress, or the last one
  int progress = 0;                // 0..100
  std::vector<std::string> steps;  // every step in order
  std::vector<std::string> log;    // the run-log lines written for this drive
  // What the user must be told about the drive whatever the run log keeps (a
  // drive left in a state that needs the user's hand).
  std::vector<std::string> notices;
};

// The whole run, in list order.
struct RunReport {
  std::vector<DriveReport> drives;
  bool cancelled = false;

  int Chosen() const;
  int Passed() const;
  int Failed() const;
  // Every chosen drive passed (false when none was chosen).
  bool AllPassed() const { return Chosen() > 0 && Passed() == Chosen(); }
};

// Where a run shows itself while it goes. Every call has a default that does
// nothing, so a sink implements only what it shows.
class RunSink {
 public:
  virtual ~RunSink() = default;
  // Every row, chosen or not, as the run reaches it.
  virtual void RowReached(const DriveReport&) {}
  virtual void DriveStarted(const DriveReport&) {}
  virtual void StepChanged(const DriveReport&) {}
  virtual void ProgressChanged(const DriveReport&) {}
  virtual void DriveFinished(const DriveReport&) {}
  // Between drives and between steps: the window processes its messages here.
  virtual void Idle() {}
};

// The handle an operation reports through. Pass and Fail end the drive; the
// last one called decides its outcome.
class DriveRun {
 public:
  DriveRun(DriveReport& report, RunSink& sink, RunLog& log, os::Os& os,
           const std::function<bool()>& cancelled);

  const DriveReport& Report() const { return report_; }
  // A named step: noted in the report and shown by the sink.
  void Step(const std::string& name);
  // Clamped to 0..100; never goes back within a drive unless Reset.
  void Progress(int value);
  void ResetProgress();
  void Pass(const std::string& result);
  void Fail(const std::string& result);
  bool Ended() const { return ended_; }
  // A run-log line, kept with the drive's report too.
  void Log(const std::string& line);
  // A notice for the user: kept with the report (the page shows it at once,
  // the command line prints it) and written to the run log too.
  void Notice(const std::string& text);
  // A debugger-output line (the trace sink).
  void Trace(const std::string& line);
  // The user asked to stop: an operation checks this between its steps.
  bool Cancelled() const { return cancelled_ && cancelled_(); }
  void ProcessMessages() { sink_.Idle(); }

 private:
  DriveReport& report_;
  RunSink& sink_;
  RunLog& log_;
  os::Os& os_;
  const std::function<bool()>& cancelled_;
  bool ended_ = false;
};

// The work of one drive. An operation that returns without Pass or Fail has
// failed with the result text it last set (or "Error" when none).
class DriveOperation {
 public:
  virtual ~DriveOperation() = default;
  virtual void Run(DriveRun& run) = 0;
};

// One entry of a run: a row of the list. `operation` null: not chosen (the
// row is walked, reported as waiting, and nothing is sent to its drive).
struct RunEntry {
  int row = -1;
  std::string drive;
  std::unique_ptr<DriveOperation> operation;
};

class DriveRunner {
 public:
  DriveRunner(RunSink& sink, RunLog& log, os::Os& os) : sink_(sink), log_(log), os_(os) {}

  // Asked between drives and by operations between steps; true stops the run
  // before the next drive.
  std::function<bool()> cancelled;

  RunReport Run(std::vector<RunEntry> entries);

 private:
  RunSink& sink_;
  RunLog& log_;
  os::Os& os_;
};

}  // namespace app
