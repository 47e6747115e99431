#include "gui/qt/design_pictures.h"

#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include "gui/qt/qt_colors.h"

namespace guiqt {
namespace {

const QColor kInk(0x1C, 0x2A, 0x3A);
const QColor kBrand(0x1F, 0x5F, 0xA8);
const QColor kAccent(0x2A, 0xA7, 0xA1);
const QColor kTile(0xF3, 0xF5, 0xF8);
const QColor kTileEdge(0xC9, 0xD1, 0xDB);

enum class Glyph { kInfo, kPulse, kUpdate, kWrench, kGauge };

// Each picture is drawn in its own design size and scaled to the target.
QSizeF DesignSize(ui::DesignPicture p) {
  switch (p) {
    case ui::DesignPicture::kTitleBar:
      return {982, 26};
    case ui::DesignPicture::kBanner:
      return {530, 100};
    case ui::DesignPicture::kLogo:
      return {180, 180};
    case ui::DesignPicture::kItemIcon:
      return {210, 180};
    case ui::DesignPicture::kOptionIcon:
    case ui::DesignPicture::kSummaryIcon:
      return {207, 49};
    case ui::DesignPicture::kStartButton:
    case ui::DesignPicture::kStartButtonLight:
      return {146, 90};
    case ui::DesignPicture::kOptionItem:
    case ui::DesignPicture::kOptionItemHot:
      return {138, 35};
    case ui::DesignPicture::kCheck:
    case ui::DesignPicture::kCross:
      return {36, 36};
    default:
      return {16, 16};
  }
}

void DrawGlyph(QPainter& p, const QRectF& r, Glyph g) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(kBrand);
  p.drawEllipse(r);
  QPen pen(Qt::white, r.width() / 12.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const QPointF c = r.center();
  const double u = r.width() / 10.0;
  switch (g) {
    case Glyph::kInfo:
      p.drawLine(QPointF(c.x(), c.y() - u * 0.5), QPointF(c.x(), c.y() + u * 2.5));
      p.drawPoint(QPointF(c.x(), c.y() - u * 2.2));
      break;
    case Glyph::kPulse: {
      const QPolygonF line{{c.x() - 3.5 * u, c.y()},           {c.x() - 1.5 * u, c.y()},
                           {c.x() - 0.7 * u, c.y() - 2.5 * u}, {c.x() + 0.5 * u, c.y() + 2.5 * u},
                           {c.x() + 1.3 * u, c.y()},           {c.x() + 3.5 * u, c.y()}};
      p.drawPolyline(line);
      break;
    }
    case Glyph::kUpdate:
      p.drawLine(QPointF(c.x(), c.y() + 2.8 * u), QPointF(c.x(), c.y() - 2.5 * u));
      p.drawPolyline(QPolygonF{{c.x() - 2 * u, c.y() - 0.5 * u},
                               {c.x(), c.y() - 2.6 * u},
                               {c.x() + 2 * u, c.y() - 0.5 * u}});
      break;
    case Glyph::kWrench:
      p.drawEllipse(c, 1.6 * u, 1.6 * u);
      for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(c);
        p.rotate(45.0 * i);
        p.drawLine(QPointF(0, -2.2 * u), QPointF(0, -3.0 * u));
        p.restore();
      }
      break;
    case Glyph::kGauge:
      p.drawArc(QRectF(c.x() - 3 * u, c.y() - 2.5 * u, 6 * u, 6 * u), 0, 180 * 16);
      p.drawLine(c + QPointF(0, 0.5 * u), c + QPointF(2 * u, -1.5 * u));
      break;
  }
  p.restore();
}

void DrawTile(QPainter& p, const QRectF& r, const QString& label, Glyph g) {
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  fill.setColorAt(0, Qt::white);
  fill.setColorAt(1, kTile);
  p.setPen(QPen(kTileEdge, 1));
  p.setBrush(fill);
  p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawRect(QRectF(r.left() + 1, r.top() + 8, 3, r.height() - 16));
  const double d = r.height() * 0.62;
  DrawGlyph(p, QRectF(r.left() + 14, r.center().y() - d / 2, d, d), g);
  QFont f = p.font();
  f.setPixelSize(static_cast<int>(r.height() * 0.33));
  f.setBold(true);
  p.setFont(f);
  p.setPen(kInk);
  p.drawText(r.adjusted(d + 26, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, label);
}

void DrawSsd(QPainter& p, const QRectF& r) {
  p.setPen(QPen(Qt::white, 2));
  p.setBrush(QColor(255, 255, 255, 40));
  p.drawRoundedRect(r, 6, 6);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 200));
  const double w = r.width() / 5.0;
  for (int i = 0; i < 3; ++i) {
    p.drawRoundedRect(
        QRectF(r.left() + w * (0.5 + 1.5 * i), r.top() + r.height() * 0.25, w, r.height() * 0.4), 2,
        2);
  }
  for (int i = 0; i < 8; ++i) {
    p.drawRect(
        QRectF(r.left() + r.width() * (0.12 + 0.1 * i), r.bottom() - 6, r.width() * 0.05, 4));
  }
}

