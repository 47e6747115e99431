#pragma once
// A run sink that shows each drive's notices in a message box as soon as the
// drive is done, whatever the run log keeps, and passes every event on.
#include <string>

#include "run/drive_run.h"
#include "ui/application.h"

namespace maintenance {

inline constexpr const char* kNoticeCaption = "Warning";

class NoticeBoxes : public app::RunSink {
 public:
  NoticeBoxes(ui::Application& application, app::RunSink& inner)
      : application_(application), inner_(inner) {}

  void RowReached(const app::DriveReport& d) override { inner_.RowReached(d); }
  void DriveStarted(const app::DriveReport& d) override { inner_.DriveStarted(d); }
  void StepChanged(const app::DriveReport& d) override { inner_.StepChanged(d); }
  void ProgressChanged(const app::DriveReport& d) override { inner_.ProgressChanged(d); }
  void DriveFinished(const app::DriveReport& d) override {
    inner_.DriveFinished(d);
    for (const std::string& notice : d.notices) {
      application_.MessageBox(notice, kNoticeCaption, ui::MsgButtons::kOK,
                              ui::MsgIcon::kExclamation);
    }
  }
  void Idle() override { inner_.Idle(); }

 private:
  ui::Application& application_;
  app::RunSink& inner_;
};

}  // namespace maintenance
