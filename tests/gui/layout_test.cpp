// The assembled window on the demo lab in every visual variant, looked at the
// way a person would: nothing lies over the status bar or the title bar, the
// lists show their texts (whole, or in the row's tooltip), the Start caption
// reads on its picture and the title is the form's caption alone.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <regex>
#include <set>

#include "gui/qt/layout_check.h"
#include "gui/qt/list_view_widget.h"
#include "gui/qt/qt_colors.h"
#include "lab/demo/open_lab.h"
#include "qt_fixture.h"
#include "shell/session.h"
#include "ui/contrast.h"

namespace guiqt::testing {
namespace {

namespace fs = std::filesystem;

struct Variant {
  const char* name;
  std::vector<std::pair<const char*, const char*>> keys;
  std::vector<const char*> bitmaps;
};

const std::vector<Variant>& Variants() {
  static const std::vector<Variant> v{
      {"plain", {}, {}},
      {"dark", {{"CustomerType", "1"}}, {}},
      {"skinned", {}, {"SSDItemIcon.BMP", "SSDOptionIcon.BMP", "SSDSummaryIcon.BMP"}},
      {"title bar only", {}, {"Title.BMP"}},
      {"update only", {{"UpdateFWOnly", "1"}}, {"UpdateFWIcon.BMP"}},
  };
  return v;
}

// The demo tool folder and the demo lab in a temporary folder, the session's
// pages on the form, the form in a window.
class DemoWindow {
 public:
  explicit DemoWindow(const Variant& v) {
    EnsureApplication();
    const fs::path home = dir.Path() / "home";
    fs::copy(SSDTOOLS_DEMO_DIR, home, fs::copy_options::recursive);
    std::string ini = dir.Read("home/Setting.ini");
    std::vector<std::pair<const char*, const char*>> keys = v.keys;
    keys.push_back({"ErrorLog", "0"});  // nothing written outside the folder
    for (const auto& [key, value] : keys) {
      const std::regex line(std::string("\n") + key + "=[^\r\n]*");
      const std::string set = std::string("\n") + key + "=" + value;
      if (std::regex_search(ini, line)) {
        ini = std::regex_replace(ini, line, set);
      } else {
        ini.replace(ini.find("[Option]") + 8, 0, set);
      }
    }
    dir.Write("home/Setting.ini", ini);
    for (const char* b : v.bitmaps) dir.Write(std::string("home/Res/") + b, "BM");
    std::string error;
    const std::string labDir = (dir.Path() / "lab").string();
    if (!lab::EnsureDemoLab(labDir, error)) throw std::runtime_error(error);
    labOs = lab::OpenLab(labDir, error);
    if (!labOs) throw std::runtime_error(error);
    ctx = std::make_unique<app::RunContext>(*labOs, home.string());
    form = std::make_unique<app::TUpdateDispaly>(app, *ctx);
    form->SetVersionResource(app::VersionResource{2, 5, 17, 3, "A1"});
    plugins = std::make_unique<app::SessionPlugins>(*form, *ctx);
    view = std::make_unique<FormView>(*form);
    toolkit.SetWindow(view.get());
    form->RunCreate();
    view->ShowCentered();
    form->RunShow();
    QApplication::processEvents();
  }
  ~DemoWindow() {
    toolkit.SetWindow(nullptr);
    view.reset();
    plugins.reset();
    form.reset();
  }

  void Click(const char* button) {
    QTest::mouseClick(view->WidgetFor(button), Qt::LeftButton);
    QApplication::processEvents();
  }
  ListViewWidget& List(const char* name) {
    return *static_cast<ListViewWidget*>(view->WidgetFor(name));
  }
  std::string Problems() {
    std::string text;
    for (const std::string& p : CheckLayout(*view, MainFormBars()).problems) text += p + "\n";
    return text;
  }