void DrawStateIcon(QPainter& p, ui::DesignPicture s) {
  QColor fill = QColor(0x9A, 0xA3, 0xAD);
  if (s == ui::DesignPicture::kStatePassed) fill = QColor(0x2E, 0x9E, 0x5B);
  if (s == ui::DesignPicture::kStateFailed) fill = QColor(0xD0, 0x3B, 0x3B);
  if (s == ui::DesignPicture::kStateInProgress) fill = kBrand;
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawEllipse(QRectF(1, 1, 14, 14));
  p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  switch (s) {
    case ui::DesignPicture::kStatePassed:
      p.drawPolyline(QPolygonF{{4.5, 8.2}, {7, 10.6}, {11.5, 5.6}});
      break;
    case ui::DesignPicture::kStateFailed:
      p.drawLine(QPointF(5.2, 5.2), QPointF(10.8, 10.8));
      p.drawLine(QPointF(10.8, 5.2), QPointF(5.2, 10.8));
      break;
    case ui::DesignPicture::kStateInProgress:
      p.drawArc(QRectF(4, 4, 8, 8), 90 * 16, 270 * 16);
      p.drawLine(QPointF(8, 4), QPointF(10, 2.8));
      break;
    default:  // waiting: a clock
      p.drawLine(QPointF(8, 8), QPointF(8, 4.5));
      p.drawLine(QPointF(8, 8), QPointF(10.5, 9.5));
      break;
  }
}

void DrawBanner(QPainter& p, const QRectF& all) {
  QLinearGradient g(all.topLeft(), all.topRight());
  g.setColorAt(0, kInk);
  g.setColorAt(1, kBrand);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(all, 10, 10);
  DrawSsd(p, QRectF(18, 22, 92, 56));
  QFont f = p.font();
  f.setPixelSize(34);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(128, 14, 390, 44), Qt::AlignLeft | Qt::AlignVCenter, "SSD Tools");
  f.setPixelSize(14);
  f.setBold(false);
  p.setFont(f);
  p.setPen(QColor(0xD5, 0xE4, 0xF5));
  p.drawText(QRectF(130, 58, 390, 26), Qt::AlignLeft | Qt::AlignVCenter,
             "Identify  |  S.M.A.R.T.  |  Firmware  |  Maintenance");
}

void DrawLogo(QPainter& p) {
  // Kept clear of the top edge, where the summary button may lie.
  const QRectF disc(14, 18, 152, 152);
  QRadialGradient g(QPointF(70, 70), 120);
  g.setColorAt(0, kBrand.lighter(130));
  g.setColorAt(1, kInk);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(disc);
  DrawSsd(p, QRectF(45, 56, 90, 54));
  QFont f = p.font();
  f.setPixelSize(24);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(0, 114, 180, 34), Qt::AlignCenter, "VK46");
}

// The caption lies across the middle band (rows 32..58 of the design size):
// that band is painted flat in the face colour, so the caption's contrast is
// the face's; the shading and the gloss stay above and below it.
void DrawStartButton(QPainter& p, const QRectF& all, bool light) {
  const QColor face = ToQColor(light ? ui::kStartFaceLight : ui::kStartFaceDark);
  const QColor edge = light ? QColor(0x5F, 0xA8, 0x7A) : QColor(0x2E, 0x8B, 0x57);
  const QColor shade = light ? QColor(0xC8, 0xE8, 0xD2) : QColor(0x00, 0x08, 0x04);
  QLinearGradient g(all.topLeft(), all.bottomLeft());
  g.setColorAt(0, light ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x1A, 0x4A, 0x30));
  g.setColorAt(0.3, face);
  g.setColorAt(0.7, face);
  g.setColorAt(1, shade);
  p.setPen(QPen(edge, 1.5));
  p.setBrush(g);
  p.drawRoundedRect(all.adjusted(1, 1, -1, -1), 12, 12);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, light ? 90 : 40));
  p.drawRoundedRect(QRectF(6, 4, all.width() - 12, 22), 9, 9);
}

