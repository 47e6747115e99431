#pragma once
// Where the logical columns of the update list live: the sub-item index of
// serial number, current and newest firmware, model name, firmware tag and
// result in an LV_UpdateDevStatus row (sub-item 0 is the second column). The
// update pages find their columns through it.
#include "ui/list_view.h"

namespace app {

inline constexpr const char* kFwTagColumnCaption = "FW Tag";
inline constexpr int kFwTagDesignColumn = 5;  // the sixth column of the design

struct ResultColumnMap {
  int serialNumber = 0;
  int currentFw = 1;
  int newestFw = 2;
  int modelName = 3;
  int fwTag = 4;  // -1 when the column is not shown
  int result = 5;

  bool HasFwTag() const { return fwTag >= 0; }
};

// The map for ShowFWTag. Without the tag the design's "FW Tag" column is
// deleted from the list and the result moves to sub-item 4; a list that has
// lost that column already is left as it is.
ResultColumnMap BuildResultColumnMap(bool showFWTag, ui::ListView& updateList);

}  // namespace app
