#pragma once
// The toolkit of a run without a display: timers on the platform clock (so
// virtual time in tests), posted messages in order, dialogs answered by a
// policy or by scripted answers, and a record of everything asked.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/os.h"
#include "ui/application.h"
#include "ui/toolkit.h"

namespace ui {

class HeadlessToolkit : public Toolkit {
 public:
  // Dialogs and exceptions are echoed to `echo` when given.
  explicit HeadlessToolkit(os::Os& os, std::ostream* echo = nullptr) : os_(os), echo_(echo) {}

  void SetAnswerPolicy(AnswerPolicy policy) { policy_ = policy; }
  // Answers for the next message boxes, used in order before the policy.
  void ScriptAnswer(ModalResult answer) { scriptedAnswers_.push_back(answer); }
  // The next message box is answered as a user pressing Enter would: with
  // its default button.
  void ScriptEnter() { scriptedAnswers_.push_back(std::nullopt); }
  // Answers for the next input dialogs; nullopt cancels. Without a scripted
  // answer the dialog is cancelled.
  void ScriptInput(std::optional<std::string> answer) { scriptedInputs_.push_back(answer); }

  struct DialogRecord {
    MessageBoxRequest request;
    ModalResult answer;
  };
  const std::vector<DialogRecord>& Dialogs() const { return dialogs_; }
  struct InputRecord {
    std::string caption;
    std::string prompt;
    std::optional<std::string> answer;
  };
  const std::vector<InputRecord>& Inputs() const { return inputs_; }
  const std::vector<std::string>& Exceptions() const { return exceptions_; }
  int MinimizeCount() const { return minimizeCount_; }
  int WindowMoveCount() const { return windowMoveCount_; }
  bool QuitRequested() const { return quit_; }

  // Runs the message loop until `done` holds or the application ends: lets
  // messages run, then sleeps through the platform until the next timer is
  // due. False when nothing could happen any more (no timer armed, no message
  // waiting) before that.
  bool RunUntil(const std::function<bool()>& done);
  // Runs the loop for `ms` milliseconds of platform time.
  void RunFor(uint64_t ms);
  // When the next armed timer is due (platform milliseconds), if any.
  std::optional<uint64_t> NextDue() const;

  // Toolkit.
  void Attach(Application& app) override { app_ = &app; }
  void ProcessMessages() override;
  void MessagePosted() override {}
  void Quit() override { quit_ = true; }
  void TimerChanged(Timer& timer) override;
  void TimerRemoved(Timer& timer) override;
  ModalResult MessageBox(const MessageBoxRequest& request) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  void ShowException(const std::string& message) override;
  void Minimize() override { ++minimizeCount_; }
  void BeginWindowMove() override { ++windowMoveCount_; }

 private:
  struct Entry {
    Timer* timer;
    bool armed;
    uint64_t due;
  };
  Entry* Find(Timer* t);
  void SleepUntil(uint64_t due);

  os::Os& os_;
  std::ostream* echo_;
  Application* app_ = nullptr;
  std::vector<Entry> timers_;
  AnswerPolicy policy_ = AnswerPolicy::kCautious;
  std::deque<std::optional<ModalResult>> scriptedAnswers_;  // nullopt: Enter
  std::deque<std::optional<std::string>> scriptedInputs_;
  std::vector<DialogRecord> dialogs_;
  std::vector<InputRecord> inputs_;
  std::vector<std::string> exceptions_;
  int minimizeCount_ = 0;
  int windowMoveCount_ = 0;
  bool quit_ = false;
};

}  // namespace ui
