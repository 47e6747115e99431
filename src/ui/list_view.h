#pragma once
// A report-style list: columns with captions and widths; rows with a caption,
// sub-items, a tick, an image index and a selection. Row and cell colours come
// from custom-draw callbacks, which the view asks for every cell it paints.
#include <functional>
#include <string>
#include <vector>

#include "ui/component.h"
#include "ui/controls.h"

namespace ui {

// A column width that asks the view to fit the column to its widest text or
// its caption, whichever is wider (for lists whose design fixes no widths).
inline constexpr int kColumnFitContent = -2;

struct ListColumn {
  std::string caption;
  int width = 0;  // pixels, or kColumnFitContent
};

struct ListItem {
  std::string caption;
  std::vector<std::string> subItems;  // sub-item 0 is the second column
  bool checked = false;
  int imageIndex = -1;
  bool selected = false;
};

// The colours a cell is painted with. Callbacks start from the list's font
// colour and background and may change either.
struct DrawState {
  TColor textColor = kColorDefault;
  TColor brushColor = kColorDefault;
};

class ListView : public Component {
 public:
  explicit ListView(std::string name) : Component(Kind::kListView, std::move(name)) {}

  // Columns.
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const ListColumn& Column(int index) const;  // an empty column when out of range
  void AddColumn(const std::string& caption, int width);
  void DeleteColumn(int index);
  void ClearColumns();
  void SetColumnCaption(int index, const std::string& caption);
  void SetColumnWidth(int index, int width);

  // Rows. Setters ignore a row that does not exist.
  int ItemCount() const { return static_cast<int>(items_.size()); }
  const ListItem& Item(int index) const;  // an empty row when out of range
  int AddItem(const std::string& caption);
  void Clear();
  void SetItemCaption(int row, const std::string& caption);
  // Adds empty sub-items up to `sub` when the row has fewer.
  void SetSubItem(int row, int sub, const std::string& text);
  void AddSubItem(int row, const std::string& text);
  // Empty for a row or sub-item that does not exist.
  std::string SubItem(int row, int sub) const;
  void SetChecked(int row, bool on);
  void SetImageIndex(int row, int index);
  // One row at most is selected; -1 selects none. A change raises
  // OnSelectItem for the row that lost and the row that gained the selection.
  void SetSelected(int row);
  int Selected() const;

  // Style.
  bool CheckBoxes() const { return checkBoxes_; }
  void SetCheckBoxes(bool on);
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool on);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  bool GridLines() const { return gridLines_; }
  void SetGridLines(bool on);
  const ImageList* SmallImages() const { return smallImages_; }
  void SetSmallImages(const ImageList* images);

  // Events.
  std::function<void(int column)> OnColumnClick;
  std::function<void(int row, bool selected)> OnSelectItem;
  std::function<void(int row, DrawState& state)> OnCustomDrawItem;
  // Column 0 is the caption column.
  std::function<void(int row, int column, DrawState& state)> OnCustomDrawSubItem;

  // The colours of one cell: the list's defaults, then the row callback, then
  // the cell callback.
  DrawState CellColors(int row, int column) const;

  // User actions, as a view reports them.
  void UserColumnClick(int column);
  void UserToggleCheck(int row);
  void UserSelect(int row) { SetSelected(row); }
  // Asks the view to repaint (callbacks may depend on state outside the list).
  void Repaint() { Changed(Property::kContent); }

 private:
  bool ValidRow(int row) const { return row >= 0 && row < ItemCount(); }

  std::vector<ListColumn> columns_;
  std::vector<ListItem> items_;
  bool checkBoxes_ = false;
  bool rowSelect_ = false;
  bool readOnly_ = false;
  bool gridLines_ = false;
  const ImageList* smallImages_ = nullptr;
};

}  // namespace ui
