#include "gui/qt/list_view_widget.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>
#include <vector>

#include "gui/qt/design_pictures.h"
#include "gui/qt/qt_colors.h"

namespace guiqt {

ListViewModel::ListViewModel(EventRouter& router, ui::ListView& list, QObject* parent)
    : QAbstractTableModel(parent), router_(router), list_(list) {
  rows_ = list_.ItemCount();
  columns_ = list_.ColumnCount();
}

int ListViewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QIcon ListViewModel::IconFor(int imageIndex) const {
  const ui::ImageList* images = list_.SmallImages();
  const ui::Picture* pic = images ? images->At(imageIndex) : nullptr;
  if (!pic) return {};
  auto it = icons_.find(imageIndex);
  if (it == icons_.end()) {
    it = icons_.insert(imageIndex,
                       QIcon(PictureToPixmap(*pic, QSize(images->Width(), images->Height()))));
  }
  return *it;
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
  const int row = index.row();
  const int col = index.column();
  if (!index.isValid() || row >= list_.ItemCount()) return {};
  const ui::ListItem& item = list_.Item(row);
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(col == 0 ? item.caption : list_.SubItem(row, col - 1));
    case Qt::CheckStateRole:
      if (col == 0 && list_.CheckBoxes()) return item.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::DecorationRole:
      return col == 0 ? QVariant(IconFor(item.imageIndex)) : QVariant();
    case Qt::ForegroundRole:
    case Qt::BackgroundRole: {
      // The cell's colours come from the list's custom-draw callbacks; a
      // callback that fails leaves the default colours.
      ui::DrawState s;
      try {
        s = list_.CellColors(row, col);
      } catch (...) {
        return {};
      }
      const ui::TColor c = role == Qt::ForegroundRole ? s.textColor : s.brushColor;
      if (!IsSet(c)) return {};
      return QBrush(ToQColor(c));
    }
    default:
      return {};
  }
}

QVariant ListViewModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole || section >= list_.ColumnCount()) return {};
  return QString::fromStdString(list_.Column(section).caption);
}

Qt::ItemFlags ListViewModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == 0 && list_.CheckBoxes()) f |= Qt::ItemIsUserCheckable;
  return f;
}

bool ListViewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != 0) return false;
  const int row = index.row();
  const bool on = value.toInt() == Qt::Checked;
  ui::ListView* list = &list_;
  router_.Dispatch([list, row, on] {
    if (list->Item(row).checked != on) list->UserToggleCheck(row);
  });
  return true;
}

void ListViewModel::Refresh() {
  if (rows_ != list_.ItemCount() || columns_ != list_.ColumnCount()) {
    beginResetModel();
    rows_ = list_.ItemCount();
    columns_ = list_.ColumnCount();
    endResetModel();
    return;
  }
  if (columns_ > 0) emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
  if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
}

ListViewWidget::ListViewWidget(EventRouter& router, ui::ListView& list, QWidget* parent)
    : QTableView(parent), router_(router), list_(list), model_(router, list, this) {
  setModel(&model_);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(18);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setStretchLastSection(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  ui::ListView* l = &list_;
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this, l](int section) {
    router_.Dispatch([l, section] { l->UserColumnClick(section); });
  });
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this, l](const QModelIndex&) { router_.Dispatch([l] { l->DblClick(); }); });
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this, l](const QModelIndex& current, const QModelIndex&) {
            if (syncing_) return;
            const int row = current.isValid() ? current.row() : -1;
            router_.Dispatch([l, row] { l->UserSelect(row); });
          });
  Sync(ui::Property::kStyle);
  Sync(ui::Property::kContent);
}

