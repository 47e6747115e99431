#include "gui/qt/qt_session.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>
#include <exception>

#include "gui/qt/form_view.h"

namespace guiqt {

void ApplyToolStyle(QApplication& app) {
  if (QStyle* fusion = QStyleFactory::create("Fusion")) app.setStyle(fusion);
  QFont f("DejaVu Sans");
  f.setPointSize(8);
  app.setFont(f);
  app.setApplicationDisplayName("SSD Tools");
}

QtSession::QtSession(int& argc, char** argv) : app_(std::make_unique<QApplication>(argc, argv)) {
  ApplyToolStyle(*app_);
}

QtSession::~QtSession() = default;

int QtSession::Run(ui::Form& form) {
  FormView view(form);
  toolkit_.SetWindow(&view);
  ui::Application& app = form.App();
  // An exception that escapes creation is shown in the exception box; the
  // window never opens and the process ends normally.
  try {
    form.RunCreate();
  } catch (const std::exception& e) {
    app.ShowException(e.what());
    return 0;
  } catch (...) {
    app.ShowException("Unknown exception");
    return 0;
  }
  view.ShowCentered();
  app.Dispatch([&form] { form.RunShow(); });
  if (!app.Terminated()) QApplication::exec();
  toolkit_.SetWindow(nullptr);
  return 0;
}

}  // namespace guiqt
