#pragma once
// The tool's own design pictures, drawn in code at any size, and the choice
// between a picture's bitmap file and its design picture.
#include <QPixmap>
#include <QSize>

#include "ui/picture.h"

namespace guiqt {

// A transparent pixmap of `size` with the design picture drawn on it (empty
// for kNone).
QPixmap RenderDesignPicture(ui::DesignPicture picture, QSize size);

// The bitmap file when it can be decoded, else the design picture at `size`.
QPixmap PictureToPixmap(const ui::Picture& picture, QSize size);

}  // namespace guiqt
