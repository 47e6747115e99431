#pragma once
// The main form in a Qt window on the offscreen platform: a temporary tool
// folder, virtual time for the model, Qt's own timers for the view.
#include <QApplication>
#include <QWidget>
#include <memory>

#include "config/context/run_context.h"
#include "form/update_dispaly.h"
#include "gui/qt/form_view.h"
#include "gui/qt/qt_session.h"
#include "gui/qt/qt_toolkit.h"
#include "platform/virtual_os.h"
#include "support/temp_dir.h"

namespace guiqt::testing {

inline QApplication& EnsureApplication() {
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    ApplyToolStyle(*a);
    return a;
  }();
  return *app;
}

class WindowFixture {
 public:
  WindowFixture() { EnsureApplication(); }

  testsupport::TempDir dir;
  os::VirtualOs os;
  QtToolkit toolkit;
  ui::Application app{toolkit};
  app::RunContext ctx{os, dir.Str()};
  std::unique_ptr<app::TUpdateDispaly> form;
  std::unique_ptr<FormView> view;

  void Settings(const std::string& text) { dir.Write("Setting.ini", text); }

  // Builds the form and its window, runs creation and shows it.
  app::TUpdateDispaly& Open() {
    form = std::make_unique<app::TUpdateDispaly>(app, ctx);
    form->SetVersionResource(app::VersionResource{2, 5, 17, 3, "A1"});
    view = std::make_unique<FormView>(*form);
    toolkit.SetWindow(view.get());
    form->RunCreate();
    view->ShowCentered();
    form->RunShow();
    QApplication::processEvents();
    return *form;
  }
  QWidget* W(const std::string& name) const { return view->WidgetFor(name); }

  ~WindowFixture() {
    toolkit.SetWindow(nullptr);
    view.reset();
    form.reset();
  }
};

}  // namespace guiqt::testing
