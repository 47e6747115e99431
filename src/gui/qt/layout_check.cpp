#include "gui/qt/layout_check.h"

#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

#include "gui/qt/form_view.h"
#include "gui/qt/list_view_widget.h"

namespace guiqt {
namespace {

std::string S(const QString& s) { return s.toStdString(); }

// The part of a widget that can be seen: its rectangle in window coordinates,
// clipped by every ancestor.
QRect ShownRect(const QWidget* w, const QWidget* window) {
  QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
  for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
    r &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
  }
  return r & window->rect();
}

bool Within(const QWidget* w, const QWidget* ancestor) {
  for (const QWidget* p = w; p; p = p->parentWidget()) {
    if (p == ancestor) return true;
  }
  return false;
}

// The toolkit's own inner widgets (viewports, scroll bars) carry no name or a
// "qt_" one; the components carry theirs.
bool IsComponent(const QWidget* w) {
  return !w->objectName().isEmpty() && !w->objectName().startsWith("qt_");
}

class Checker {
 public:
  Checker(const FormView& view, LayoutReport& report) : view_(view), report_(report) {}

  void Bars(const std::vector<LayoutBar>& bars) {
    for (const LayoutBar& bar : bars) {
      const QWidget* b = view_.WidgetFor(bar.name);
      if (!b || !b->isVisibleTo(&view_)) continue;
      const QRect barRect = ShownRect(b, &view_);
      std::vector<const QWidget*> own{b};
      for (const std::string& m : bar.members) {
        if (const QWidget* w = view_.WidgetFor(m)) own.push_back(w);
      }
      for (const QWidget* w : view_.findChildren<QWidget*>()) {
        if (!IsComponent(w) || !w->isVisibleTo(&view_) || Within(b, w)) continue;
        if (std::any_of(own.begin(), own.end(), [w](const QWidget* o) { return Within(w, o); })) {
          continue;
        }
        const QRect r = ShownRect(w, &view_);
        if (r.intersects(barRect)) {
          report_.problems.push_back(S(w->objectName()) + " overlaps " + bar.name + " (" +
                                     Geometry(r) + " over " + Geometry(barRect) + ")");
        }
      }
    }
  }

  void Lists() {
    for (ListViewWidget* list : view_.findChildren<ListViewWidget*>()) {
      if (!list->isVisibleTo(&view_)) continue;
      List(*list);
    }
  }

  void Dump() {
    for (const QWidget* w : view_.findChildren<QWidget*>()) {
      if (!IsComponent(w) || !w->isVisibleTo(&view_)) continue;
      report_.dump += S(w->objectName()) + " " + Geometry(ShownRect(w, &view_)) + "\n";
    }
  }

 private:
  static std::string Geometry(const QRect& r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
           "x" + std::to_string(r.height());
  }

  void List(ListViewWidget& list) {
    const std::string name = S(list.objectName());
    QAbstractItemModel* model = list.model();
    const int columns = model->columnCount();
    int designTotal = 0;
    bool fixed = true;
    for (int c = 0; c < columns; ++c) {
      const QString caption = model->headerData(c, Qt::Horizontal).toString();
      const int width = list.columnWidth(c);
      const int need = list.NeededWidth(c);
      report_.dump += name + " column " + std::to_string(c) + " \"" + S(caption) + "\" " +
                      std::to_string(width) + " needs " + std::to_string(need) + "\n";
      const int design = list.Model().DesignWidth(c);
      fixed = fixed && design != ui::kColumnFitContent;
      designTotal += std::max(design, 0);
      if (design == ui::kColumnFitContent && width < need) {
        report_.problems.push_back(name + " column \"" + S(caption) + "\" is " +
                                   std::to_string(width) + " px for texts of " +
                                   std::to_string(need) + " px");
      }
    }
    if (fixed && designTotal <= list.width() && list.horizontalScrollBar()->isVisible()) {
      report_.problems.push_back(name + " shows a horizontal scroll bar its columns do not need");
    }
    for (int row = 0; row < model->rowCount(); ++row) {
      for (int c = 0; c < columns; ++c) {
        const QModelIndex index = model->index(row, c);
        if (list.CellFits(index)) continue;
        const QString text = model->data(index).toString();
        // Some cell of the row that can be pointed at (once the row is
        // scrolled into view) must carry the text.
        bool shown = false;
        for (int at = 0; at < columns && !shown; ++at) {
          const QRect cell = list.visualRect(model->index(row, at));
          if (cell.right() >= 0 && cell.left() < list.viewport()->width()) {
            shown = list.ToolTipFor(model->index(row, at)).contains(text);
          }
        }
        if (!shown) {
          report_.problems.push_back(name + " cuts \"" + S(text) + "\" (row " +
                                     std::to_string(row) + ", column " + std::to_string(c) +
                                     ") and no tooltip shows it");
        }
      }
    }
  }

  const FormView& view_;
  LayoutReport& report_;
};

}  // namespace

std::vector<LayoutBar> MainFormBars() {
  return {{"StatusBar1", {"PN_StatusBar", "ProcessBar", "PN_ICType"}}, {"PN_MainTitle", {}}};
}

LayoutReport CheckLayout(const FormView& view, const std::vector<LayoutBar>& bars) {
  LayoutReport report;
  Checker checker(view, report);
  checker.Bars(bars);
  checker.Lists();
  checker.Dump();
  return report;
}

}  // namespace guiqt
