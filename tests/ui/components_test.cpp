#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/controls.h"
#include "ui/inputs.h"
#include "ui/list_view.h"
#include "ui/progress_bar.h"

namespace ui {
namespace {

struct RecordingSink : ViewSink {
  std::vector<std::pair<std::string, Property>> changes;
  void ComponentChanged(Component& c, Property p) override { changes.emplace_back(c.Name(), p); }
};

TEST(Component, TreeVisibilityEnabledAndAlignment) {
  Panel root("root");
  root.SetBounds({0, 0, 400, 300});
  Panel page("page");
  page.SetParent(&root);
  Label text("text");
  text.SetParent(&page);
  Panel bar("bar");
  bar.SetParent(&root);
  bar.SetBounds({0, 280, 400, 20});
  bar.SetAlign(Align::kBottom);
  Label fill("fill");
  fill.SetParent(&page);
  fill.SetAlign(Align::kClient);

  EXPECT_EQ(root.Find("text"), &text);
  EXPECT_EQ(root.Find("nothing"), nullptr);
  ASSERT_EQ(root.Children().size(), 2u);
  EXPECT_EQ(root.Children()[1], &bar);  // later children lie on top

  page.Hide();
  EXPECT_TRUE(text.Visible());
  EXPECT_FALSE(text.Showing());
  page.SetEnabled(false);
  EXPECT_TRUE(text.Enabled());
  EXPECT_FALSE(text.EffectivelyEnabled());

  // Aligned children follow their parent's size.
  root.SetBounds({0, 0, 500, 350});
  EXPECT_EQ(bar.Bounds(), (Rect{0, 330, 500, 20}));
  page.SetBounds({10, 10, 120, 80});
  EXPECT_EQ(fill.Bounds(), (Rect{0, 0, 120, 80}));
}

TEST(Component, ClickFromCodeRunsTheHandlerEvenWhenDisabled) {
  FlatButton b("b");
  int clicks = 0;
  b.OnClick = [&] { ++clicks; };
  b.SetEnabled(false);
  b.Click();
  EXPECT_EQ(clicks, 1);
  FlatButton none("none");
  none.Click();  // no handler: nothing happens
}

TEST(Component, ViewIsToldAboutRealChangesOnly) {
  Panel root("root");
  Label l("l");
  l.SetParent(&root);
  RecordingSink sink;
  root.SetViewSink(&sink);
  l.SetCaption("a");
  l.SetCaption("a");
  l.Hide();
  l.Hide();
  l.SetFontColor(0x123456);
  // A component joining a viewed tree is viewed as well.
  Label late("late");
  late.SetParent(&root);
  late.SetCaption("x");
  std::vector<std::pair<std::string, Property>> want{{"l", Property::kCaption},
                                                     {"l", Property::kVisible},
                                                     {"l", Property::kFont},
                                                     {"late", Property::kCaption}};
  EXPECT_EQ(sink.changes, want);
  root.SetViewSink(nullptr);
}

TEST(ComboBox, CodeSelectsSilentlyAUserPickRaisesOnChange) {
  ComboBox c("c");
  int changes = 0;
  c.OnChange = [&] { ++changes; };
  c.SetItems({"AB", "AD"});
  c.SetItemIndex(1);
  EXPECT_EQ(c.Text(), "AD");
  EXPECT_EQ(changes, 0);
  c.SetItemIndex(7);
  EXPECT_EQ(c.ItemIndex(), -1);
  EXPECT_EQ(c.Text(), "");
  c.UserSelect(0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(c.ItemIndex(), 0);
  c.Clear();
  EXPECT_EQ(c.ItemIndex(), -1);
  EXPECT_EQ(c.ItemCount(), 0);
}

TEST(ListView, RowsSubItemsAndBadIndexes) {
  ListView lv("lv");
  lv.AddColumn("Disk", 150);
  lv.AddColumn("Serial", 155);
  const int r = lv.AddItem("\\\\.\\PHYSICALDRIVE1");
  lv.SetSubItem(r, 3, "late column");
  ASSERT_EQ(lv.Item(r).subItems.size(), 4u);
  EXPECT_EQ(lv.SubItem(r, 0), "");
  EXPECT_EQ(lv.SubItem(r, 3), "late column");
  EXPECT_EQ(lv.SubItem(r, 9), "");
  // Rows and columns that do not exist are ignored, never a crash.
  lv.SetSubItem(5, 0, "x");
  lv.SetChecked(-1, true);
  lv.SetImageIndex(3, 1);
  lv.SetColumnCaption(4, "x");
  lv.DeleteColumn(9);
  EXPECT_EQ(lv.ItemCount(), 1);
  EXPECT_EQ(lv.Item(5).caption, "");
  EXPECT_EQ(lv.Column(-1).caption, "");
  lv.DeleteColumn(0);
  EXPECT_EQ(lv.Column(0).caption, "Serial");
}

TEST(ListView, SelectionEventsTellTheLoserThenTheWinner) {
  ListView lv("lv");
  lv.AddItem("a");
  lv.AddItem("b");
  std::vector<std::pair<int, bool>> events;
  lv.OnSelectItem = [&](int row, bool selected) { events.emplace_back(row, selected); };
  lv.UserSelect(0);
  lv.SetSelected(1);
  lv.SetSelected(1);
  lv.SetSelected(-1);
  std::vector<std::pair<int, bool>> want{{0, true}, {0, false}, {1, true}, {1, false}};
  EXPECT_EQ(events, want);
  EXPECT_EQ(lv.Selected(), -1);
}

TEST(ListView, CellColoursRunRowThenCellCallbackFromTheListDefaults) {
  ListView lv("lv");
  lv.SetColor(kColorWhite);
  lv.SetFontColor(0x010000);
  lv.AddItem("a");
  lv.AddItem("b");
  EXPECT_EQ(lv.CellColors(0, 1).brushColor, kColorWhite);
  EXPECT_EQ(lv.CellColors(0, 1).textColor, 0x010000u);

  lv.OnCustomDrawItem = [](int row, DrawState& s) {
    if (row == 1) s.brushColor = 0xF0F0F0;
  };
  lv.OnCustomDrawSubItem = [](int, int column, DrawState& s) {
    // The cell sees what the row callback chose.
    if (column == 2) s.textColor = s.brushColor;
  };
  EXPECT_EQ(lv.CellColors(1, 0).brushColor, 0xF0F0F0u);
  EXPECT_EQ(lv.CellColors(1, 0).textColor, 0x010000u);
  EXPECT_EQ(lv.CellColors(1, 2).textColor, 0xF0F0F0u);
  EXPECT_EQ(lv.CellColors(0, 2).textColor, kColorWhite);
}

TEST(ListView, HeaderClickAndUserTick) {
  ListView lv("lv");
  lv.AddItem("a");
  int clicked = -1;
  lv.OnColumnClick = [&](int c) { clicked = c; };
  lv.UserColumnClick(0);
  EXPECT_EQ(clicked, 0);
  lv.UserToggleCheck(0);
  EXPECT_TRUE(lv.Item(0).checked);
  lv.UserToggleCheck(0);
  EXPECT_FALSE(lv.Item(0).checked);
}

TEST(ProgressBar, PositionStaysInsideTheRange) {
  ProgressBar p("p");
  p.SetPosition(150);
  EXPECT_EQ(p.Position(), 100);
  p.SetPosition(-3);
  EXPECT_EQ(p.Position(), 0);
  p.SetPosition(80);
  p.SetMax(50);
  EXPECT_EQ(p.Position(), 50);
  p.SetRange(10, 5);
  EXPECT_EQ(p.Max(), 10);
  EXPECT_EQ(p.Position(), 10);
}

TEST(Memo, EveryChangeRaisesOnChangeAndLineFeedsSplitLines) {
  Memo m("m");
  int changes = 0;
  m.OnChange = [&] { ++changes; };
  m.Add("one\ntwo");
  m.Add("three");
  EXPECT_EQ(m.Lines().size(), 3u);
  EXPECT_EQ(m.Text(), "one\ntwo\nthree");
  m.Clear();
  m.Clear();
  EXPECT_EQ(changes, 3);
  m.ScrollToBottom();
  EXPECT_EQ(m.ScrollRequests(), 1);
}

TEST(CheckBoxAndEdit, UserToggleClicksEditRaisesOnChange) {
  CheckBox c("c");
  int clicks = 0;
  c.OnClick = [&] { ++clicks; };
  c.SetChecked(true);
  EXPECT_EQ(clicks, 0);
  c.UserToggle();
  EXPECT_FALSE(c.Checked());
  EXPECT_EQ(clicks, 1);
  Edit e("e");
  int edits = 0;
  e.OnChange = [&] { ++edits; };
  e.SetText("1");
  e.SetText("1");
  EXPECT_EQ(e.Text(), "1");
  EXPECT_EQ(edits, 1);
}

TEST(ImageList, OutOfRangeIsNull) {
  ImageList il("il", 16, 16);
  il.Add(Picture::Design(DesignPicture::kStatePassed));
  ASSERT_NE(il.At(0), nullptr);
  EXPECT_EQ(il.At(0)->design, DesignPicture::kStatePassed);
  EXPECT_EQ(il.At(1), nullptr);
  EXPECT_EQ(il.At(-1), nullptr);
}

}  // namespace
}  // namespace ui
