#pragma once
// What a windowing backend does for the Application: run pending messages,
// drive timers, show dialogs, move and minimise the window. One implementation
// needs no display at all (HeadlessToolkit); the Qt view is the other.
#include <string>

#include "ui/dialogs.h"

namespace ui {

class Application;
class Timer;

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Called once by the Application that uses this toolkit.
  virtual void Attach(Application& app) = 0;

  // Lets every pending window message run once (including due timers and
  // posted messages), then returns.
  virtual void ProcessMessages() = 0;
  // A message was posted: make sure Application::DispatchPosted runs soon.
  virtual void MessagePosted() = 0;
  // The main form has closed: leave the message loop.
  virtual void Quit() = 0;

  virtual void TimerChanged(Timer& timer) = 0;
  virtual void TimerRemoved(Timer& timer) = 0;

  virtual ModalResult MessageBox(const MessageBoxRequest& request) = 0;
  // Returns false (and leaves `value` alone) when the user cancels.
  virtual bool InputQuery(const std::string& caption, const std::string& prompt,
                          std::string& value) = 0;
  virtual void ShowException(const std::string& message) = 0;

  virtual void Minimize() = 0;
  // Lets the system move the window with the mouse, as a press on a caption does.
  virtual void BeginWindowMove() = 0;
};

}  // namespace ui
