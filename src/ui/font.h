#pragma once
// A component's font: family and size (points) left empty/zero keep the
// toolkit's defaults.
#include <string>

#include "ui/color.h"

namespace ui {

struct Font {
  std::string family;
  int size = 0;
  TColor color = kColorDefault;
  bool bold = false;

  bool operator==(const Font&) const = default;
};

}  // namespace ui
