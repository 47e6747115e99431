#include "ui/list_view.h"

namespace ui {
namespace {
const ListColumn kNoColumn{};
const ListItem kNoItem{};
}  // namespace

const ListColumn& ListView::Column(int index) const {
  if (index < 0 || index >= ColumnCount()) return kNoColumn;
  return columns_[static_cast<size_t>(index)];
}

void ListView::AddColumn(const std::string& caption, int width) {
  columns_.push_back({caption, width});
  Changed(Property::kContent);
}

void ListView::DeleteColumn(int index) {
  if (index < 0 || index >= ColumnCount()) return;
  columns_.erase(columns_.begin() + index);
  Changed(Property::kContent);
}

void ListView::ClearColumns() {
  if (columns_.empty()) return;
  columns_.clear();
  Changed(Property::kContent);
}

void ListView::SetColumnCaption(int index, const std::string& caption) {
  if (index < 0 || index >= ColumnCount()) return;
  columns_[static_cast<size_t>(index)].caption = caption;
  Changed(Property::kContent);
}

void ListView::SetColumnWidth(int index, int width) {
  if (index < 0 || index >= ColumnCount()) return;
  columns_[static_cast<size_t>(index)].width = width;
  Changed(Property::kContent);
}

const ListItem& ListView::Item(int index) const {
  return ValidRow(index) ? items_[static_cast<size_t>(index)] : kNoItem;
}

int ListView::AddItem(const std::string& caption) {
  ListItem item;
  item.caption = caption;
  items_.push_back(std::move(item));
  Changed(Property::kContent);
  return ItemCount() - 1;
}

void ListView::Clear() {
  items_.clear();
  Changed(Property::kContent);
}

void ListView::SetItemCaption(int row, const std::string& caption) {
  if (!ValidRow(row)) return;
  items_[static_cast<size_t>(row)].caption = caption;
  Changed(Property::kContent);
}

void ListView::SetSubItem(int row, int sub, const std::string& text) {
  if (!ValidRow(row) || sub < 0) return;
  auto& subs = items_[static_cast<size_t>(row)].subItems;
  if (static_cast<size_t>(sub) >= subs.size()) subs.resize(static_cast<size_t>(sub) + 1);
  subs[static_cast<size_t>(sub)] = text;
  Changed(Property::kContent);
}

void ListView::AddSubItem(int row, const std::string& text) {
  if (!ValidRow(row)) return;
  items_[static_cast<size_t>(row)].subItems.push_back(text);
  Changed(Property::kContent);
}

std::string ListView::SubItem(int row, int sub) const {
  if (!ValidRow(row) || sub < 0) return {};
  const auto& subs = items_[static_cast<size_t>(row)].subItems;
  return static_cast<size_t>(sub) < subs.size() ? subs[static_cast<size_t>(sub)] : std::string();
}

void ListView::SetChecked(int row, bool on) {
  if (!ValidRow(row) || items_[static_cast<size_t>(row)].checked == on) return;
  items_[static_cast<size_t>(row)].checked = on;
  Changed(Property::kSelection);
}

void ListView::SetImageIndex(int row, int index) {
  if (!ValidRow(row) || items_[static_cast<size_t>(row)].imageIndex == index) return;
  items_[static_cast<size_t>(row)].imageIndex = index;
  Changed(Property::kContent);
}

void ListView::SetSelected(int row) {
  if (!ValidRow(row)) row = -1;
  const int old = Selected();
  if (old == row) return;
  if (old >= 0) items_[static_cast<size_t>(old)].selected = false;
  if (row >= 0) items_[static_cast<size_t>(row)].selected = true;
  Changed(Property::kSelection);
  if (OnSelectItem) {
    if (old >= 0) OnSelectItem(old, false);
    if (row >= 0) OnSelectItem(row, true);
  }
}

int ListView::Selected() const {
  for (int i = 0; i < ItemCount(); ++i) {
    if (items_[static_cast<size_t>(i)].selected) return i;
  }
  return -1;
}

void ListView::SetCheckBoxes(bool on) {
  if (on == checkBoxes_) return;
  checkBoxes_ = on;
  Changed(Property::kStyle);
}

void ListView::SetRowSelect(bool on) {
  if (on == rowSelect_) return;
  rowSelect_ = on;
  Changed(Property::kStyle);
}

void ListView::SetReadOnly(bool on) {
  if (on == readOnly_) return;
  readOnly_ = on;
  Changed(Property::kStyle);
}

void ListView::SetGridLines(bool on) {
  if (on == gridLines_) return;
  gridLines_ = on;
  Changed(Property::kStyle);
}

void ListView::SetSmallImages(const ImageList* images) {
  if (images == smallImages_) return;
  smallImages_ = images;
  Changed(Property::kStyle);
}

DrawState ListView::CellColors(int row, int column) const {
  DrawState state{GetFont().color, Color()};
  if (!ValidRow(row)) return state;
  if (OnCustomDrawItem) OnCustomDrawItem(row, state);
  if (OnCustomDrawSubItem) OnCustomDrawSubItem(row, column, state);
  return state;
}

void ListView::UserColumnClick(int column) {
  if (OnColumnClick) OnColumnClick(column);
}

void ListView::UserToggleCheck(int row) {
  if (!ValidRow(row)) return;
  SetChecked(row, !items_[static_cast<size_t>(row)].checked);
}

}  // namespace ui
