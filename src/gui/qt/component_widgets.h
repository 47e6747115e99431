#pragma once
// Qt widgets for the model's simple component kinds. Each forwards the user's
// input to its component through the router, so that every handler runs under
// the message loop's rules.
#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <functional>

#include "ui/component.h"
#include "ui/controls.h"
#include "ui/progress_bar.h"

namespace guiqt {

class EventRouter {
 public:
  virtual ~EventRouter() = default;
  virtual void Dispatch(const std::function<void()>& handler) = 0;
};

// Mouse press and move of panels and images.
class MouseForwarder {
 protected:
  MouseForwarder(EventRouter& router, ui::Component& c) : router_(router), component_(c) {}
  void ForwardPress(QMouseEvent* e);
  void ForwardMove(QMouseEvent* e);
  EventRouter& router_;
  ui::Component& component_;
};

class PanelWidget : public QFrame, MouseForwarder {
 public:
  PanelWidget(EventRouter& router, ui::Component& c, QWidget* parent);

 protected:
  void mousePressEvent(QMouseEvent* e) override { ForwardPress(e); }
  void mouseMoveEvent(QMouseEvent* e) override { ForwardMove(e); }
};

class LabelWidget : public QLabel, MouseForwarder {
 public:
  LabelWidget(EventRouter& router, ui::Component& c, QWidget* parent);

 protected:
  void mousePressEvent(QMouseEvent* e) override { ForwardPress(e); }
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
};

class ImageWidget : public QWidget, MouseForwarder {
 public:
  ImageWidget(EventRouter& router, ui::Image& image, QWidget* parent);
  // Reloads the picture (file or design) for the current size.
  void Refresh();
  const QPixmap& Pixmap() const { return pixmap_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override { ForwardPress(e); }
  void mouseMoveEvent(QMouseEvent* e) override { ForwardMove(e); }

 private:
  ui::Image& image_;
  QPixmap pixmap_;
};

// A flat button: transparent over what lies beneath, caption and glyph drawn
// on top, a light frame while the mouse is over it.
class FlatButtonWidget : public QAbstractButton, MouseForwarder {
 public:
  FlatButtonWidget(EventRouter& router, ui::FlatButton& button, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  ui::FlatButton& button_;
  bool hover_ = false;
};

// The status bar: its panels as sunken frames.
class StatusBarWidget : public QWidget {
 public:
  StatusBarWidget(ui::StatusBar& bar, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  ui::StatusBar& bar_;
};

}  // namespace guiqt
