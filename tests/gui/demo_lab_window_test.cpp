// The assembled window on the demo lab: the device scan and the information
// pages plugged into the form, shown by the Qt view, clicked like a user would.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "form/device_scan/app_device_scanner.h"
#include "pages/info/info_pages_plugin.h"
#include "lab/demo/open_lab.h"
#include "qt_fixture.h"

namespace guiqt::testing {
namespace {

namespace fs = std::filesystem;

TEST(DemoLabWindow, StartsOnTheFirstDrivesDeviceInfoAndShowsSmartOnAClick) {
  EnsureApplication();
  testsupport::TempDir dir;
  // The demo settings and rule files, with the run log left off so the test
  // writes nothing outside its folder.
  const fs::path home = dir.Path() / "home";
  fs::copy(SSDTOOLS_DEMO_DIR, home, fs::copy_options::recursive);
  {
    std::string ini = dir.Read("home/Setting.ini");
    const size_t at = ini.find("ErrorLog=1");
    ASSERT_NE(at, std::string::npos);
    ini.replace(at, 10, "ErrorLog=0");
    dir.Write("home/Setting.ini", ini);
  }
  std::string error;
  const std::string labDir = (dir.Path() / "lab").string();
  ASSERT_TRUE(lab::EnsureDemoLab(labDir, error)) << error;
  auto labOs = lab::OpenLab(labDir, error);
  ASSERT_TRUE(labOs) << error;

  QtToolkit toolkit;
  ui::Application app(toolkit);
  app::RunContext ctx(*labOs, home.string());
  app::TUpdateDispaly form(app, ctx);
  app::DeviceScanPlugin scan(form, ctx);
  info::InfoPagesPlugin pages(form, scan.Drives());
  FormView view(form);
  toolkit.SetWindow(&view);
  form.RunCreate();
  view.ShowCentered();
  form.RunShow();
  QApplication::processEvents();

  ASSERT_GT(form.DeviceCount, 0);
  auto* selector = static_cast<QComboBox*>(view.WidgetFor("CMBB_DeviceList"));
  EXPECT_EQ(selector->count(), form.DeviceCount);
  EXPECT_EQ(selector->currentIndex(), 0);
  auto* list = static_cast<QTableView*>(view.WidgetFor("LV_ShowData"));
  EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), "Device Info");
  EXPECT_GT(list->model()->rowCount(), 10);

  QTest::mouseClick(view.WidgetFor("T_Smart"), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), "SMART");
  ASSERT_GT(list->model()->rowCount(), 2);
  EXPECT_EQ(form.StatusMessage(), "Read SMART data successful");
  // The page's own row painting: even rows grey, odd rows the list's white.
  const QImage shot = list->viewport()->grab().toImage();
  auto background = [&](int row) {
    const QRect cell = list->visualRect(list->model()->index(row, 1));
    return shot.pixelColor(cell.right() - 3, cell.center().y());
  };
  EXPECT_EQ(background(0), QColor(0xF0, 0xF0, 0xF0));
  EXPECT_EQ(background(1), QColor(0xFF, 0xFF, 0xFF));

  // The update page lists every identified drive.
  QTest::mouseClick(view.WidgetFor("T_UpdateFW"), Qt::LeftButton);
  QApplication::processEvents();
  auto* updates = static_cast<QTableView*>(view.WidgetFor("LV_UpdateDevStatus"));
  EXPECT_TRUE(updates->isVisible());
  EXPECT_EQ(updates->model()->rowCount(), form.DeviceCount);
  toolkit.SetWindow(nullptr);
}

}  // namespace
}  // namespace guiqt::testing
