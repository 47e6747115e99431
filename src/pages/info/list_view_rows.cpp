#include "pages/info/list_view_rows.h"

namespace info {

void ListViewRows::AddRow(InfoRow row) {
  const int index = list_.AddItem(row.caption);
  for (const std::string& text : row.subItems) list_.AddSubItem(index, text);
}

}  // namespace info
