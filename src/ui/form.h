#pragma once
// A top-level window of the model: the root of a component tree with a caption,
// a client size, a border style and the window events create, show, resize and
// close. Closing runs the close handler once and ends the application's loop.
#include <functional>
#include <string>

#include "ui/application.h"
#include "ui/component.h"

namespace ui {

enum class BorderStyle {
  kDialog,  // a normal frame with a caption bar
  kNone,    // no frame at all: the form draws its own title bar
};

class Form : public Component {
 public:
  Form(Application& app, std::string name);

  Application& App() { return app_; }

  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }
  // Lays out aligned children, then raises OnResize.
  void SetClientSize(int width, int height);

  BorderStyle GetBorderStyle() const { return borderStyle_; }
  void SetBorderStyle(BorderStyle style);

  std::function<void()> OnCreate;
  std::function<void()> OnShow;
  std::function<void()> OnResize;
  std::function<void()> OnClose;

  // Window life: created, shown, closed. Exceptions from the handlers reach
  // the caller (the process entry shows them).
  void RunCreate();
  void RunShow();
  void Resize();
  // Runs the close handler once and ends the application's loop; later calls
  // do nothing.
  void Close();
  bool Created() const { return created_; }
  bool Closed() const { return closed_; }

  // Lets the application's toolkit drive this timer.
  void AddTimer(Timer& timer) { app_.AddTimer(timer); }

 private:
  Application& app_;
  BorderStyle borderStyle_ = BorderStyle::kDialog;
  bool created_ = false;
  bool closed_ = false;
};

}  // namespace ui