  testsupport::TempDir dir;
  std::unique_ptr<os::Os> labOs;
  QtToolkit toolkit;
  ui::Application app{toolkit};
  std::unique_ptr<app::RunContext> ctx;
  std::unique_ptr<app::TUpdateDispaly> form;
  std::unique_ptr<app::SessionPlugins> plugins;
  std::unique_ptr<FormView> view;
};

constexpr const char* kLongResult = "PASS-Please reboot your device after the update finishes.";

TEST(WindowLayout, NoControlOverTheBarsAndEveryListShowsItsTextsOnEveryPageOfEveryVariant) {
  for (const Variant& v : Variants()) {
    DemoWindow w(v);
    ASSERT_GT(w.form->DeviceCount, 2) << v.name;
    // Results as long as a run writes them, in both run lists.
    for (int row = 0; row < w.form->DeviceCount; ++row) {
      w.form->LV_UpdateDevStatus.SetSubItem(row, 5, kLongResult);
      w.form->LV_OptionErase.SetSubItem(row, 3, "Security erase failed: the drive is frozen");
    }
    int pages = 0;
    for (const char* button :
         {"T_DeviceInfo", "T_Smart", "T_SummaryPage", "T_UpdateFW", "T_OptionPage"}) {
      if (!w.view->WidgetFor(button)->isVisible()) continue;
      w.Click(button);
      ++pages;
      EXPECT_EQ(w.Problems(), "") << v.name << " / " << button;
    }
    EXPECT_EQ(pages, std::string(v.name) == "update only" ? 2 : 5) << v.name;
    // The window is as high as the body, the title bar and the status bar.
    EXPECT_EQ(w.view->height(), w.form->PN_MainTitle.Visible() ? 685 : 659) << v.name;
  }
}

TEST(WindowLayout, TheCheckFindsAControlOverTheStatusBarAndACutTextWithoutTooltip) {
  DemoWindow w(Variants()[0]);
  w.Click("T_OptionPage");
  ASSERT_EQ(w.Problems(), "");
  // The body moved below a title bar in a window that did not grow: the
  // Erase button lies over the status text, as the skinned layout had it.
  w.form->PN_MainObj.SetTop(26);
  QApplication::processEvents();
  EXPECT_NE(w.Problems().find("T_SendErase overlaps StatusBar1"), std::string::npos)
      << w.Problems();
  w.form->PN_MainObj.SetTop(0);
  ASSERT_EQ(w.Problems(), "");
  // A fitted column held narrower than its texts by the view.
  ListViewWidget& list = w.List("LV_OptionErase");
  list.horizontalHeader()->resizeSection(1, 30);
  EXPECT_NE(w.Problems().find("LV_OptionErase column \"Serial Number\" is 30 px"),
            std::string::npos)
      << w.Problems();
}

TEST(WindowLayout, TheEraseListShowsEverySerialNumberWhole) {
  DemoWindow w(Variants()[0]);
  w.Click("T_OptionPage");
  ListViewWidget& list = w.List("LV_OptionErase");
  ASSERT_EQ(list.model()->rowCount(), w.form->DeviceCount);
  std::set<QString> serials;
  for (int row = 0; row < list.model()->rowCount(); ++row) {
    const QModelIndex serial = list.model()->index(row, 1);
    EXPECT_TRUE(list.CellFits(serial)) << row;
    EXPECT_TRUE(list.CellFits(list.model()->index(row, 3))) << row;  // model name
    serials.insert(serial.data().toString());
  }
  // Drives of one model differ in their serial numbers: all of them show.
  EXPECT_EQ(static_cast<int>(serials.size()), w.form->DeviceCount);
  EXPECT_GE(list.columnWidth(1), list.NeededWidth(1));
  EXPECT_GT(list.columnWidth(1), 0);
}

TEST(WindowLayout, TheUpdateListKeepsItsDesignWidthsAndTellsTheCutTextsInTooltips) {
  DemoWindow w(Variants()[0]);
  w.form->LV_UpdateDevStatus.SetSubItem(0, 5, kLongResult);
  w.Click("T_UpdateFW");
  ListViewWidget& list = w.List("LV_UpdateDevStatus");
  const std::vector<int> design{150, 155, 97, 97, 115, 97, 550};
  ASSERT_EQ(list.model()->columnCount(), 7);
  for (int c = 0; c < 7; ++c) EXPECT_EQ(list.columnWidth(c), design[static_cast<size_t>(c)]) << c;
  // The Result column lies beyond the right edge: every cell of the row tells it.
  const QModelIndex first = list.model()->index(0, 0);
  EXPECT_FALSE(list.CellFits(list.model()->index(0, 6)));
  EXPECT_TRUE(list.ToolTipFor(first).contains(QString("Result: ") + kLongResult))
      << list.ToolTipFor(first).toStdString();
  // A cell that shows whole has no tooltip of its own text.
  const QModelIndex version = list.model()->index(0, 2);
  ASSERT_TRUE(list.CellFits(version));
  EXPECT_FALSE(list.ToolTipFor(version).startsWith(version.data().toString() + "\n"));
}

TEST(WindowLayout, DeviceInfoFillsTheListWithoutAHorizontalScrollBar) {
  DemoWindow w(Variants()[0]);
  ListViewWidget& list = w.List("LV_ShowData");
  ASSERT_GT(list.model()->rowCount(), 20);  // so the vertical scroll bar shows
  EXPECT_TRUE(list.verticalScrollBar()->isVisible());
  EXPECT_FALSE(list.horizontalScrollBar()->isVisible());
  EXPECT_LE(list.columnWidth(0) + list.columnWidth(1), list.viewport()->width());
  // The first column keeps the width the page gave it.
  EXPECT_EQ(list.columnWidth(0), w.form->LV_ShowData.Column(0).width);
}

// Every pixel of the Start picture behind its caption, against the caption colour.
double WorstStartContrast(DemoWindow& w) {
  auto* image = static_cast<ImageWidget*>(w.view->WidgetFor("Image6"));
  const QImage pixels = image->Pixmap().toImage();
  const ui::Rect& label = w.form->LB_Start.Bounds();
  const ui::Rect& picture = w.form->Image6.Bounds();
  const ui::TColor text = ui::TextColorOf(w.form->LB_Start);
  double worst = 21;
  for (int y = label.top - picture.top; y < label.Bottom() - picture.top; ++y) {
    for (int x = 8; x < picture.width - 8; ++x) {
      worst = std::min(worst, ui::ContrastRatio(text, FromQColor(pixels.pixelColor(x, y))));
    }
  }
  return worst;
}

TEST(WindowLayout, TheStartCaptionReadsOnEveryPixelOfItsPicture) {
  // The default light blue, black, white, pure red and a mid green.
  for (const char* colour : {"16498754", "0", "16777215", "255", "32768"}) {
    Variant v{"start", {{"FFUStartColor", colour}}, {}};
    DemoWindow w(v);
    w.Click("T_UpdateFW");
    EXPECT_GE(WorstStartContrast(w), ui::kReadableContrast) << colour;
  }
}

TEST(WindowTitle, TheWindowSystemAddsNoApplicationName) {
  EnsureApplication();
  // Qt appends the display name to every title only when one was set; the
  // display name then follows the application name.
  const QString name = QCoreApplication::applicationName();
  QCoreApplication::setApplicationName("probe");
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
  QCoreApplication::setApplicationName(name);
  EXPECT_EQ(name, "SSD Tools");
}

}  // namespace
}  // namespace guiqt::testing
