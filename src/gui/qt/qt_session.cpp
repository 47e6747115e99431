#include "gui/qt/qt_session.h"

#include <QApplication>
#include <QFont>
#include <QSaveFile>
#include <QStyleFactory>
#include <QTimer>
#include <exception>

#include "gui/qt/form_view.h"

namespace guiqt {

void ApplyToolStyle(QApplication& app) {
  if (QStyle* fusion = QStyleFactory::create("Fusion")) app.setStyle(fusion);
  QFont f("DejaVu Sans");
  f.setPointSize(8);
  app.setFont(f);
  // The name message boxes carry. Not the display name: the window system
  // would append that to every window title, and the form's caption is the
  // whole title.
  app.setApplicationName("SSD Tools");
}

QtSession::QtSession(int& argc, char** argv) : app_(std::make_unique<QApplication>(argc, argv)) {
  ApplyToolStyle(*app_);
}

QtSession::~QtSession() = default;

void QtSession::ReportLayoutTo(std::string path, std::vector<LayoutBar> bars) {
  layoutPath_ = std::move(path);
  layoutBars_ = std::move(bars);
}

namespace {

// The report with the problems first, each line marked, then the geometry.
void WriteLayoutReport(const FormView& view, const std::vector<LayoutBar>& bars,
                       const std::string& path, std::string& last) {
  const LayoutReport report = CheckLayout(view, bars);
  std::string text;
  for (const std::string& p : report.problems) text += "PROBLEM " + p + "\n";
  text += report.dump;
  if (text == last) return;
  last = text;
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(text.data(), static_cast<qint64>(text.size()));
  file.commit();
}

}  // namespace

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
  QTimer layoutTimer;
  std::string lastReport;
  if (!layoutPath_.empty()) {
    QObject::connect(&layoutTimer, &QTimer::timeout, &layoutTimer,
                     [&] { WriteLayoutReport(view, layoutBars_, layoutPath_, lastReport); });
    layoutTimer.start(200);
  }
  if (!app.Terminated()) QApplication::exec();
  toolkit_.SetWindow(nullptr);
  return 0;
}

}  // namespace guiqt
