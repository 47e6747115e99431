#include "gui/qt/qt_toolkit.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QWindow>

namespace guiqt {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QMessageBox::Icon IconOf(ui::MsgIcon icon) {
  switch (icon) {
    case ui::MsgIcon::kExclamation:
      return QMessageBox::Warning;
    case ui::MsgIcon::kQuestion:
      return QMessageBox::Question;
    case ui::MsgIcon::kError:
      return QMessageBox::Critical;
    case ui::MsgIcon::kInformation:
      return QMessageBox::Information;
    case ui::MsgIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsOf(ui::MsgButtons b) {
  switch (b) {
    case ui::MsgButtons::kOK:
      return QMessageBox::Ok;
    case ui::MsgButtons::kOKCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case ui::MsgButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case ui::MsgButtons::kYesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case ui::MsgButtons::kRetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton ButtonOf(ui::ModalResult r) {
  switch (r) {
    case ui::ModalResult::kOK:
      return QMessageBox::Ok;
    case ui::ModalResult::kCancel:
      return QMessageBox::Cancel;
    case ui::ModalResult::kRetry:
      return QMessageBox::Retry;
    case ui::ModalResult::kYes:
      return QMessageBox::Yes;
    case ui::ModalResult::kNo:
      return QMessageBox::No;
    case ui::ModalResult::kNone:
      break;
  }
  return QMessageBox::NoButton;
}

ui::ModalResult ResultOf(int button) {
  switch (button) {
    case QMessageBox::Ok:
      return ui::ModalResult::kOK;
    case QMessageBox::Yes:
      return ui::ModalResult::kYes;
    case QMessageBox::No:
      return ui::ModalResult::kNo;
    case QMessageBox::Retry:
      return ui::ModalResult::kRetry;
    default:
      return ui::ModalResult::kCancel;
  }
}

}  // namespace

QtToolkit::~QtToolkit() = default;

QTimer* QtToolkit::TimerFor(const ui::Timer& timer) const {
  const auto it = timers_.find(&timer);
  return it == timers_.end() ? nullptr : it->second.get();
}

void QtToolkit::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtToolkit::MessagePosted() {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [this] {
        if (app_) app_->DispatchPosted();
      },
      Qt::QueuedConnection);
}

void QtToolkit::Quit() {
  quitting_ = true;
  for (auto& [timer, q] : timers_) q->stop();
  if (window_) window_->hide();
  QCoreApplication::quit();
}

void QtToolkit::TimerChanged(ui::Timer& timer) {
  auto& slot = timers_[&timer];
  if (!slot) {
    slot = std::make_unique<QTimer>();
    ui::Timer* t = &timer;
    QObject::connect(slot.get(), &QTimer::timeout, [this, t] {
      if (app_) app_->Dispatch([t] { t->Tick(); });
    });
  }
  // A changed timer starts its interval afresh, as the window timers do.
  slot->setInterval(static_cast<int>(timer.Interval()));
  if (timer.Armed() && !quitting_) {
    slot->start();
  } else {
    slot->stop();
  }
}

void QtToolkit::TimerRemoved(ui::Timer& timer) { timers_.erase(&timer); }

ui::ModalResult QtToolkit::MessageBox(const ui::MessageBoxRequest& request) {
  QMessageBox box(IconOf(request.icon), Q(request.caption), Q(request.text),
                  ButtonsOf(request.buttons), window_);
  // Enter presses the default button; without one Qt would pick by role (Yes
  // on a question), so it is always set from the model.
  box.setDefaultButton(ButtonOf(ui::EnterAnswer(request)));
  return ResultOf(box.exec());
}

bool QtToolkit::InputQuery(const std::string& caption, const std::string& prompt,
                           std::string& value) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(window_, Q(caption), Q(prompt), QLineEdit::Normal, Q(value), &ok);
  if (ok) value = text.toStdString();
  return ok;
}

void QtToolkit::ShowException(const std::string& message) {
  QMessageBox::critical(window_, QGuiApplication::applicationDisplayName(), Q(message));
}

void QtToolkit::Minimize() {
  if (window_) window_->showMinimized();
}

void QtToolkit::BeginWindowMove() {
  if (window_ && window_->windowHandle()) window_->windowHandle()->startSystemMove();
}

}  // namespace guiqt
