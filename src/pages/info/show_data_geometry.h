#pragma once
// Where the Device Info and SMART pages put things: column widths as shares of
// the list's width, and the drive selector beside the first column.
#include <vector>

#include "pages/info/smart/show_data_layout.h"

namespace info {

// Each column's share of `listWidth`, rounded to whole pixels.
std::vector<int> ColumnWidths(const std::vector<ShowDataColumn>& columns, int listWidth);

// The "Device:" caption and the drive selector over the second column: the
// caption 6 pixels right of column 0's end, the selector right after it, as
// wide as column 0 less the caption and a 12-pixel margin.
struct SelectorPlacement {
  int deviceNameLeft = 0;
  int comboLeft = 0;
  int comboWidth = 0;

  bool operator==(const SelectorPlacement&) const = default;
};
SelectorPlacement PlaceSelector(int column0Width, int listLeft, int deviceNameWidth);

}  // namespace info
