#pragma once
// Small helpers for laying out the design tree.
#include <string>

#include "ui/component.h"

namespace app {

inline void Place(ui::Component& c, ui::Component& parent, int left, int top, int width,
                  int height) {
  c.SetParent(&parent);
  c.SetBounds({left, top, width, height});
}

inline void PlaceText(ui::Component& c, ui::Component& parent, int left, int top, int width,
                      int height, const std::string& caption) {
  Place(c, parent, left, top, width, height);
  c.SetCaption(caption);
}

}  // namespace app
