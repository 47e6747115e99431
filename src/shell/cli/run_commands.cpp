#include "shell/cli/run_commands.h"

#include <algorithm>
#include <ostream>

#include "common/json_writer.h"
#include "run/drive_run.h"
#include "shell/cli/cli_options.h"

namespace app::cli {
namespace {

// One stderr line per step of each drive.
class ProgressLines : public RunSink {
 public:
  explicit ProgressLines(std::ostream& err) : err_(err) {}
  void DriveStarted(const DriveReport& d) override { err_ << d.drive << ": started\n"; }
  void StepChanged(const DriveReport& d) override { err_ << d.drive << ": " << d.step << "\n"; }
  void DriveFinished(const DriveReport& d) override {
    if (d.chosen) err_ << d.drive << ": " << d.result << "\n";
  }

 private:
  std::ostream& err_;
};

void TickOnly(ui::ListView& list, const std::vector<int>& rows) {
  for (int r = 0; r < list.ItemCount(); ++r)
    list.SetChecked(r, std::find(rows.begin(), rows.end(), r) != rows.end());
}

int Report(RunCommandContext& rc, const char* command, const RunReport& report) {
  if (rc.json) {
    common::JsonWriter j;
    j.BeginObject().Key("command").String(command).Key("drives").BeginArray();
    for (const DriveReport& d : report.drives) {
      if (!d.chosen) continue;
      const CliDrive* drive = DriveAtRow(rc.drives, d.row);
      j.BeginObject();
      j.Key("index").Int(drive ? drive->index : -1);
      j.Key("name").String(d.drive);
      j.Key("serial").String(drive ? drive->serial : "");
      j.Key("outcome").String(OutcomeName(d.outcome));
      j.Key("result").String(d.result);
      j.Key("steps").BeginArray();
      for (const std::string& s : d.steps) j.String(s);
      j.EndArray();
      j.Key("log").BeginArray();
      for (const std::string& l : d.log) j.String(l);
      j.EndArray();
      j.Key("notices").BeginArray();
      for (const std::string& n : d.notices) j.String(n);
      j.EndArray();
      j.EndObject();
    }
    j.EndArray();
    j.Key("passed").Int(report.Passed()).Key("failed").Int(report.Failed());
    j.EndObject();
    rc.out << j.Text();
  } else {
    for (const DriveReport& d : report.drives) {
      const CliDrive* drive = DriveAtRow(rc.drives, d.row);
      if (d.chosen)
        rc.out << (drive ? drive->index : -1) << "  " << d.drive << "  " << d.result << "\n";
    }
  }
  // A drive that failed says why on stderr as well, whatever the output
  // format (with --progress its last line has said it already).
  if (!rc.progress) {
    for (const DriveReport& d : report.drives)
      if (d.chosen && d.outcome == RunOutcome::kFailed)
        rc.err << "ssdtools " << command << ": " << d.drive << ": " << d.result << "\n";
  }
  if (report.Chosen() == 0) return kExitNothingToDo;
  return report.AllPassed() ? kExitOk : kExitDriveFailed;
}

}  // namespace

int Erase(RunCommandContext& rc) {
  TUpdateDispaly& form = rc.session.Form();
  form.T_OptionPage.Click();
  TickOnly(form.LV_OptionErase, rc.rows);
  ProgressLines lines(rc.err);
  maintenance::ErasePage& page = rc.session.Plugins().Erase();
  page.SetObserver(rc.progress ? &lines : nullptr);
  form.T_SendErase.Click();
  page.SetObserver(nullptr);
  return Report(rc, "erase", page.LastRun());
}

int Update(RunCommandContext& rc) {
  TUpdateDispaly& form = rc.session.Form();
  form.T_UpdateFW.Click();
  TickOnly(form.LV_UpdateDevStatus, rc.rows);
  ProgressLines lines(rc.err);
  update::UpdatePage& page = rc.session.Plugins().Update();
  page.SetObserver(rc.progress ? &lines : nullptr);
  form.T_Start.Click();
  page.SetObserver(nullptr);
  return Report(rc, "update", page.LastRun());
}

}  // namespace app::cli
