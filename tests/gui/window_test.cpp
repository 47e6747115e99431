#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <functional>

#include "gui/qt/list_view_widget.h"
#include "qt_fixture.h"

namespace guiqt::testing {
namespace {

// Every component of the tree, depth first.
void ForEach(ui::Component& c, const std::function<void(ui::Component&)>& f) {
  f(c);
  for (ui::Component* child : c.Children()) ForEach(*child, f);
}

TEST(Window, BuildsAtClientSizeWithOneWidgetPerComponentAtItsGeometry) {
  WindowFixture f;
  app::TUpdateDispaly& form = f.Open();
  EXPECT_EQ(f.view->size(), QSize(982, 659));
  EXPECT_EQ(f.view->windowTitle(), "SSD Tools V2.5.17_A1");
  int widgets = 0;
  ForEach(form, [&](ui::Component& c) {
    if (&c == &form) return;
    QWidget* w = f.view->WidgetFor(c);
    ASSERT_NE(w, nullptr) << c.Name();
    EXPECT_EQ(w->objectName().toStdString(), c.Name());
    const ui::Rect& r = c.Bounds();
    EXPECT_EQ(w->geometry(), QRect(r.left, r.top, r.width, r.height)) << c.Name();
    EXPECT_EQ(w->isVisibleTo(f.view.get()), c.Showing()) << c.Name();
    ++widgets;
  });
  EXPECT_EQ(widgets, 109);
  // The plain variant keeps the window frame.
  EXPECT_FALSE(f.view->windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(Window, EachPageButtonShowsItsPage) {
  WindowFixture f;
  f.Settings("[Option]\nEnableOption=1\nEnableSummary=1\nICType_0=VK4630\n");
  f.Open();
  struct Page {
    const char* button;
    std::vector<const char*> shown;
  };
  const std::vector<const char*> pages{"PN_DeviceInfo", "PN_Summary", "PN_UpdateFW", "PN_Option"};
  for (const Page& p :
       {Page{"T_UpdateFW", {"PN_UpdateFW", "ProcessBar"}},
        Page{"T_SummaryPage", {"PN_DeviceInfo", "PN_Summary"}},
        Page{"T_OptionPage", {"PN_Option", "LB_Timer"}}, Page{"T_Smart", {"PN_DeviceInfo"}},
        Page{"T_DeviceInfo", {"PN_DeviceInfo"}}}) {
    QWidget* button = f.W(p.button);
    ASSERT_TRUE(button->isVisible()) << p.button;
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    for (const char* page : pages) {
      const bool want =
          std::find(p.shown.begin(), p.shown.end(), std::string(page)) != p.shown.end();
      EXPECT_EQ(f.W(page)->isVisible(), want) << p.button << " / " << page;
    }
    EXPECT_EQ(f.W("ProcessBar")->isVisible(), std::string(p.button) == "T_UpdateFW") << p.button;
  }
}

TEST(Window, AListRowIsPaintedWithTheColoursItsCallbackReturns) {
  WindowFixture f;
  app::TUpdateDispaly& form = f.Open();
  ui::ListView& list = form.LV_UpdateDevStatus;
  list.AddItem("\\\\.\\PHYSICALDRIVE1");
  list.AddItem("\\\\.\\PHYSICALDRIVE2");
  list.SetSubItem(0, 5, "PASS");
  list.OnCustomDrawItem = [](int row, ui::DrawState& s) {
    s.brushColor = row == 0 ? ui::RGB(0x20, 0xC0, 0x40) : 0xF0F0F0;
  };
  list.OnCustomDrawSubItem = [](int, int column, ui::DrawState& s) {
    if (column == 6) s.textColor = ui::kColorBlue;
  };
  form.T_UpdateFW.Click();
  QApplication::processEvents();

  auto* table = static_cast<QTableView*>(f.W("LV_UpdateDevStatus"));
  const QImage shot = table->viewport()->grab().toImage();
  auto sample = [&](int row, int column) {
    // A point near the cell's right edge, clear of text, icon and grid.
    const QRect cell = table->visualRect(table->model()->index(row, column));
    return shot.pixelColor(cell.right() - 4, cell.center().y());
  };
  EXPECT_EQ(sample(0, 2), QColor(0x20, 0xC0, 0x40));
  EXPECT_EQ(sample(1, 2), QColor(0xF0, 0xF0, 0xF0));
  // The text colour reaches the delegate through the same callbacks.
  const QVariant fg = table->model()->index(0, 6).data(Qt::ForegroundRole);
  EXPECT_EQ(fg.value<QBrush>().color(), QColor(0, 0, 0xFF));
  EXPECT_EQ(table->model()->index(0, 6).data().toString(), "PASS");
  EXPECT_EQ(table->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST(Window, ModelChangesAreMirroredAndUserInputReachesTheHandlers) {
  WindowFixture f;
  app::TUpdateDispaly& form = f.Open();
  form.SetStatusMessage("Read SMART data successful");
  EXPECT_EQ(static_cast<QLabel*>(f.W("LB_StatusBar"))->text(), "Read SMART data successful");
  form.T_UpdateFW.Click();
  form.ProcessBar.SetPosition(45);
  EXPECT_EQ(static_cast<QProgressBar*>(f.W("ProcessBar"))->value(), 45);
  form.T_Smart.Hide();
  EXPECT_FALSE(f.W("T_Smart")->isVisible());
  form.T_DeviceInfo.SetTop(176);
  EXPECT_EQ(f.W("T_DeviceInfo")->y(), 176);

  // A user's pick in the drive selector runs CMBB_DeviceListChange.
  form.CMBB_DeviceList.SetItems({"DRIVE A", "DRIVE B"});
  form.T_DeviceInfo.Click();
  form.LV_ShowData.SetColumnCaption(0, "SMART");
  int smartFills = 0;
  form.Pages.smart = [&] { ++smartFills; };
  auto* combo = static_cast<QComboBox*>(f.W("CMBB_DeviceList"));
  ASSERT_EQ(combo->count(), 2);
  combo->setCurrentIndex(1);
  emit combo->activated(1);
  EXPECT_EQ(form.SelectedDevice, 1);
  EXPECT_EQ(smartFills, 1);

  // The header click and a tick from the user reach the list.
  int headerClicks = 0;
  form.LV_UpdateDevStatus.OnColumnClick = [&](int column) { headerClicks += column == 0; };
  form.LV_UpdateDevStatus.AddItem("row");
  form.T_UpdateFW.Click();
  QApplication::processEvents();
  auto* table = static_cast<QTableView*>(f.W("LV_UpdateDevStatus"));
  QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {},
                    QPoint(table->horizontalHeader()->sectionViewportPosition(0) + 20, 5));
  EXPECT_EQ(headerClicks, 1);
  table->model()->setData(table->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
  EXPECT_TRUE(form.LV_UpdateDevStatus.Item(0).checked);
}

TEST(Window, TimersRunOnQtTimers) {
  WindowFixture f;
  app::TUpdateDispaly& form = f.Open();
  QTimer* timer1 = f.toolkit.TimerFor(form.Timer1);
  ASSERT_NE(timer1, nullptr);
  EXPECT_TRUE(timer1->isActive());
  EXPECT_EQ(timer1->interval(), 200);
  QTimer* clear = f.toolkit.TimerFor(form.TM_StatusBarClear);
  EXPECT_TRUE(clear->isActive());  // start-up left its status message
  EXPECT_EQ(clear->interval(), 2000);
  // Firing the Qt timer runs the model's handler.
  QMetaObject::invokeMethod(clear, "timeout");
  EXPECT_EQ(form.StatusMessage(), "");
  EXPECT_FALSE(clear->isActive());
  EXPECT_FALSE(f.toolkit.TimerFor(form.Timer_Status)->isActive());
}

TEST(Window, CloseButtonClosesThroughTheFormsClosePath) {
  WindowFixture f;
  app::TUpdateDispaly& form = f.Open();
  bool logComplete = false;
  form.OnRunLogComplete = [&](const app::RunLog& log) {
    logComplete = log.Lines().back().rfind("End Time=", 0) == 0;
  };
  f.view->close();  // as the window system's close button does
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(logComplete);
  EXPECT_FALSE(f.view->isVisible());
}

TEST(Window, SkinnedVariantIsBorderlessWithItsTitleBar) {
  WindowFixture f;
  f.dir.Write("Res/SSDItemIcon.BMP", "not a bitmap");
  app::TUpdateDispaly& form = f.Open();
  EXPECT_TRUE(f.view->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(f.W("PN_MainTitle")->isVisible());
  EXPECT_EQ(f.W("PN_MainObj")->y(), 26);
  // The version reaches the custom title bar when the window is shown.
  EXPECT_EQ(static_cast<QLabel*>(f.W("LB_VersionInfo"))->text(), "SSD Tools V2.5.17_A1");
  // A file that does not decode leaves the design picture on screen.
  auto* icon = static_cast<ImageWidget*>(f.W("IMG_ICON"));
  EXPECT_FALSE(icon->Pixmap().isNull());
  EXPECT_EQ(form.IMG_ICON.GetPicture().file, f.dir.Str() + "/Res/SSDItemIcon.BMP");
}

}  // namespace
}  // namespace guiqt::testing
