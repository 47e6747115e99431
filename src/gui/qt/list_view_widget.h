#pragma once
// The report-style list: a table model over ui::ListView whose colours come
// from the list's custom-draw callbacks, and the table view that shows it.
#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QTableView>

#include "gui/qt/component_widgets.h"
#include "ui/list_view.h"

namespace guiqt {

class ListViewModel : public QAbstractTableModel {
 public:
  ListViewModel(EventRouter& router, ui::ListView& list, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // The list changed: a full reset when rows or columns came or went, else a
  // repaint of every cell.
  void Refresh();
  // The width the model gives the column (pixels or ui::kColumnFitContent).
  int DesignWidth(int column) const { return list_.Column(column).width; }

 private:
  QIcon IconFor(int imageIndex) const;

  EventRouter& router_;
  ui::ListView& list_;
  int rows_ = 0;
  int columns_ = 0;
  mutable QHash<int, QIcon> icons_;
};

// Column widths: the model's, except that a kColumnFitContent column is as
// wide as its widest text, and that columns the design meant to fill the list
// (their widths add up to no more than the list's width) fill the room inside
// the frame and scroll bar without a horizontal scroll bar. A text a cell cuts
// short, or a cell out of view, shows whole in the row's tooltip.
class ListViewWidget : public QTableView {
 public:
  ListViewWidget(EventRouter& router, ui::ListView& list, QWidget* parent);
  void Sync(ui::Property p);
  ListViewModel& Model() { return model_; }

  // Pixels the column needs for its widest cell or its caption.
  int NeededWidth(int column) const;
  // True when the cell's text and pictures show whole in its visible part.
  bool CellFits(const QModelIndex& index) const;
  // The cell's full text when it is cut short, then "caption: text" for every
  // other cell of the row that is cut or out of view; empty when all shows.
  QString ToolTipFor(const QModelIndex& index) const;

 protected:
  bool viewportEvent(QEvent* e) override;
  void updateGeometries() override;

 private:
  void SyncSelection();
  void ApplyColumnWidths();
  QString CellText(int row, int column) const;
  bool fitting_ = false;

  EventRouter& router_;
  ui::ListView& list_;
  ListViewModel model_;
  bool syncing_ = false;
};

}  // namespace guiqt
