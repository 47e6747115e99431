#include "gui/qt/component_widgets.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFrame>

#include "gui/qt/design_pictures.h"
#include "gui/qt/qt_colors.h"

namespace guiqt {
namespace {

ui::MouseButton ButtonOf(Qt::MouseButton b) {
  if (b == Qt::RightButton) return ui::MouseButton::kRight;
  if (b == Qt::MiddleButton) return ui::MouseButton::kMiddle;
  return ui::MouseButton::kLeft;
}

}  // namespace

void MouseForwarder::ForwardPress(QMouseEvent* e) {
  ui::Component* c = &component_;
  const ui::MouseButton b = ButtonOf(e->button());
  const QPoint pos = e->position().toPoint();
  router_.Dispatch([c, b, pos] { c->MouseDown(b, pos.x(), pos.y()); });
}

void MouseForwarder::ForwardMove(QMouseEvent* e) {
  ui::Component* c = &component_;
  const QPoint pos = e->position().toPoint();
  router_.Dispatch([c, pos] { c->MouseMove(pos.x(), pos.y()); });
}

PanelWidget::PanelWidget(EventRouter& router, ui::Component& c, QWidget* parent)
    : QFrame(parent), MouseForwarder(router, c) {
  setMouseTracking(true);
}

LabelWidget::LabelWidget(EventRouter& router, ui::Component& c, QWidget* parent)
    : QLabel(parent), MouseForwarder(router, c) {}

void LabelWidget::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
    ui::Component* c = &component_;
    router_.Dispatch([c] { c->Click(); });
  }
}

void LabelWidget::mouseDoubleClickEvent(QMouseEvent*) {
  ui::Component* c = &component_;
  router_.Dispatch([c] { c->DblClick(); });
}

ImageWidget::ImageWidget(EventRouter& router, ui::Image& image, QWidget* parent)
    : QWidget(parent), MouseForwarder(router, image), image_(image) {}

void ImageWidget::Refresh() {
  pixmap_ = PictureToPixmap(image_.GetPicture(), size());
  update();
}

void ImageWidget::resizeEvent(QResizeEvent*) { Refresh(); }

void ImageWidget::paintEvent(QPaintEvent*) {
  if (pixmap_.isNull()) return;
  QPainter p(this);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  if (image_.Stretch()) {
    p.drawPixmap(rect(), pixmap_);
  } else {
    p.drawPixmap(0, 0, pixmap_);
  }
}

FlatButtonWidget::FlatButtonWidget(EventRouter& router, ui::FlatButton& button, QWidget* parent)
    : QAbstractButton(parent), MouseForwarder(router, button), button_(button) {
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
  connect(this, &QAbstractButton::clicked, this, [this] {
    ui::Component* c = &button_;
    router_.Dispatch([c] { c->Click(); });
  });
}

void FlatButtonWidget::mouseMoveEvent(QMouseEvent* e) {
  ForwardMove(e);
  QAbstractButton::mouseMoveEvent(e);
}

void FlatButtonWidget::enterEvent(QEnterEvent* e) {
  hover_ = true;
  update();
  QAbstractButton::enterEvent(e);
}

void FlatButtonWidget::leaveEvent(QEvent* e) {
  hover_ = false;
  update();
  QAbstractButton::leaveEvent(e);
}

void FlatButtonWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  if (!button_.Transparent()) {
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0, QColor(0xFA, 0xFB, 0xFC));
    face.setColorAt(1, QColor(0xE3, 0xE8, 0xEE));
    p.setPen(QPen(QColor(0xA9, 0xB4, 0xC2), 1));
    p.setBrush(face);
    p.drawRoundedRect(r, 5, 5);
  }
  if (isEnabled() && (hover_ || isDown())) {
    p.setPen(QPen(QColor(0x1F, 0x5F, 0xA8, 160), 1));
    p.setBrush(isDown() ? QColor(0, 0, 0, 40) : QColor(255, 255, 255, 50));
    p.drawRoundedRect(r, 5, 5);
  }
  const ui::Picture& glyph = button_.Glyph();
  if (glyph.design != ui::DesignPicture::kNone || !glyph.file.empty()) {
    const int side = std::min(width(), height()) - 4;
    p.drawPixmap(2, (height() - side) / 2, PictureToPixmap(glyph, QSize(side, side)));
  }
  if (!text().isEmpty()) {
    p.setPen(isEnabled() ? palette().color(QPalette::ButtonText)
                         : palette().color(QPalette::Disabled, QPalette::ButtonText));
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text());
  }
}

StatusBarWidget::StatusBarWidget(ui::StatusBar& bar, QWidget* parent)
    : QWidget(parent), bar_(bar) {}

void StatusBarWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (IsSet(bar_.Color())) p.fillRect(rect(), ToQColor(bar_.Color()));
  const QColor shadow = palette().color(QPalette::Mid);
  const QColor light = palette().color(QPalette::Light);
  int left = 0;
  for (int i = 0; i < bar_.PanelCount(); ++i) {
    // The last panel reaches to the end of the bar.
    const int w = i + 1 == bar_.PanelCount() ? width() - left : bar_.PanelWidth(i);
    const QRect r(left, 2, w - 2, height() - 3);
    p.setPen(shadow);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(light);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    left += bar_.PanelWidth(i);
  }
}

}  // namespace guiqt
