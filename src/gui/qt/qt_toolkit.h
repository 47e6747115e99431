#pragma once
// The toolkit of the window: QTimer per model timer, processEvents as the
// message pump, posted messages through Qt's queue, Qt message boxes, the
// input dialog and the exception box.
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>

#include "ui/application.h"
#include "ui/toolkit.h"

namespace guiqt {

class QtToolkit : public ui::Toolkit {
 public:
  QtToolkit() = default;
  ~QtToolkit() override;

  // The window dialogs belong to and that minimises and moves.
  void SetWindow(QWidget* window) { window_ = window; }
  // The QTimer that drives a model timer (nullptr when it has none).
  QTimer* TimerFor(const ui::Timer& timer) const;

  void Attach(ui::Application& app) override { app_ = &app; }
  void ProcessMessages() override;
  void MessagePosted() override;
  void Quit() override;
  void TimerChanged(ui::Timer& timer) override;
  void TimerRemoved(ui::Timer& timer) override;
  ui::ModalResult MessageBox(const ui::MessageBoxRequest& request) override;
  bool InputQuery(const std::string& caption, const std::string& prompt,
                  std::string& value) override;
  void ShowException(const std::string& message) override;
  void Minimize() override;
  void BeginWindowMove() override;

 private:
  ui::Application* app_ = nullptr;
  QPointer<QWidget> window_;
  std::map<const ui::Timer*, std::unique_ptr<QTimer>> timers_;
  bool quitting_ = false;
};

}  // namespace guiqt
