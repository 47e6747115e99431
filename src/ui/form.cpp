#include "ui/form.h"

namespace ui {

Form::Form(Application& app, std::string name)
    : Component(Kind::kForm, std::move(name)), app_(app) {
  // A form is not on screen until it is shown.
  SetVisible(false);
}

void Form::SetClientSize(int width, int height) {
  SetBounds({Left(), Top(), width, height});
  Resize();
}

void Form::SetBorderStyle(BorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  Changed(Property::kStyle);
}

void Form::RunCreate() {
  created_ = true;
  if (OnCreate) OnCreate();
}

void Form::RunShow() {
  SetVisible(true);
  if (OnShow) OnShow();
  Resize();
}

void Form::Resize() {
  if (OnResize) OnResize();
}

void Form::Close() {
  if (closed_) return;
  closed_ = true;
  struct EndLoop {
    Application& app;
    ~EndLoop() { app.Terminate(); }
  } endLoop{app_};
  if (OnClose) OnClose();
  SetVisible(false);
}

}  // namespace ui