void DrawMark(QPainter& p, const QRectF& all, bool check) {
  p.setPen(Qt::NoPen);
  p.setBrush(check ? QColor(0x2E, 0x9E, 0x5B) : QColor(0xD0, 0x3B, 0x3B));
  p.drawRoundedRect(all.adjusted(2, 2, -2, -2), 7, 7);
  p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  if (check) {
    p.drawPolyline(QPolygonF{{9, 18.5}, {15.5, 25}, {27, 11.5}});
  } else {
    p.drawLine(QPointF(11, 11), QPointF(25, 25));
    p.drawLine(QPointF(25, 11), QPointF(11, 25));
  }
}

void Draw(QPainter& p, ui::DesignPicture pic, const QSizeF& s) {
  const QRectF all(QPointF(0, 0), s);
  switch (pic) {
    case ui::DesignPicture::kNone:
      return;
    case ui::DesignPicture::kTitleBar: {
      QLinearGradient g(all.topLeft(), all.topRight());
      g.setColorAt(0, kInk);
      g.setColorAt(1, QColor(0x24, 0x38, 0x4D));
      p.fillRect(all, g);
      p.fillRect(QRectF(0, s.height() - 2, s.width(), 2), kAccent);
      return;
    }
    case ui::DesignPicture::kBanner:
      DrawBanner(p, all);
      return;
    case ui::DesignPicture::kLogo:
      DrawLogo(p);
      return;
    case ui::DesignPicture::kItemIcon:
      // Tiles where the three navigation buttons lie over the picture.
      DrawTile(p, QRectF(0, 1, 207, 49), "Device Info", Glyph::kInfo);
      DrawTile(p, QRectF(0, 65, 207, 49), "S.M.A.R.T.", Glyph::kPulse);
      DrawTile(p, QRectF(0, 129, 207, 49), "Update FW", Glyph::kUpdate);
      return;
    case ui::DesignPicture::kOptionIcon:
      DrawTile(p, all, "Option", Glyph::kWrench);
      return;
    case ui::DesignPicture::kSummaryIcon:
      DrawTile(p, all, "Summary", Glyph::kGauge);
      return;
    case ui::DesignPicture::kStartButton:
    case ui::DesignPicture::kStartButtonLight:
      DrawStartButton(p, all, pic == ui::DesignPicture::kStartButtonLight);
      return;
    case ui::DesignPicture::kOptionItem:
    case ui::DesignPicture::kOptionItemHot: {
      const bool hot = pic == ui::DesignPicture::kOptionItemHot;
      p.setPen(QPen(hot ? kBrand : kTileEdge, 1));
      p.setBrush(hot ? QColor(0xCF, 0xE0, 0xF5) : kTile);
      p.drawRoundedRect(all.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
      if (hot) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBrand);
        p.drawRect(QRectF(1, 6, 4, s.height() - 12));
      }
      return;
    }
    case ui::DesignPicture::kCheck:
      DrawMark(p, all, true);
      return;
    case ui::DesignPicture::kCross:
      DrawMark(p, all, false);
      return;
    default:
      DrawStateIcon(p, pic);
      return;
  }
}

}  // namespace

QPixmap RenderDesignPicture(ui::DesignPicture picture, QSize size) {
  if (picture == ui::DesignPicture::kNone || size.isEmpty()) return {};
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QSizeF design = DesignSize(picture);
  p.scale(size.width() / design.width(), size.height() / design.height());
  Draw(p, picture, design);
  return pm;
}

QPixmap PictureToPixmap(const ui::Picture& picture, QSize size) {
  if (!picture.file.empty()) {
    // Bitmaps come from the tool folder and are not trusted: a file that does
    // not decode leaves the design picture in place.
    QImageReader reader(QString::fromStdString(picture.file));
    const QImage image = reader.read();
    if (!image.isNull()) return QPixmap::fromImage(image);
  }
  return RenderDesignPicture(picture.design, size);
}

}  // namespace guiqt
