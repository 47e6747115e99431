#pragma once
// The application services the form and its pages use: let pending messages
// run, post messages (a close among them), message boxes, the input dialog and
// the exception box; and the dispatch rules of the message loop.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/timer.h"
#include "ui/toolkit.h"

namespace ui {

class Form;

class Application : public TimerListener {
 public:
  explicit Application(Toolkit& toolkit);
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  Toolkit& GetToolkit() { return toolkit_; }

  // Lets pending window messages run once.
  void ProcessMessages() { toolkit_.ProcessMessages(); }

  // Queues a message; it runs from the message loop, after the current handler.
  void Post(std::function<void()> message);
  // Like posting WM_CLOSE to the form: the form closes through its close path.
  void PostClose(Form& form);
  // Runs the messages that were waiting when called, in order.
  void DispatchPosted();
  bool HasPosted() const { return !posted_.empty(); }

  // Runs one event handler the way the message loop does: an exception it
  // throws is shown in the exception box and the loop goes on; a close asked
  // for while handlers are running waits until the outermost one has returned,
  // so no close path runs underneath a running operation.
  void Dispatch(const std::function<void()>& handler);
  bool InHandler() const { return depth_ > 0; }
  // Closes the form now, or after the running handlers when inside one.
  void RequestClose(Form& form);

  // `defaultButton`: the button Enter presses (kNone: the first).
  ModalResult MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                         MsgIcon icon, ModalResult defaultButton = ModalResult::kNone);
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
  void ShowException(const std::string& message) { toolkit_.ShowException(message); }
  void Minimize() { toolkit_.Minimize(); }
  void BeginWindowMove() { toolkit_.BeginWindowMove(); }

  // Timers of the form, driven by the toolkit.
  void AddTimer(Timer& timer);
  const std::vector<Timer*>& Timers() const { return timers_; }
  void TimerChanged(Timer& timer) override { toolkit_.TimerChanged(timer); }
  void TimerDestroyed(Timer& timer) override;

  // The main form has closed: the loop ends.
  void Terminate();
  bool Terminated() const { return terminated_; }

 private:
  void RunGuarded(const std::function<void()>& handler);
  void RunPendingClose();

  Toolkit& toolkit_;
  std::deque<std::function<void()>> posted_;
  std::vector<Timer*> timers_;
  int depth_ = 0;
  Form* pendingClose_ = nullptr;
  bool terminated_ = false;
};

}  // namespace ui
