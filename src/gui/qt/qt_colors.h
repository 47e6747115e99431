#pragma once
// The model's COLORREF values as Qt colours.
#include <QColor>

#include "ui/color.h"

namespace guiqt {

inline QColor ToQColor(ui::TColor c) { return QColor(ui::RedOf(c), ui::GreenOf(c), ui::BlueOf(c)); }
inline ui::TColor FromQColor(const QColor& c) {
  return ui::RGB(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                 static_cast<uint8_t>(c.blue()));
}
inline bool IsSet(ui::TColor c) { return c != ui::kColorDefault; }

}  // namespace guiqt
