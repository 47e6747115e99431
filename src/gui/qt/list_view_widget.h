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

 private:
  QIcon IconFor(int imageIndex) const;

  EventRouter& router_;
  ui::ListView& list_;
  int rows_ = 0;
  int columns_ = 0;
  mutable QHash<int, QIcon> icons_;
};

class ListViewWidget : public QTableView {
 public:
  ListViewWidget(EventRouter& router, ui::ListView& list, QWidget* parent);
  void Sync(ui::Property p);
  ListViewModel& Model() { return model_; }

 private:
  void SyncSelection();

  EventRouter& router_;
  ui::ListView& list_;
  ListViewModel model_;
  bool syncing_ = false;
};

}  // namespace guiqt
