#pragma once
// Runs a form in a Qt window: creates the Qt application, builds the window,
// runs the form's creation, shows it and runs the event loop until the form
// has closed. Only this folder includes Qt.
#include <memory>
#include <string>
#include <vector>

#include "gui/qt/layout_check.h"
#include "gui/qt/qt_toolkit.h"
#include "ui/form.h"

class QApplication;

namespace guiqt {

class QtSession {
 public:
  QtSession(int& argc, char** argv);
  ~QtSession();

  ui::Toolkit& Toolkit() { return toolkit_; }
  // Returns the process exit code: 0, also when an exception was shown.
  int Run(ui::Form& form);
  // While the window is shown, keeps `path` holding the window's layout report
  // (CheckLayout with `bars`), rewritten whole as the window changes.
  void ReportLayoutTo(std::string path, std::vector<LayoutBar> bars);

 private:
  std::string layoutPath_;
  std::vector<LayoutBar> layoutBars_;
  std::unique_ptr<QApplication> app_;
  QtToolkit toolkit_;
};

// The look every window of the tool shares (style and default font).
void ApplyToolStyle(QApplication& app);

}  // namespace guiqt
