#include "pages/info/show_data_geometry.h"

#include <cmath>

namespace info {

std::vector<int> ColumnWidths(const std::vector<ShowDataColumn>& columns, int listWidth) {
  std::vector<int> widths;
  widths.reserve(columns.size());
  for (const ShowDataColumn& c : columns) {
    widths.push_back(static_cast<int>(std::lround(listWidth * c.widthShare)));
  }
  return widths;
}

SelectorPlacement PlaceSelector(int column0Width, int listLeft, int deviceNameWidth) {
  SelectorPlacement p;
  p.deviceNameLeft = column0Width + listLeft + 6;
  p.comboLeft = p.deviceNameLeft + deviceNameWidth;
  p.comboWidth = column0Width - deviceNameWidth - 12;
  return p;
}

}  // namespace info
