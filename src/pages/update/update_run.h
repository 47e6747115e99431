#pragma once
// One drive of the update run: the NVMe or the ATA procedure by the drive's
// access path, then the run's success rule on the result text. And the list
// sink of the run, which adds each row's result line to the run log.
#include <string>

#include "run/drive_run.h"
#include "form/run/run_list.h"
#include "pages/update/update_flow.h"

namespace update {

class UpdateOperation : public app::DriveOperation {
 public:
  UpdateOperation(app::TUpdateDispaly& form, app::DriveView drive,
                  const app::ResultColumnMap& columns, UpdateState& state)
      : form_(form), drive_(drive), columns_(columns), state_(state) {}
  void Run(app::DriveRun& run) override;

 private:
  app::TUpdateDispaly& form_;
  app::DriveView drive_;
  const app::ResultColumnMap& columns_;
  UpdateState& state_;
};

// The update list during a run; after every row, ticked or not, the run log
// gets "Dev_<row>          : <result cell>".
class UpdateListSink : public app::RunListSink {
 public:
  // `currentRow` (optional) is set to each drive as it starts.
  UpdateListSink(app::TUpdateDispaly& form, const app::ResultColumnMap& columns,
                 int* currentRow = nullptr);
  void DriveStarted(const app::DriveReport& d) override;
  void DriveFinished(const app::DriveReport& d) override;

 private:
  app::TUpdateDispaly& form_;
  int resultSub_;
  int* currentRow_;
};

// A run outside the list (a button of the advanced group pressed by hand):
// only the progress bar shows it.
class ProgressOnlySink : public app::RunSink {
 public:
  explicit ProgressOnlySink(app::TUpdateDispaly& form) : form_(form) {}
  void ProgressChanged(const app::DriveReport& d) override { form_.ProgressPosition = d.progress; }
  void Idle() override { form_.App().ProcessMessages(); }

 private:
  app::TUpdateDispaly& form_;
};

}  // namespace update
