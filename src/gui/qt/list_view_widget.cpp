#include "gui/qt/list_view_widget.h"

#include <QHeaderView>
#include <QItemSelectionModel>

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
      for (int i = 0; i < list_.ColumnCount(); ++i) {
        if (horizontalHeader()->sectionSize(i) != list_.Column(i).width) {
          horizontalHeader()->resizeSection(i, list_.Column(i).width);
        }
      }
      syncing_ = false;
      SyncSelection();
      viewport()->update();
      break;
    case ui::Property::kHint:
      setToolTip(list_.ShowHint() ? QString::fromStdString(list_.Hint()) : QString());
      break;
    default:
      break;
  }
}

}  // namespace guiqt