void ListViewWidget::SyncSelection() {
  syncing_ = true;
  const int row = list_.Selected();
  if (row < 0) {
    selectionModel()->clear();
  } else {
    selectionModel()->setCurrentIndex(
        model_.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  syncing_ = false;
}

void ListViewWidget::Sync(ui::Property p) {
  switch (p) {
    case ui::Property::kStyle:
      setShowGrid(list_.GridLines());
      setSelectionBehavior(list_.RowSelect() ? QAbstractItemView::SelectRows
                                             : QAbstractItemView::SelectItems);
      model_.Refresh();
      break;
    case ui::Property::kContent:
    case ui::Property::kSelection:
      syncing_ = true;
      model_.Refresh();
      ApplyColumnWidths();
      syncing_ = false;
      SyncSelection();
      viewport()->update();
      break;
    case ui::Property::kFont:
    case ui::Property::kBounds:
      ApplyColumnWidths();
      break;
    case ui::Property::kHint:
      setToolTip(list_.ShowHint() ? QString::fromStdString(list_.Hint()) : QString());
      break;
    default:
      break;
  }
}

QString ListViewWidget::CellText(int row, int column) const {
  return model_.data(model_.index(row, column), Qt::DisplayRole).toString();
}

int ListViewWidget::NeededWidth(int column) const {
  const int grid = showGrid() ? 1 : 0;
  int need = horizontalHeader()->sectionSizeHint(column);
  for (int row = 0; row < model_.rowCount(); ++row) {
    need = std::max(need, sizeHintForIndex(model_.index(row, column)).width() + grid);
  }
  return need;
}

bool ListViewWidget::CellFits(const QModelIndex& index) const {
  if (!index.isValid() || CellText(index.row(), index.column()).isEmpty()) return true;
  // Only the width counts: a row scrolled out of view is not cut.
  const QRect cell = visualRect(index);
  const int shown = std::min(cell.right(), viewport()->width() - 1) - std::max(cell.left(), 0) + 1;
  return sizeHintForIndex(index).width() <= shown;
}

QString ListViewWidget::ToolTipFor(const QModelIndex& index) const {
  if (!index.isValid()) return {};
  QStringList lines;
  if (!CellFits(index)) lines << CellText(index.row(), index.column());
  for (int column = 0; column < model_.columnCount(); ++column) {
    const QModelIndex other = model_.index(index.row(), column);
    if (column == index.column() || CellFits(other)) continue;
    lines << QString::fromStdString(list_.Column(column).caption) + ": " +
                 CellText(index.row(), column);
  }
  return lines.join('\n');
}

bool ListViewWidget::viewportEvent(QEvent* e) {
  if (e->type() != QEvent::ToolTip) return QTableView::viewportEvent(e);
  auto* help = static_cast<QHelpEvent*>(e);
  const QModelIndex index = indexAt(help->pos());
  const QString tip = ToolTipFor(index);
  if (tip.isEmpty()) {
    QToolTip::hideText();
    e->ignore();
  } else {
    QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(index));
  }
  return true;
}

void ListViewWidget::updateGeometries() {
  QTableView::updateGeometries();
  // The room inside the frame changes when the vertical scroll bar comes or goes.
  if (!fitting_) ApplyColumnWidths();
}

void ListViewWidget::ApplyColumnWidths() {
  if (fitting_) return;
  fitting_ = true;
  const int count = std::min(list_.ColumnCount(), model_.columnCount());
  std::vector<int> widths;
  bool fixed = true;
  int total = 0;
  for (int i = 0; i < count; ++i) {
    const int w = list_.Column(i).width;
    fixed = fixed && w != ui::kColumnFitContent;
    widths.push_back(w == ui::kColumnFitContent ? NeededWidth(i) : std::max(w, 0));
    total += widths.back();
  }
  const bool fill = fixed && count > 0 && total <= width();
  setHorizontalScrollBarPolicy(fill ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
  if (fill) {
    // The last column gives up what the frame and the vertical scroll bar take.
    const int others = total - widths.back();
    widths.back() = std::max(0, std::min(widths.back(), viewport()->width() - others));
  }
  for (int i = 0; i < count; ++i) {
    if (horizontalHeader()->sectionSize(i) != widths[static_cast<size_t>(i)]) {
      horizontalHeader()->resizeSection(i, widths[static_cast<size_t>(i)]);
    }
  }
  fitting_ = false;
}

}  // namespace guiqt
