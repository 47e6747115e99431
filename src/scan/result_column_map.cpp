#include "scan/result_column_map.h"

namespace app {

ResultColumnMap BuildResultColumnMap(bool showFWTag, ui::ListView& updateList) {
  ResultColumnMap map;
  if (showFWTag) return map;
  map.fwTag = -1;
  map.result = 4;
  if (updateList.Column(kFwTagDesignColumn).caption == kFwTagColumnCaption) {
    updateList.DeleteColumn(kFwTagDesignColumn);
  }
  return map;
}

}  // namespace app
